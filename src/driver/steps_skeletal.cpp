// Steps A to G: the skeletal jobs of modes 1 to 7.
#include <cstdio>

#include "base/file_io.hpp"
#include "driver/job_steps.hpp"
#include "export/engine_limits.hpp"
#include "skeletal/bone_number_checks.hpp"
#include "skeletal/skeletal.hpp"

namespace ossify {

namespace {

bool load_mds_input(job_context& job) {
    std::printf("\n--- Loading MDS ---\n\n");
    if (load_input("MDS", job.config.mds_path, load_mds, job.buffers.mds.region) < 0)
        return fail("ERROR:Failed to load MDS.\n");
    return true;
}

// RESCALEFACTOR is read without a sign: a negative or unreadable text is stored
// as -1, which must not silently mirror the model at -1 %.
bool rescale_factor_is_set(const tool_config& config) {
    if (config.rescale_factor != -1) return true;
    std::fprintf(stderr, "ossify: RESCALEFACTOR takes an unsigned whole percentage, such as 50.\n");
    std::printf("ERROR: Invalid RESCALEFACTOR value.\n");
    return false;
}

} // namespace

bool transplant_reference_tags(job_context& job) {
    byte_region& mdm = job.buffers.mdm.region;
    byte_region& reference = job.buffers.reference_mdm.region;
    std::printf("\n--- Loading MDM ---\n\n");
    if (load_input("REFERENCEMDM", job.config.reference_mdm, load_mdm, reference) < 0)
        return fail("ERROR:Failed to load Reference MDM.\n");
    if (replace_mdm_tags(reference, mdm) < 0) return fail("ERROR: Failed to replace tags.\n");
    // Mode 4 copies tags from another file; so may mode 9 onto an MDX's skeleton.
    if (job.config.mode == 4 || job.config.bind_mdx[0] != '\0') warn_tags_on_unused_bones(mdm);
    if (save_file(job.config.mdm_path, mdm, get_i32(mdm, mdm_header::ofs_end)) < 0)
        return fail("ERROR: Failed to save file.\n");
    warn_mdm_engine_limits(mdm, job.config.mdm_path);
    print_mdm_report(mdm);
    return true;
}

bool step_mds_to_mdm(job_context& job) {
    if (!load_mds_input(job)) return false;
    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t size =
        convert_mds_to_mdm(job.buffers.mds.region, mdm, job.config.base_frame);
    if (size < 0) return fail("ERROR:Failed to Convert MDS to MDM.\n");
    if (save_file(job.config.mdm_path, mdm, size) < 0) return fail("ERROR:Failed to Save File.\n");
    warn_mdm_engine_limits(mdm, job.config.mdm_path);
    return true;
}

bool step_mds_to_mdx(job_context& job) {
    if (!load_mds_input(job)) return false;
    byte_region& mdx = job.buffers.mdx.region;
    const std::int32_t size = convert_mds_to_mdx(mdx, job.buffers.mds.region);
    if (size < 0) return fail("ERROR:Failed to Convert MDS to MDM.\n");
    if (save_file(job.config.mdx_path, mdx, size) < 0) return fail("ERROR:Failed to Save File.\n");
    return true;
}

bool step_mds_report(job_context& job) {
    print_mdm_report(job.buffers.mdm.region);
    return true;
}

bool step_rescale_mdm(job_context& job) {
    byte_region& mdm = job.buffers.mdm.region;
    std::printf("\n--- Loading MDM ---\n\n");
    const std::int32_t size = load_input("MDMSOURCE", job.config.mdm_source, load_mdm, mdm);
    if (size < 0) return fail("ERROR:Failed to load MDM.\n");
    if (!rescale_factor_is_set(job.config) || rescale_mdm(mdm, job.config.rescale_factor) < 0)
        return fail("ERROR: Failed to rescale MDM.\n");
    if (save_file(job.config.mdm_path, mdm, size) < 0) return fail("ERROR:Failed to Save File.\n");
    warn_mdm_engine_limits(mdm, job.config.mdm_path);
    return true;
}

bool step_replace_mdm_tags(job_context& job) {
    byte_region& mdm = job.buffers.mdm.region;
    std::printf("\n--- Loading MDM ---\n\n");
    if (load_input("MDMSOURCE", job.config.mdm_source, load_mdm, mdm) < 0)
        return fail("ERROR:Failed to load MDM.\n");
    return transplant_reference_tags(job);
}

bool step_replace_mdx_bones(job_context& job) {
    byte_region& mdx = job.buffers.mdx.region;
    std::printf("\n--- Loading MDX ---\n\n");
    const std::int32_t size = load_input("MDXSOURCE", job.config.mdx_source, load_mdx, mdx);
    if (size < 0) return fail("ERROR:Failed to load MDX.\n");
    std::printf("\n--- Loading MDX ---\n\n");
    if (load_input("REFERENCEMDX", job.config.reference_mdx, load_mdx,
                   job.buffers.reference_mdx.region) < 0)
        return fail("ERROR:Failed to load Reference MDX.\n");
    if (replace_mdx_bones(mdx, job.buffers.reference_mdx.region) < 0)
        return fail("ERROR: Failed to replace bones.\n");
    if (save_file(job.config.mdx_path, mdx, size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

bool step_rescale_mdx(job_context& job) {
    byte_region& mdx = job.buffers.mdx.region;
    std::printf("\n--- Loading MDX ---\n\n");
    const std::int32_t size = load_input("MDXSOURCE", job.config.mdx_source, load_mdx, mdx);
    if (size < 0) return fail("ERROR:Failed to load MDX.\n");
    if (!rescale_factor_is_set(job.config) || rescale_mdx(mdx, job.config.rescale_factor) < 0)
        return fail("ERROR: Failed to rescale MDX.\n");
    if (save_file(job.config.mdx_path, mdx, size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

} // namespace ossify
