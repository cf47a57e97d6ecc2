// The files a job reads and writes, checked before it reads anything: a job
// that would stop at a missing output path after all its work, or at its second
// input after printing the first, stops at once and names the key instead.
#include <cstdio>
#include <vector>

#include "base/file_io.hpp"
#include "driver/job_steps.hpp"

namespace ossify {

namespace {

enum class use { input, output };

struct named_file {
    const char* key;
    const char* path;
    use role;
    bool required; // false: checked only when the key is set
};

bool is_set(const char* path) {
    return path[0] != '\0';
}

// The model of modes 8 and 9: GLTF when it is set (the job refuses it beside
// MQO), else MQO.
template <typename Add> void model_input(const tool_config& c, const Add& in) {
    if (is_set(c.gltf_path))
        in("GLTF", c.gltf_path, !is_set(c.mqo_path));
    else
        in("MQO", c.mqo_path);
}

void add_mode_files(const tool_config& c, std::vector<named_file>& files) {
    const auto in = [&](const char* key, const char* path, bool required = true) {
        files.push_back({key, path, use::input, required});
    };
    const auto out = [&](const char* key, const char* path) {
        files.push_back({key, path, use::output, true});
    };
    switch (c.mode) {
    case 1:
    case 2:
    case 3:
        in("MDS", c.mds_path);
        if (c.mode != 2) out("MDM", c.mdm_path);
        if (c.mode != 1) out("MDX", c.mdx_path);
        return;
    case 4:
        in("MDMSOURCE", c.mdm_source);
        in("REFERENCEMDM", c.reference_mdm);
        out("MDM", c.mdm_path);
        return;
    case 5:
        in("MDXSOURCE", c.mdx_source);
        in("REFERENCEMDX", c.reference_mdx);
        out("MDX", c.mdx_path);
        return;
    case 6:
        in("MDMSOURCE", c.mdm_source);
        out("MDM", c.mdm_path);
        return;
    case 7:
        in("MDXSOURCE", c.mdx_source);
        out("MDX", c.mdx_path);
        return;
    case 9:
        model_input(c, in);
        in("REFERENCEMDM", c.reference_mdm, false);
        out("MDM", c.mdm_path);
        return;
    case 10:
        if (mode10_writes_output(c) && is_set(c.md3_source)) {
            // With MDMSOURCE too, the loading step refuses the two models.
            if (!is_set(c.mdm_source)) in("MD3SOURCE", c.md3_source);
        } else if (mode10_writes_output(c)) {
            in("MDMSOURCE", c.mdm_source);
            in("MDXSOURCE", c.mdx_source);
        } else {
            for (const source_key& source : mode10_check_sources(c))
                in(source.key, source.path, false);
        }
        return;
    case 11:
    case 12:
        return;
    default: // 8, and every mode outside 1..12, which runs as 8
        model_input(c, in);
        out("MD3OUTNAME", c.md3_out_name);
        return;
    }
}

bool file_is_ready(const named_file& file) {
    if (!is_set(file.path)) {
        if (!file.required) return true;
        std::fprintf(stderr,
                     "ossify: %s is not set; this job %s the file it names: add a line "
                     "%s=PATH to the configuration.\n",
                     file.key, file.role == use::input ? "reads" : "writes", file.key);
        std::printf("ERROR: Missing %s value.\n", file.key);
        return false;
    }
    if (file.role == use::output || open_input(file.key, file.path)) return true;
    std::printf("ERROR: Cannot open %s file.\n", file.key);
    return false;
}

} // namespace

bool mode10_writes_output(const tool_config& c) {
    return is_set(c.preview_path) || is_set(c.mqo_out);
}

std::vector<source_key> mode10_check_sources(const tool_config& c) {
    std::vector<source_key> sources;
    for (const source_key& source :
         {source_key{"MDMSOURCE", c.mdm_source}, source_key{"MDXSOURCE", c.mdx_source},
          source_key{"MDSSOURCE", c.mds_source}, source_key{"MD3SOURCE", c.md3_source}})
        if (is_set(source.path)) sources.push_back(source);
    return sources;
}

bool job_files_are_ready(const tool_config& c) {
    std::vector<named_file> files;
    add_mode_files(c, files);
    bool ready = true;
    for (const named_file& file : files)
        ready = file_is_ready(file) && ready;
    if (c.mode == 10 && !mode10_writes_output(c) && mode10_check_sources(c).empty()) {
        std::fprintf(
            stderr,
            "ossify: mode 10 checks the files that MDMSOURCE, MDXSOURCE, "
            "MDSSOURCE and MD3SOURCE name, or with PREVIEW=PATH or MQOOUT=PATH poses MDMSOURCE "
            "by MDXSOURCE (or takes MD3SOURCE): set at least one of them.\n");
        std::printf("ERROR: Missing MDMSOURCE, MDXSOURCE or MDSSOURCE value.\n");
        ready = false;
    }
    return ready;
}

} // namespace ossify
