#include "support/scratch.hpp"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/wait.h>

namespace ossify_test {

namespace fs = std::filesystem;

namespace {

std::string shell_quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path source_path(const std::string& relative) {
    return fs::path(OSSIFY_SOURCE_DIR) / relative;
}

scratch_dir::scratch_dir() {
    static std::atomic<unsigned> counter{0};
    root_ = fs::temp_directory_path() / ("ossify-test-" + std::to_string(std::random_device{}()) +
                                         "-" + std::to_string(counter++));
    fs::create_directories(root_ / "work");
}

scratch_dir::~scratch_dir() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void scratch_dir::write(const std::string& name, const std::string& content) const {
    fs::create_directories(path(name).parent_path());
    std::ofstream(path(name), std::ios::binary) << content;
}

std::string scratch_dir::read(const std::string& name) const {
    return read_file(path(name));
}

run_result scratch_dir::run(const std::vector<std::string>& args) const {
    std::string command = "cd " + shell_quote(path("").string()) + " && " + OSSIFY_BINARY;
    for (const std::string& arg : args)
        command += " " + shell_quote(arg);
    command += " >" + shell_quote((root_ / "stdout").string()) + " 2>" +
               shell_quote((root_ / "stderr").string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(root_ / "stdout"),
            read_file(root_ / "stderr")};
}

} // namespace ossify_test
