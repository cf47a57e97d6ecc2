// Steps H and I: the MQO jobs of modes 8 and 9.
#include <cstdio>
#include <string>
#include <utility>

#include "base/file_io.hpp"
#include "driver/job_steps.hpp"
#include "driver/left_out_report.hpp"
#include "export/engine_limits.hpp"
#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "export/mesh_record_level.hpp"
#include "mesh/blend_weights.hpp"
#include "mesh/mesh_builder.hpp"
#include "mqo/load_mqo.hpp"
#include "skeletal/skeletal.hpp"
#include "skeleton/build_bones.hpp"

namespace ossify {

namespace {

bool whole_model(const job_context& job) {
    return job.config.whole_model != 0;
}

// Reads the configured MQO model and saves its parsed record as "test.mqoobj".
bool load_and_save_mqo(job_context& job, mqo_notes& notes) {
    byte_region& mqo = job.buffers.mqo.region;
    const std::int32_t mqo_size =
        Load_MQO(job.config.mqo_path, mqo, mqo_options{whole_model(job)}, &notes);
    if (mqo_size < 0) {
        report_refusal_hint(notes, false);
        return fail("ERROR:Failed to load MQO.\n");
    }
    if (save_file("test.mqoobj", mqo, mqo_size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

// BLENDWEIGHTS is read without a sign: -1 stands for a negative or unreadable text.
bool blend_weights_are_valid(const tool_config& config) {
    if (config.blend_weights >= 0 && config.blend_weights <= max_blend_weights) return true;
    std::fprintf(stderr,
                 "ossify: BLENDWEIGHTS takes the number of bones a vertex may follow, "
                 "1 to %d (0 or absent: each vertex follows its nearest bone).\n",
                 max_blend_weights);
    std::printf("ERROR: Invalid BLENDWEIGHTS value.\n");
    return false;
}

// LODMIN is read without a sign: -1 stands for a negative or unreadable text.
bool lod_min_is_valid(const tool_config& config) {
    if (config.lod_min >= 0 && config.lod_min <= 100) return true;
    std::fprintf(stderr, "ossify: LODMIN takes the least share of each surface's vertices the "
                         "engine draws, 1 to 100 percent (0 or absent: derived from the model).\n");
    std::printf("ERROR: Invalid LODMIN value.\n");
    return false;
}

// Builds the mesh record, with the skeleton in mode 9, and saves it as "test.mesh".
bool build_and_save_mesh(job_context& job, const byte_region* bones, const mqo_notes& notes) {
    byte_region& mesh = job.buffers.mesh.region;
    const std::int32_t mesh_size =
        build_meshes_from_mqo(mesh, job.buffers.mqo.region, bones, whole_model(job));
    if (mesh_size < 0) {
        if (!whole_model(job)) report_refusal_hint(notes, true);
        return fail("ERROR:Failed to build mesh from MQO.\n");
    }
    if (bones != nullptr && job.config.blend_weights > 0 &&
        blend_skin_weights(mesh, *bones, job.config.blend_weights) < 0)
        return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file("test.mesh", mesh, mesh_size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

// Without a reference MDM the model's own skeleton tags go into the MDM, which
// is saved again and reported as with the reference's tags.
bool give_skeleton_tags(job_context& job) {
    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t size = build_mdm_skeleton_tags(job.buffers.bone.region, mdm);
    if (size < 0) return fail("ERROR:Failed to build tags from skeleton.\n");
    if (save_file(job.config.mdm_path, mdm, size) < 0) return fail("ERROR: Failed to save file.\n");
    warn_mdm_engine_limits(mdm, job.config.mdm_path);
    print_mdm_report(mdm);
    return true;
}

// With SKELETONMDX: the skeleton as a one-frame MDX, so that the new MDM can be
// shown before any animation exists. Never written to the MDX key's path, which
// often names the modder's real animation.
bool save_skeleton_mdx(job_context& job) {
    byte_region& mdx = job.buffers.mdx.region;
    const std::int32_t mdx_size =
        build_mdx_from_skeleton(job.buffers.bone.region, job.buffers.mdm.region, mdx);
    if (mdx_size < 0) return fail("ERROR:Failed to build MDX from skeleton.\n");
    if (save_file(job.config.skeleton_mdx, mdx, mdx_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    return true;
}

// MD3SCALE is read without a sign: a negative or unreadable text is stored as -1.
// Absent (0) and 1 store positions as drawn.
bool md3_scale_of(const tool_config& config, std::int32_t& scale) {
    scale = config.md3_scale == 0 ? 1 : config.md3_scale;
    if (scale > 0) return true;
    std::fprintf(stderr, "ossify: MD3SCALE takes a whole number without a sign, such as 64.\n");
    std::printf("ERROR: Invalid MD3SCALE value.\n");
    return false;
}

// MD3LODS is read without a sign: -1 stands for a negative or unreadable text.
// PREVIEWLOD names one of the files written.
bool md3_lods_are_valid(const tool_config& config) {
    if (config.md3_lods >= 0 && config.md3_lods <= max_md3_lods && config.preview_lod >= 0 &&
        config.preview_lod <= config.md3_lods)
        return true;
    std::fprintf(stderr,
                 "ossify: MD3LODS takes the number of level-of-detail files, 1 to %d; "
                 "PREVIEWLOD in mode 8 takes one of them, 1 to MD3LODS.\n",
                 max_md3_lods);
    std::printf("ERROR: Invalid MD3LODS value.\n");
    return false;
}

// NAME_k.md3 beside NAME.md3 (the extension kept as written; a name without
// ".md3" gets "_k" at its end).
std::string md3_level_path(const std::string& path, std::int32_t level) {
    const std::size_t dot = path.size() >= 4 ? path.size() - 4 : std::string::npos;
    const bool has_extension = dot != std::string::npos && path[dot] == '.' &&
                               (path[dot + 1] | 0x20) == 'm' && (path[dot + 2] | 0x20) == 'd' &&
                               path[dot + 3] == '3';
    const std::string stem = has_extension ? path.substr(0, dot) : path;
    return stem + "_" + std::to_string(level) + (has_extension ? path.substr(dot) : "");
}

// With MD3LODS=N: NAME_1.md3 .. NAME_N.md3, each from the mesh record with
// about half the vertices of the one before. The level PREVIEWLOD names is left
// in the MD3 buffer for the preview.
bool save_md3_levels(job_context& job, std::int32_t scale) {
    for (std::int32_t level = 1; level <= job.config.md3_lods; ++level) {
        const std::string path = md3_level_path(job.config.md3_out_name, level);
        std::printf("MD3 level of detail %d : %s\n", level, path.c_str());
        work_buffer level_mesh = make_work_buffer(mesh_buffer_size);
        work_buffer level_md3 = make_work_buffer(md3_buffer_size);
        if (level_mesh.region.data == nullptr || level_md3.region.data == nullptr)
            return fail("ERROR:Failed to build mesh from MQO.\n");
        if (mesh_record_level(job.buffers.mesh.region, level_mesh.region, level) < 0)
            return fail("ERROR:Failed to build mesh from MQO.\n");
        const std::int32_t size = build_md3_from_mesh(level_mesh.region, level_md3.region,
                                                      job.config.md3_shader_path, scale);
        if (size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
        if (save_file(path.c_str(), level_md3.region, size) < 0)
            return fail("ERROR: Failed to save file.\n");
        warn_md3_engine_limits(level_md3.region, path.c_str());
        if (level == job.config.preview_lod) std::swap(job.buffers.md3, level_md3);
    }
    return true;
}

} // namespace

// The plain conversion tells what it left out once the job is done.
bool report_after(const job_context& job, const mqo_notes& notes, bool done) {
    if (done && !whole_model(job)) report_left_out(notes, job.buffers.mesh.region);
    return done;
}

bool step_mqo_to_md3(job_context& job) {
    mqo_notes notes;
    std::int32_t scale = 1;
    if (!md3_scale_of(job.config, scale) || !md3_lods_are_valid(job.config)) return false;
    if (!load_and_save_mqo(job, notes) || !build_and_save_mesh(job, nullptr, notes)) return false;
    byte_region& md3 = job.buffers.md3.region;
    const std::int32_t md3_size =
        build_md3_from_mesh(job.buffers.mesh.region, md3, job.config.md3_shader_path, scale);
    if (md3_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file(job.config.md3_out_name, md3, md3_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    warn_md3_engine_limits(md3, job.config.md3_out_name);
    if (job.config.md3_lods > 0 && !save_md3_levels(job, scale)) return false;
    return report_after(job, notes, true);
}

bool step_mqo_to_mdm(job_context& job) {
    mqo_notes notes;
    if (!blend_weights_are_valid(job.config) || !lod_min_is_valid(job.config) ||
        !load_and_save_mqo(job, notes))
        return false;
    byte_region& bone = job.buffers.bone.region;
    const std::int32_t bone_size =
        build_bones_from_mqo(job.buffers.mqo.region, bone, job.config.mqo_root_bone);
    if (bone_size < 0) return fail("ERROR:Failed to build bone from MQO.\n");
    if (save_file("test.bone", bone, bone_size) < 0) return fail("ERROR: Failed to save file.\n");
    if (!build_and_save_mesh(job, &bone, notes)) return false;

    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t mdm_size =
        build_mdm_from_mesh(job.buffers.mesh.region, mdm, bone, job.config.lod_min);
    if (mdm_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file(job.config.mdm_path, mdm, mdm_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    const bool tagged = job.config.reference_mdm[0] == '\0' ? give_skeleton_tags(job)
                                                            : transplant_reference_tags(job);
    const bool done = tagged && (job.config.skeleton_mdx[0] == '\0' || save_skeleton_mdx(job));
    return report_after(job, notes, done);
}

} // namespace ossify
