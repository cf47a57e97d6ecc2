// Steps H and I: the MQO jobs of modes 8 and 9.
#include "driver/file_io.hpp"
#include "driver/job_steps.hpp"
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

} // namespace

bool step_mqo_to_md3(job_context& job) {
    return load_and_save_mqo(job);
}

bool step_mqo_to_mdm(job_context& job) {
    if (!load_and_save_mqo(job)) return false;
    byte_region& bone = job.buffers.bone.region;
    const std::int32_t bone_size =
        build_bones_from_mqo(job.buffers.mqo.region, bone, job.config.mqo_root_bone);
    if (bone_size < 0) return fail("ERROR:Failed to build bone from MQO.\n");
    if (save_file("test.bone", bone, bone_size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

} // namespace ossify
