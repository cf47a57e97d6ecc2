// Mode 10 without an output key: the files the source keys name are loaded and
// checked as the engine will load them; nothing is written.
#include <cstdio>

#include "check/check_report.hpp"
#include "driver/job_steps.hpp"
#include "export/md3_reader.hpp"
#include "skeletal/skeletal.hpp"

namespace ossify {

namespace {

struct loaded_file {
    const char* path = nullptr; // null: not given
    byte_region bytes;
};

bool load_source(const char* key, const char* path, loader load, byte_region& buffer,
                 const char* kind, loaded_file& file) {
    if (path[0] == '\0') return true;
    std::printf("\n--- Loading %s ---\n\n", kind);
    const std::int32_t size = load_input(key, path, load, buffer);
    if (size < 0) {
        std::printf("ERROR:Failed to load %s.\n", kind);
        return false;
    }
    file.path = path;
    file.bytes = sub_region(buffer, 0, size);
    return true;
}

} // namespace

bool step_check_models(job_context& job) {
    const tool_config& c = job.config;
    loaded_file mdm, mdx, mds, md3;
    if (!load_source("MDMSOURCE", c.mdm_source, load_mdm, job.buffers.mdm.region, "MDM", mdm) ||
        !load_source("MDXSOURCE", c.mdx_source, load_mdx, job.buffers.mdx.region, "MDX", mdx) ||
        !load_source("MDSSOURCE", c.mds_source, load_mds, job.buffers.mds.region, "MDS", mds) ||
        !load_source("MD3SOURCE", c.md3_source, load_md3, job.buffers.md3.region, "MD3", md3))
        return false;

    std::printf("\n--- Checking ---\n\n");
    check_report report;
    if (mdx.path != nullptr) {
        ++report.files;
        check_mdx_file(mdx.bytes, mdx.path, report);
    }
    if (mdm.path != nullptr) {
        ++report.files;
        check_mdm_file(mdm.bytes, mdm.path,
                       mdx.path != nullptr ? skeleton_of_mdx(mdx.bytes) : engine_skeleton(),
                       report);
    }
    if (mds.path != nullptr) {
        ++report.files;
        check_mds_file(mds.bytes, mds.path, report);
        if (mdx.path != nullptr) check_mds_mdx_pair(mds.bytes, mdx.bytes, mdx.path, report);
    }
    if (md3.path != nullptr) {
        ++report.files;
        check_md3_file(md3.bytes, md3.path, report);
    }
    std::printf("check : File[%d] Finding[%d]\n", report.files, report.findings);
    if (report.findings == 0) return true;
    std::printf("ERROR:The check found %d problem%s.\n", report.findings,
                report.findings == 1 ? "" : "s");
    return false;
}

} // namespace ossify
