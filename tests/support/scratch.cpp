#include "support/scratch.hpp"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace ossify_test {

namespace fs = std::filesystem;

namespace {

std::string shell_quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

scratch_dir::scratch_dir() {
    static std::atomic<unsigned> counter{0};
    std::random_device seed;
    root_ = fs::temp_directory_path() /
            ("ossify-test-" + std::to_string(seed()) + "-" + std::to_string(counter++));
    work_ = root_ / "work";
    fs::create_directories(work_);
}

scratch_dir::~scratch_dir() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void scratch_dir::write(const std::string& name, const std::string& content) const {
    fs::create_directories(path(name).parent_path());
    std::ofstream(path(name), std::ios::binary) << content;
}

void scratch_dir::write(const std::string& name, const std::vector<std::uint8_t>& content) const {
    write(name, std::string(content.begin(), content.end()));
}

std::string scratch_dir::read(const std::string& name) const {
    return read_file(path(name));
}

std::vector<std::uint8_t> scratch_dir::read_bytes(const std::string& name) const {
    const std::string text = read(name);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool scratch_dir::exists(const std::string& name) const {
    return fs::exists(path(name));
}

run_result scratch_dir::run(const std::vector<std::string>& args) const {
    std::string command = "cd " + shell_quote(work_.string()) + " && " + OSSIFY_BINARY;
    for (const std::string& arg : args)
        command += " " + shell_quote(arg);
    command += " >" + shell_quote((root_ / "stdout").string());
    command += " 2>" + shell_quote((root_ / "stderr").string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    run_result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = read_file(root_ / "stdout");
    result.err = read_file(root_ / "stderr");
    return result;
}

fs::path source_path(const std::string& relative) {
    return fs::path(OSSIFY_SOURCE_DIR) / relative;
}

} // namespace ossify_test
