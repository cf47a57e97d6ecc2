// Steps H and I: the MQO jobs of modes 8 and 9.
#include <cstdio>

#include "base/file_io.hpp"
#include "driver/job_steps.hpp"
#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "mesh/mesh_builder.hpp"
#include "mqo/load_mqo.hpp"
#include "skeleton/build_bones.hpp"

namespace ossify {

namespace {

// Reads the configured MQO model and saves its parsed record as "test.mqoobj".
bool load_and_save_mqo(job_context& job) {
    byte_region& mqo = job.buffers.mqo.region;
    const std::int32_t mqo_size = Load_MQO(job.config.mqo_path, mqo);
    if (mqo_size < 0) return fail("ERROR:Failed to load MQO.\n");
    if (save_file("test.mqoobj", mqo, mqo_size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

// Builds the mesh record, with the skeleton in mode 9, and saves it as "test.mesh".
bool build_and_save_mesh(job_context& job, const byte_region* bones) {
    byte_region& mesh = job.buffers.mesh.region;
    const std::int32_t mesh_size = build_meshes_from_mqo(mesh, job.buffers.mqo.region, bones);
    if (mesh_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file("test.mesh", mesh, mesh_size) < 0) return fail("ERROR: Failed to save file.\n");
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

} // namespace

bool step_mqo_to_md3(job_context& job) {
    if (!load_and_save_mqo(job) || !build_and_save_mesh(job, nullptr)) return false;
    byte_region& md3 = job.buffers.md3.region;
    const std::int32_t md3_size =
        build_md3_from_mesh(job.buffers.mesh.region, md3, job.config.md3_shader_path);
    if (md3_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file(job.config.md3_out_name, md3, md3_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    return true;
}

bool step_mqo_to_mdm(job_context& job) {
    if (!load_and_save_mqo(job)) return false;
    byte_region& bone = job.buffers.bone.region;
    const std::int32_t bone_size =
        build_bones_from_mqo(job.buffers.mqo.region, bone, job.config.mqo_root_bone);
    if (bone_size < 0) return fail("ERROR:Failed to build bone from MQO.\n");
    if (save_file("test.bone", bone, bone_size) < 0) return fail("ERROR: Failed to save file.\n");
    if (!build_and_save_mesh(job, &bone)) return false;

    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t mdm_size = build_mdm_from_mesh(job.buffers.mesh.region, mdm, bone);
    if (mdm_size < 0) return fail("ERROR:Failed to build mesh from MQO.\n");
    if (save_file(job.config.mdm_path, mdm, mdm_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    if (!transplant_reference_tags(job)) return false;
    return job.config.skeleton_mdx[0] == '\0' || save_skeleton_mdx(job);
}

} // namespace ossify
