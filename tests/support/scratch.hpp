// Test helpers: a scratch directory per test, running the built `ossify` in it,
// and reading or writing the files it uses.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ossify_test {

struct run_result {
    int status = -1; // the tool's exit status: 1 after a completed job, 0 after an error
    std::string out; // standard output, byte for byte
    std::string err; // standard error
};

// A fresh directory under the system's temporary directory, removed with the
// object. The tool runs in `dir()`; its captured streams live beside it.
class scratch_dir {
  public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    const std::filesystem::path& dir() const { return work_; }
    std::filesystem::path path(const std::string& name) const { return work_ / name; }

    void write(const std::string& name, const std::string& content) const;
    void write(const std::string& name, const std::vector<std::uint8_t>& content) const;
    std::string read(const std::string& name) const;
    std::vector<std::uint8_t> read_bytes(const std::string& name) const;
    bool exists(const std::string& name) const;

    // Runs the built binary with `args` in dir().
    run_result run(const std::vector<std::string>& args = {}) const;

  private:
    std::filesystem::path root_;
    std::filesystem::path work_;
};

// Path of a file in the source tree, for examples and fixtures.
std::filesystem::path source_path(const std::string& relative);

std::string read_file(const std::filesystem::path& path);

} // namespace ossify_test
