// Mode 9 with BINDMDX: the model bound to the skeleton of an existing MDX at one
// of its frames, so that the game's own animations of that skeleton move it.
#include <cstdio>
#include <string>
#include <vector>

#include "base/file_io.hpp"
#include "base/text_routines.hpp"
#include "driver/mqo_steps.hpp"
#include "export/bound_tags.hpp"
#include "export/engine_limits.hpp"
#include "export/mdm_writer.hpp"
#include "mesh/anchor_bone_binding.hpp"
#include "mesh/mesh_builder.hpp"
#include "mesh/skeleton_binding.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "skeletal/skeletal.hpp"
#include "skeleton/marker_tags.hpp"
#include "skeleton/mdx_skeleton.hpp"

namespace ossify {

namespace {

// The skeleton is the MDX: a second one from markers would contradict it.
bool skeleton_mdx_is_absent(const tool_config& config) {
    if (config.skeleton_mdx[0] == '\0') return true;
    std::fprintf(stderr, "ossify: with BINDMDX the skeleton is that MDX already; leave "
                         "SKELETONMDX out (PREVIEW=FILE.glb shows the model on it).\n");
    std::printf("ERROR: SKELETONMDX cannot be used with BINDMDX.\n");
    return false;
}

// Loads the MDX into the MDX buffer and poses it at BINDFRAME.
bool pose_bind_mdx(job_context& job, mdx_pose& pose) {
    byte_region& mdx = job.buffers.mdx.region;
    std::printf("\n--- Loading MDX ---\n\n");
    if (load_input("BINDMDX", job.config.bind_mdx, load_mdx, mdx) < 0)
        return fail("ERROR:Failed to load Bind MDX.\n");
    const std::int32_t posed = pose_mdx_frame(mdx, job.config.bind_frame, pose);
    if (posed == -2) return fail("ERROR: Invalid BINDFRAME value.\n");
    if (posed < 0) return fail("ERROR:Failed to build bone from MDX.\n");
    return true;
}

void note_unused_bone_object(const byte_region& mqo) {
    offset_t object = mqo_first_object(mqo);
    bool marked = false, rigged = false;
    for (std::int32_t i = 0; i < mqo_num_object(mqo); ++i) {
        const std::string name = mqo_object_name(mqo, object);
        if (!marked && strequ(name.c_str(), "bone") != 0) {
            std::fprintf(stderr, "ossify: the skeleton comes from BINDMDX; the bones drawn in the "
                                 "object \"bone\" are not used (its tag: markers are).\n");
            marked = true;
        }
        if (!rigged && begins_with(name, marker_bone)) {
            std::fprintf(stderr, "ossify: the skeleton comes from BINDMDX; the bone triangles of "
                                 "the \"bone:\" objects are not used.\n");
            rigged = true;
        }
        object = mqo_next_object(mqo, object);
    }
}

bool build_bind_bones(job_context& job, const mdx_pose& pose) {
    byte_region& bone = job.buffers.bone.region;
    const std::int32_t bone_size = build_bones_from_mdx(pose, bone);
    if (bone_size < 0) return fail("ERROR:Failed to build bone from MDX.\n");
    if (save_file("test.bone", bone, bone_size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

bool build_and_bind_mesh(job_context& job, const mqo_notes& notes, const surface_limits& limits,
                         const mdx_pose& pose, const std::vector<bool>& chosen) {
    const tool_config& c = job.config;
    const bind_options options{c.blend_weights > 0 ? c.blend_weights : 1, true};
    return build_and_save_mesh(
        job, &job.buffers.bone.region, notes, limits, [&](byte_region& mesh) {
            const std::vector<bind_bone> bones = bind_bones_of(pose, chosen);
            // Anchor solids drawn round the model name the MDX's bones directly.
            if (has_anchor_objects(job.buffers.mqo.region))
                return bind_mesh_by_anchors(mesh, job.buffers.mqo.region, bones, options) >= 0;
            return bind_mesh_to_skeleton(mesh, bones, options) >= 0;
        });
}

} // namespace

bool load_bind_skeleton(job_context& job, mdx_pose& pose) {
    return skeleton_mdx_is_absent(job.config) && pose_bind_mdx(job, pose) &&
           build_bind_bones(job, pose);
}

// Without a reference MDM the tags hang on the MDX's bones.
bool give_bound_tags(job_context& job, const mdx_pose& pose, std::span<const drawn_tag> tags) {
    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t size = build_mdm_bound_tags(tags, pose, mdm);
    if (size < 0) return fail("ERROR:Failed to build tags from skeleton.\n");
    if (save_file(job.config.mdm_path, mdm, size) < 0) return fail("ERROR: Failed to save file.\n");
    warn_mdm_engine_limits(mdm, job.config.mdm_path);
    print_mdm_report(mdm);
    return true;
}

bool step_mqo_bind_to_mdx(job_context& job) {
    const tool_config& c = job.config;
    surface_limits limits;
    if (!skeleton_mdx_is_absent(c) || !mdm_keys_are_valid(c, limits)) return false;
    mdx_pose pose;
    if (!pose_bind_mdx(job, pose)) return false;
    std::vector<bool> chosen;
    if (!choose_bones(pose, c.bind_bones, chosen)) {
        std::fprintf(stderr, "ossify: BINDBONES lists the bones (names or numbers, separated by "
                             "commas or blanks) that vertices may follow; absent: every bone.\n");
        return fail("ERROR: Invalid BINDBONES value.\n");
    }
    mqo_notes notes;
    if (!load_and_save_mqo(job, notes)) return false;
    note_unused_bone_object(job.buffers.mqo.region);
    if (!build_bind_bones(job, pose) || !build_and_bind_mesh(job, notes, limits, pose, chosen) ||
        !build_and_save_mdm(job))
        return false;
    const bool tagged = c.reference_mdm[0] == '\0'
                            ? give_bound_tags(job, pose, find_marker_tags(job.buffers.mqo.region))
                            : transplant_reference_tags(job);
    return report_after(job, notes, tagged && save_skin_file_of_job(job));
}

} // namespace ossify
