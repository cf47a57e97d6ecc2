// Steps A to G: the skeletal jobs of modes 1 to 7.
#include <cstdio>

#include "driver/file_io.hpp"
#include "driver/job_steps.hpp"

namespace ossify {

bool step_mds_to_mdm(job_context& job) {
    std::printf("\n--- Loading MDS ---\n\n");
    file_handle input = open_input(job.config.mds_path);
    if (!input) return fail("ERROR:Failed to load MDS.\n");
    return true;
}

bool step_mds_to_mdx(job_context& job) {
    std::printf("\n--- Loading MDS ---\n\n");
    file_handle input = open_input(job.config.mds_path);
    if (!input) return fail("ERROR:Failed to load MDS.\n");
    return true;
}

bool step_mds_report(job_context&) {
    return true;
}

bool step_rescale_mdm(job_context& job) {
    std::printf("\n--- Loading MDM ---\n\n");
    file_handle input = open_input(job.config.mdm_source);
    if (!input) return fail("ERROR:Failed to load MDM.\n");
    return true;
}

bool step_replace_mdm_tags(job_context& job) {
    std::printf("\n--- Loading MDM ---\n\n");
    file_handle input = open_input(job.config.mdm_source);
    if (!input) return fail("ERROR:Failed to load MDM.\n");
    return true;
}

bool step_replace_mdx_bones(job_context& job) {
    std::printf("\n--- Loading MDX ---\n\n");
    file_handle input = open_input(job.config.mdx_source);
    if (!input) return fail("ERROR:Failed to load MDX.\n");
    return true;
}

bool step_rescale_mdx(job_context& job) {
    std::printf("\n--- Loading MDX ---\n\n");
    file_handle input = open_input(job.config.mdx_source);
    if (!input) return fail("ERROR:Failed to load MDX.\n");
    return true;
}

} // namespace ossify
