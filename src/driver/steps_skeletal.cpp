// Steps A to G: the skeletal jobs of modes 1 to 7.
#include <cstdio>

#include "base/file_io.hpp"
#include "check/check_report.hpp"
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
    // Mode 3 reads the MDS twice; its surfaces are warned about once.
    if (job.config.mode != 3 || !job.mds_warned)
        warn_surface_faults(job.buffers.mds.region, mesh_format::mds, job.config.mds_path);
    job.mds_warned = true;
    return true;
}

// RESCALEFACTOR is a whole percentage above 0. Its integer field cannot tell a
// missing key (0) from 0, "1.2" from 1 or "50%" from 50, so the text is judged:
// each of those would silently flatten the model or scale it to another size.
bool rescale_factor_is_set(const tool_config& config) {
    const char* text = config.rescale_factor_text;
    bool whole = text[0] != '\0' && config.rescale_factor > 0;
    for (const char* p = text; *p != '\0'; ++p)
        whole = whole && *p >= '0' && *p <= '9';
    if (whole) return true;
    if (text[0] == '\0')
        std::fprintf(stderr,
                     "ossify: RESCALEFACTOR is %s; it takes a whole percentage above 0, "
                     "such as 50 (100 keeps the size); nothing is written.\n",
                     config.rescale_factor == 0 ? "not set" : "empty");
    else
        std::fprintf(stderr,
                     "ossify: RESCALEFACTOR=%s is not a whole percentage above 0; write digits "
                     "only, such as 50 (100 keeps the size); nothing is written.\n",
                     quoted_path(text).c_str());
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
    warn_surface_faults(mdm, mesh_format::mdm, job.config.mdm_source);
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
    warn_surface_faults(mdm, mesh_format::mdm, job.config.mdm_source);
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
