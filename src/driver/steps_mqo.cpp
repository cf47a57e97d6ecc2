// Steps H and I: the MQO jobs of modes 8 and 9.
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "base/file_io.hpp"
#include "driver/job_steps.hpp"
#include "driver/left_out_report.hpp"
#include "driver/mqo_steps.hpp"
#include "export/engine_limits.hpp"
#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "export/mesh_record_level.hpp"
#include "mesh/arrange_surfaces.hpp"
#include "mesh/blend_weights.hpp"
#include "mesh/mesh_builder.hpp"
#include "mesh/rig_binding.hpp"
#include "mqo/load_mqo.hpp"
#include "mqo/up_axis.hpp"
#include "skeletal/skeletal.hpp"
#include "skeleton/build_bones.hpp"

namespace ossify {

namespace {

// RIG reads a rigged model in mode 9, which takes the model whole.
bool rig(const job_context& job) {
    return job.config.rig != 0 && job.config.mode == 9;
}

// Mode 9 with BINDMDX or RIG reads "anchor" objects as binding solids: kept
// when hidden, never surfaces.
bool anchors_bind(const job_context& job) {
    return rig(job) || (job.config.mode == 9 && job.config.bind_mdx[0] != '\0');
}

bool whole_model(const job_context& job) {
    return job.config.whole_model != 0 || rig(job);
}

// SURFACELIMIT is read without a sign: -1 stands for a negative or unreadable
// text. Absent (0) means the strictest engine's limit.
bool surface_limit_of(const tool_config& config, std::int32_t most, surface_limits& limits) {
    const std::int32_t vertices =
        config.surface_limit == 0 ? default_surface_vertices : config.surface_limit;
    limits = limits_for_vertices(vertices);
    if (vertices >= 3 && vertices <= most) return true;
    std::fprintf(stderr,
                 "ossify: SURFACELIMIT takes the vertices a surface may hold, 3 to %d for this "
                 "format (absent: %d, the limit of the strictest engine).\n",
                 most, default_surface_vertices);
    std::printf("ERROR: Invalid SURFACELIMIT value.\n");
    return false;
}

// The keys of the MQO jobs that are read before any work is done.
bool mqo_keys_are_valid(const tool_config& config, std::int32_t most_vertices,
                        surface_limits& limits) {
    if (!up_axis_is_valid(config) || !surface_limit_of(config, most_vertices, limits)) return false;
    if (config.whole_model == 0)
        for (const auto& [key, set] : {std::pair{"SURFACELIMIT", config.surface_limit != 0},
                                       std::pair{"SHADERPREFIX", config.shader_prefix[0] != '\0'},
                                       std::pair{"SKINOUT", config.skin_out[0] != '\0'}})
            if (set)
                std::fprintf(stderr,
                             "ossify: %s is ignored without WHOLEMODEL=1, which makes the "
                             "surfaces within the limits, one a material with its shader.\n",
                             key);
    return true;
}

// LODMIN is read without a sign: -1 stands for a negative or unreadable text.
bool lod_min_is_valid(const tool_config& config) {
    if (config.lod_min >= 0 && config.lod_min <= 100) return true;
    std::fprintf(stderr, "ossify: LODMIN takes the least share of each surface's vertices the "
                         "engine draws, 1 to 100 percent (0 or absent: derived from the model).\n");
    std::printf("ERROR: Invalid LODMIN value.\n");
    return false;
}

// With SKINOUT (and WHOLEMODEL): the skin file of the surfaces just written.
bool save_skin(const job_context& job, const char* shader) {
    if (job.config.skin_out[0] == '\0' || !whole_model(job)) return true;
    if (save_skin_file(job.buffers.mesh.region, job.config.skin_out, shader) < 0)
        return fail("ERROR: Failed to save file.\n");
    return true;
}

// The frame of an MD3 follows its stored positions once the modder has chosen
// a scale or asked for an engine-ready model; without, it stays as defined.
bool md3_bounds_from_stored_model(const tool_config& config) {
    return config.md3_scale != 0 || config.whole_model != 0 || config.surface_limit != 0 ||
           config.shader_prefix[0] != '\0' || config.skin_out[0] != '\0' ||
           config.up_axis[0] != '\0';
}

} // namespace

bool turns_y_up(const tool_config& config) {
    return config.up_axis[0] == 'Y' && config.up_axis[1] == '\0';
}

// UPAXIS is Y, or absent or Z (as drawn).
bool up_axis_is_valid(const tool_config& config) {
    const std::string_view axis = config.up_axis;
    if (axis.empty() || axis == "Z" || axis == "Y") return true;
    std::fprintf(stderr, "ossify: UPAXIS takes Y (the model is drawn y-up: modes 8 and 9 turn it "
                         "z-up, facing +x, and mode 10's MQO turns it back) or Z (as drawn, as "
                         "without the key).\n");
    std::printf("ERROR: Invalid UPAXIS value.\n");
    return false;
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

namespace {

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
bool save_md3_levels(job_context& job, const char* shader, std::int32_t scale) {
    for (std::int32_t level = 1; level <= job.config.md3_lods; ++level) {
        const std::string path = md3_level_path(job.config.md3_out_name, level);
        std::printf("MD3 level of detail %d : %s\n", level, path.c_str());
        work_buffer level_mesh = make_work_buffer(mesh_buffer_size);
        work_buffer level_md3 = make_work_buffer(md3_buffer_size);
        if (level_mesh.region.data == nullptr || level_md3.region.data == nullptr)
            return fail("ERROR:Failed to build mesh from MQO.\n");
        if (mesh_record_level(job.buffers.mesh.region, level_mesh.region, level) < 0)
            return fail("ERROR:Failed to build mesh from MQO.\n");
        const std::int32_t size =
            build_md3_from_mesh(level_mesh.region, level_md3.region, shader, scale,
                                md3_bounds_from_stored_model(job.config));
        if (size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
        if (save_file(path.c_str(), level_md3.region, size) < 0)
            return fail("ERROR: Failed to save file.\n");
        warn_md3_engine_limits(level_md3.region, path.c_str());
        if (level == job.config.preview_lod) std::swap(job.buffers.md3, level_md3);
    }
    return true;
}

} // namespace

// Reads the configured MQO model and saves its parsed record as "test.mqoobj".
bool load_and_save_mqo(job_context& job, mqo_notes& notes) {
    byte_region& mqo = job.buffers.mqo.region;
    const std::int32_t mqo_size = Load_MQO(
        job.config.mqo_path, mqo, mqo_options{whole_model(job), anchors_bind(job)}, &notes);
    if (mqo_size < 0) {
        report_refusal_hint(notes, false);
        return fail("ERROR:Failed to load MQO.\n");
    }
    if (save_file("test.mqoobj", mqo, mqo_size) < 0) return fail("ERROR: Failed to save file.\n");
    if (turns_y_up(job.config))
        std::printf("turn_y_up_to_z_up : Vertex[%d]\n", turn_y_up_to_z_up(mqo));
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

bool report_after(const job_context& job, const mqo_notes& notes, bool done) {
    if (done && !whole_model(job))
        report_left_out(notes, job.buffers.mesh.region, !anchors_bind(job));
    return done;
}

bool build_and_save_mesh(job_context& job, const byte_region* bones, const mqo_notes& notes,
                         const surface_limits& limits, const mesh_binder& bind) {
    byte_region& mesh = job.buffers.mesh.region;
    std::int32_t mesh_size = build_meshes_from_mqo(mesh, job.buffers.mqo.region, bones,
                                                   whole_model(job), !anchors_bind(job));
    if (mesh_size < 0) {
        if (!whole_model(job)) report_refusal_hint(notes, true);
        return fail("ERROR:Failed to build mesh from MQO.\n");
    }
    if (bind) {
        if (!bind(mesh)) return fail("ERROR:Failed to build mesh from MQO.\n");
    } else if (bones != nullptr && rig(job)) {
        if (bind_rig_weights(mesh, job.buffers.mqo.region, *bones, job.config.blend_weights) < 0)
            return fail("ERROR:Failed to build mesh from MQO.\n");
    } else if (bones != nullptr && job.config.blend_weights > 0 &&
               blend_skin_weights(mesh, *bones, job.config.blend_weights) < 0)
        return fail("ERROR:Failed to build mesh from MQO.\n");
    if (whole_model(job)) {
        mesh_size = arrange_surfaces(
            mesh, material_shader_names(job.buffers.mqo.region, job.config.shader_prefix), limits);
        if (mesh_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    }
    if (save_file("test.mesh", mesh, mesh_size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

bool mdm_keys_are_valid(const tool_config& config, surface_limits& limits) {
    return blend_weights_are_valid(config) && lod_min_is_valid(config) &&
           mqo_keys_are_valid(config, mdm_surface_vertices_most, limits);
}

bool build_and_save_mdm(job_context& job) {
    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t mdm_size =
        build_mdm_from_mesh(job.buffers.mesh.region, mdm, job.buffers.bone.region, whole_model(job),
                            job.config.lod_min);
    if (mdm_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file(job.config.mdm_path, mdm, mdm_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    return true;
}

bool save_skin_file_of_job(const job_context& job) {
    return save_skin(job, nullptr);
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

bool step_mqo_to_md3(job_context& job) {
    if (job.config.rig != 0)
        std::fprintf(stderr, "ossify: mode %d builds no skeleton; RIG is not used.\n",
                     job.config.mode);
    mqo_notes notes;
    std::int32_t scale = 1;
    surface_limits limits;
    if (!md3_scale_of(job.config, scale) ||
        !mqo_keys_are_valid(job.config, md3_surface_vertices_most, limits) ||
        !md3_lods_are_valid(job.config))
        return false;
    if (!load_and_save_mqo(job, notes) || !build_and_save_mesh(job, nullptr, notes, limits))
        return false;
    byte_region& md3 = job.buffers.md3.region;
    // The whole model's surfaces carry their own shaders unless MD3SHADERPATH names one.
    const char* shader = whole_model(job) && job.config.md3_shader_path[0] == '\0'
                             ? nullptr
                             : job.config.md3_shader_path;
    const std::int32_t md3_size = build_md3_from_mesh(job.buffers.mesh.region, md3, shader, scale,
                                                      md3_bounds_from_stored_model(job.config));
    if (md3_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file(job.config.md3_out_name, md3, md3_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    warn_md3_engine_limits(md3, job.config.md3_out_name);
    if (!save_skin(job, shader)) return false;
    if (job.config.md3_lods > 0 && !save_md3_levels(job, shader, scale)) return false;
    return report_after(job, notes, true);
}

bool step_mqo_to_mdm(job_context& job) {
    if (job.config.bind_mdx[0] != '\0') return step_mqo_bind_to_mdx(job);
    mqo_notes notes;
    surface_limits limits;
    if (!mdm_keys_are_valid(job.config, limits) || !load_and_save_mqo(job, notes)) return false;
    byte_region& bone = job.buffers.bone.region;
    const std::int32_t bone_size =
        rig(job) ? build_bones_from_rig(job.buffers.mqo.region, bone)
                 : build_bones_from_mqo(job.buffers.mqo.region, bone, job.config.mqo_root_bone);
    if (bone_size < 0) return fail("ERROR:Failed to build bone from MQO.\n");
    if (save_file("test.bone", bone, bone_size) < 0) return fail("ERROR: Failed to save file.\n");
    if (!build_and_save_mesh(job, &bone, notes, limits)) return false;

    if (!build_and_save_mdm(job)) return false;
    const bool tagged = job.config.reference_mdm[0] == '\0' ? give_skeleton_tags(job)
                                                            : transplant_reference_tags(job);
    const bool done = tagged && (job.config.skeleton_mdx[0] == '\0' || save_skeleton_mdx(job)) &&
                      save_skin(job, nullptr);
    return report_after(job, notes, done);
}

} // namespace ossify
