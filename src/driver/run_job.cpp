#include <cstdio>
#include <utility>

#include "driver/job_steps.hpp"

namespace ossify {

namespace {

bool is_mode(const tool_config& c, int a) {
    return c.mode == a;
}

struct job_step {
    bool (*applies)(const tool_config&);
    bool (*run)(job_context&);
};

// The table of modes: every step whose mode matches runs, in this order.
const job_step job_steps[] = {
    {[](const tool_config& c) { return is_mode(c, 1) || is_mode(c, 3); }, step_mds_to_mdm},
    {[](const tool_config& c) { return is_mode(c, 2) || is_mode(c, 3); }, step_mds_to_mdx},
    {[](const tool_config& c) { return (is_mode(c, 1) || is_mode(c, 3)) && c.report == 1; },
     step_mds_report},
    {[](const tool_config& c) { return is_mode(c, 6); }, step_rescale_mdm},
    {[](const tool_config& c) { return is_mode(c, 4); }, step_replace_mdm_tags},
    {[](const tool_config& c) { return is_mode(c, 5); }, step_replace_mdx_bones},
    {[](const tool_config& c) { return is_mode(c, 7); }, step_rescale_mdx},
    {[](const tool_config& c) {
         return (is_mode(c, 8) || c.mode < 1 || c.mode > 12) && c.gltf_path[0] == '\0';
     },
     step_mqo_to_md3},
    {[](const tool_config& c) { return is_mode(c, 9) && c.gltf_path[0] == '\0'; }, step_mqo_to_mdm},
    {[](const tool_config& c) {
         return (is_mode(c, 8) || c.mode < 1 || c.mode > 12) && c.gltf_path[0] != '\0';
     },
     step_gltf_to_md3},
    {[](const tool_config& c) { return is_mode(c, 9) && c.gltf_path[0] != '\0'; },
     step_gltf_to_mdm},
    {[](const tool_config& c) {
         return is_mode(c, 10) && (c.preview_path[0] != '\0' || c.mqo_out[0] != '\0');
     },
     step_load_posed_model},
    {[](const tool_config& c) { return is_mode(c, 10) && c.mqo_out[0] != '\0'; }, step_write_mqo},
    {[](const tool_config& c) { return c.preview_path[0] != '\0'; }, step_preview},
    {[](const tool_config& c) { return is_mode(c, 10) && !mode10_writes_output(c); },
     step_check_models},
};

} // namespace

bool fail(const char* message) {
    std::fputs(message, stdout);
    return false;
}

std::int32_t load_input(const char* key, const char* path, loader load, byte_region& buffer) {
    file_handle input = open_input(key, path);
    if (!input) return -1;
    return load(std::move(input), buffer);
}

bool run_job(job_context& job) {
    if (!job_files_are_ready(job.config)) return false;
    for (const job_step& step : job_steps)
        if (step.applies(job.config) && !step.run(job)) return false;
    return true;
}

} // namespace ossify
