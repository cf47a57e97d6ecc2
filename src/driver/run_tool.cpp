#include "driver/run_tool.hpp"

#include <cstdio>
#include <memory>
#include <string>

#include "base/file_io.hpp"
#include "base/text_routines.hpp"
#include "base/work_buffers.hpp"
#include "driver/job_steps.hpp"
#include "driver/tool_config.hpp"

namespace ossify {

namespace {

constexpr int status_done = 1;
constexpr int status_error = 0;

// The argument after the first "-cfg", or the default file. Empty arguments are
// skipped when looking for "-cfg", but the argument after it is the path even
// when it is empty. A null entry yields false.
bool find_config_path(int argc, char** argv, std::string& path) {
    path = "ossify.cfg";
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr) return false;
        if (argv[i][0] == '\0' || strequ(argv[i], "-cfg") == 0) continue;
        if (i + 1 < argc) {
            if (argv[i + 1] == nullptr) return false;
            path = argv[i + 1];
        }
        break;
    }
    return true;
}

} // namespace

int run_tool(int argc, char** argv) {
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
        file_handle file(std::fopen(config_path.c_str(), "rb"));
        if (!file) {
            std::printf("Failed to open config file.\n");
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
