// Steps H and I: the MQO jobs of modes 8 and 9.
#include <cstdio>

#include "base/file_io.hpp"
#include "driver/job_steps.hpp"
#include "driver/left_out_report.hpp"
#include "export/engine_limits.hpp"
#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
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

} // namespace

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

// The plain conversion tells what it left out once the job is done.
bool report_after(const job_context& job, const mqo_notes& notes, bool done) {
    if (done && !whole_model(job)) report_left_out(notes, job.buffers.mesh.region);
    return done;
}

bool step_mqo_to_md3(job_context& job) {
    mqo_notes notes;
    std::int32_t scale = 1;
    if (!md3_scale_of(job.config, scale)) return false;
    if (!load_and_save_mqo(job, notes) || !build_and_save_mesh(job, nullptr, notes)) return false;
    byte_region& md3 = job.buffers.md3.region;
    const std::int32_t md3_size =
        build_md3_from_mesh(job.buffers.mesh.region, md3, job.config.md3_shader_path, scale);
    if (md3_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file(job.config.md3_out_name, md3, md3_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    warn_md3_engine_limits(md3, job.config.md3_out_name);
    return report_after(job, notes, true);
}

bool step_mqo_to_mdm(job_context& job) {
    mqo_notes notes;
    if (!blend_weights_are_valid(job.config) || !load_and_save_mqo(job, notes)) return false;
    byte_region& bone = job.buffers.bone.region;
    const std::int32_t bone_size =
        build_bones_from_mqo(job.buffers.mqo.region, bone, job.config.mqo_root_bone);
    if (bone_size < 0) return fail("ERROR:Failed to build bone from MQO.\n");
    if (save_file("test.bone", bone, bone_size) < 0) return fail("ERROR: Failed to save file.\n");
    if (!build_and_save_mesh(job, &bone, notes)) return false;

    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t mdm_size = build_mdm_from_mesh(job.buffers.mesh.region, mdm, bone);
    if (mdm_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file(job.config.mdm_path, mdm, mdm_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    const bool tagged = job.config.reference_mdm[0] == '\0' ? give_skeleton_tags(job)
                                                            : transplant_reference_tags(job);
    const bool done = tagged && (job.config.skeleton_mdx[0] == '\0' || save_skeleton_mdx(job));
    return report_after(job, notes, done);
}

} // namespace ossify
