// Mode 10's inputs and its MQO: an MDM posed by an MDX at BINDFRAME, or an
// MD3, loaded once for every output the configuration asks for (MQOOUT, and
// PREVIEW after it).
#include <cstdio>

#include "check/check_report.hpp"
#include "driver/job_steps.hpp"
#include "export/md3_reader.hpp"
#include "export/mqo_export.hpp"
#include "mqo/up_axis.hpp"
#include "skeletal/bone_number_checks.hpp"
#include "skeletal/skeletal.hpp"
#include "skeletal/skeletal_headers.hpp"

namespace ossify {

namespace {

bool shows_md3(const tool_config& c) {
    return c.md3_source[0] != '\0';
}

// BINDFRAME must name a frame of the MDX; an MDX without frames is refused by
// the outputs that pose it.
bool bind_frame_is_valid(const tool_config& c, const byte_region& mdx) {
    const std::int32_t frames = read_mdx_info(mdx).num_frames;
    if (frames < 1 || (c.bind_frame >= 0 && c.bind_frame < frames)) return true;
    std::fprintf(stderr,
                 "ossify: BINDFRAME=%d is not a frame of the MDX, whose frames are 0 to %d.\n",
                 c.bind_frame, frames - 1);
    std::printf("ERROR: Invalid BINDFRAME value.\n");
    return false;
}

bool write_md3_as_mqo(job_context& job, mqo_document& document) {
    std::int32_t scale = 1;
    if (!md3_scale_of(job.config, scale)) return false;
    return mqo_of_md3(read_md3(job.buffers.md3.region), scale, document);
}

bool write_mdm_as_mqo(job_context& job, mqo_document& document) {
    if (read_mdx_info(job.buffers.mdx.region).num_frames < 1)
        return fail("ERROR:This MDX has no frame to pose the MDM with.\n");
    return mqo_of_posed_mdm(job.buffers.mdm.region, job.buffers.mdx.region, job.config.bind_frame,
                            document);
}

} // namespace

bool step_load_posed_model(job_context& job) {
    const tool_config& c = job.config;
    work_buffers& b = job.buffers;
    if (c.mqo_out[0] != '\0' && !up_axis_is_valid(c)) return false;
    if (shows_md3(c)) {
        if (c.mdm_source[0] != '\0')
            return fail("ERROR:MD3SOURCE and MDMSOURCE name two models; mode 10 takes one.\n");
        std::printf("\n--- Loading MD3 ---\n\n");
        if (load_input("MD3SOURCE", c.md3_source, load_md3, b.md3.region) < 0)
            return fail("ERROR:Failed to load MD3.\n");
        return true;
    }
    std::printf("\n--- Loading MDM ---\n\n");
    if (load_input("MDMSOURCE", c.mdm_source, load_mdm, b.mdm.region) < 0)
        return fail("ERROR:Failed to load MDM.\n");
    warn_surface_faults(b.mdm.region, mesh_format::mdm, c.mdm_source);
    std::printf("\n--- Loading MDX ---\n\n");
    if (load_input("MDXSOURCE", c.mdx_source, load_mdx, b.mdx.region) < 0)
        return fail("ERROR:Failed to load MDX.\n");
    warn_bones_beyond_mdx(b.mdm.region, b.mdx.region);
    return bind_frame_is_valid(c, b.mdx.region);
}

bool step_write_mqo(job_context& job) {
    std::printf("\n--- Writing MQO ---\n\n");
    mqo_document document;
    const bool built =
        shows_md3(job.config) ? write_md3_as_mqo(job, document) : write_mdm_as_mqo(job, document);
    // The engine's z-up model back to the modeller's y-up, as mode 8 and 9
    // with the same key turn it.
    if (built && turns_y_up(job.config)) turn_z_up_to_y_up(document);
    if (!built || save_mqo(document, job.config.mqo_out) < 0)
        return fail("ERROR:Failed to write MQO.\n");
    return true;
}

} // namespace ossify
