#include "driver/run_tool.hpp"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "base/file_io.hpp"
#include "base/text_routines.hpp"
#include "base/work_buffers.hpp"
#include "driver/job_steps.hpp"
#include "driver/tool_config.hpp"
#include "driver/usage_text.hpp"

namespace ossify {

namespace {

constexpr int status_done = 1;
constexpr int status_error = 0;

// Index of the argument after the first "-cfg", the configuration path, or -1
// for the default file. Empty arguments are skipped when looking for "-cfg",
// but the argument after it is the path even when it is empty. A null entry
// met on the way sets `null_met`.
int config_path_index(int argc, char** argv, bool& null_met) {
    null_met = false;
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr) {
            null_met = true;
            return -1;
        }
        if (argv[i][0] == '\0' || strequ(argv[i], "-cfg") == 0) continue;
        if (i + 1 >= argc) return -1;
        null_met = argv[i + 1] == nullptr;
        return null_met ? -1 : i + 1;
    }
    return -1;
}

// The configuration path; false when a null entry stands in the way.
bool find_config_path(int argc, char** argv, std::string& path) {
    bool null_met = false;
    const int index = config_path_index(argc, argv, null_met);
    path = index < 0 ? "ossify.cfg" : argv[index];
    return !null_met;
}

enum class request { job, help, version };

// --help, -h and --version are answered instead of a job. Any other argument
// that looks like an option is ignored, as ever, with a hint on standard error.
request read_options(int argc, char** argv) {
    bool null_met = false;
    const int path_index = config_path_index(argc, argv, null_met);
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const char* a = argv[i];
        if (i == path_index || a[0] != '-' || strequ(a, "-cfg") != 0) continue;
        if (strequ(a, "--help") != 0 || strequ(a, "-h") != 0) return request::help;
        if (strequ(a, "--version") != 0) return request::version;
        print_unknown_option_hint(stderr, a);
    }
    return request::job;
}

} // namespace

int run_tool(int argc, char** argv) {
    switch (read_options(argc, argv)) {
    case request::help:
        print_usage(stdout);
        return status_done;
    case request::version:
        print_version(stdout);
        return status_done;
    case request::job:
        break;
    }
    std::printf("\n-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+\n MQO convertion tool ver. 0.01 for MDM\n"
                "-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+\n\n");
    std::string config_path;
    if (!find_config_path(argc, argv, config_path)) {
        std::printf("NULL OUT!\n");
        return status_error;
    }

    auto buffers = std::make_unique<work_buffers>();
    if (!allocate_work_buffers(*buffers)) {
        std::printf("ERROR:Failed to allocate work buffers.\n");
        return status_error;
    }

    auto config = std::make_unique<tool_config>();
    {
        errno = 0;
        file_handle file(std::fopen(config_path.c_str(), "rb"));
        if (!file) {
            const int error = errno;
            std::printf("Failed to open config file.\n");
            explain_unopened_file("the configuration file", config_path.c_str(), error);
            std::fprintf(stderr, "ossify: name the configuration with -cfg FILE; ossify --help "
                                 "shows the usage.\n");
            std::printf("Error found in config file. Check %s.\n", config_path.c_str());
            return status_error;
        }
        if (load_config(file.get(), *config) < 0) {
            std::printf("Error found in config file. Check %s.\n", config_path.c_str());
            return status_error;
        }
    }

    std::printf("Running MODE(%d)\n", config->mode);
    job_context job{*config, *buffers};
    if (!run_job(job)) return status_error;

    std::printf("\n\n --- All done ---\n\n");
    return status_done;
}

} // namespace ossify
