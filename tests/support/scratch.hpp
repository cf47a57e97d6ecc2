// A scratch directory per test, running the built `ossify` in it, and reading
// or writing the files it uses.
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
// object. The tool runs in its "work" directory; its streams are kept beside it.
class scratch_dir {
  public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    std::filesystem::path path(const std::string& name) const { return root_ / "work" / name; }
    void write(const std::string& name, const std::string& content) const;
    void write(const std::string& name, const std::vector<std::uint8_t>& content) const {
        write(name, std::string(content.begin(), content.end()));
    }
    std::string read(const std::string& name) const;
    std::vector<std::uint8_t> read_bytes(const std::string& name) const {
        const std::string text = read(name);
        return {text.begin(), text.end()};
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }
    // Runs the built binary with `args` in the work directory.
    run_result run(const std::vector<std::string>& args = {}) const;

  private:
    std::filesystem::path root_;
};

// Path of a file in the source tree, for examples and fixtures.
std::filesystem::path source_path(const std::string& relative);
std::string read_file(const std::filesystem::path& path);

// A 64-bit FNV-1a hash, to pin the exact bytes of files and traces the tool writes.
inline std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    return hash;
}

} // namespace ossify_test
