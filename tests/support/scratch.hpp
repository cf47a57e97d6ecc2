// A scratch directory per test, running the built `ossify` in it, reading or
// writing the files it uses, and the fragments of stdout every run shares.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace ossify_test {

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Path of a file in the source tree, for examples and fixtures.
inline std::filesystem::path source_path(const std::string& relative) {
    return std::filesystem::path(OSSIFY_SOURCE_DIR) / relative;
}

// A 64-bit FNV-1a hash, to pin the exact bytes of files and traces the tool writes.
inline std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    return hash;
}

struct run_result {
    int status = -1; // the tool's exit status: 1 after a completed job, 0 after an error
    std::string out; // standard output, byte for byte
    std::string err; // standard error
};

// A fresh directory under the system's temporary directory, removed with the
// object. The tool runs in its "work" directory; its streams are kept beside it.
class scratch_dir {
  public:
    scratch_dir() {
        static std::atomic<unsigned> counter{0};
        root_ /= "ossify-test-" + std::to_string(std::random_device{}()) + "-" +
                 std::to_string(counter++);
        std::filesystem::create_directories(root_ / "work");
    }
    ~scratch_dir() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    std::filesystem::path path(const std::string& name) const { return root_ / "work" / name; }
    void write(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories(path(name).parent_path());
        std::ofstream(path(name), std::ios::binary) << content;
    }
    void write(const std::string& name, const std::vector<std::uint8_t>& content) const {
        write(name, std::string(content.begin(), content.end()));
    }
    std::string read(const std::string& name) const { return read_file(path(name)); }
    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

    // Runs the built binary with `args` in the work directory.
    run_result run(const std::vector<std::string>& args = {}) const {
        std::string command = "cd " + quoted(path("")) + " && " + OSSIFY_BINARY;
        for (const std::string& arg : args)
            command += " " + quoted(arg);
        command +=
            " >" + quoted(root_ / "stdout") + " 2>" + quoted(root_ / "stderr") + " </dev/null";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(root_ / "stdout"),
                read_file(root_ / "stderr")};
    }

  private:
    static std::string quoted(const std::filesystem::path& text) {
        std::string quoted = "'";
        for (char c : text.string())
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }

    std::filesystem::path root_ = std::filesystem::temp_directory_path();
};

// Expected stdout fragments shared by the end-to-end tests.
inline const std::string banner = "\n-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+\n"
                                  " MQO convertion tool ver. 0.01 for MDM\n"
                                  "-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+\n\n";
inline const std::string all_done = "\n\n --- All done ---\n\n";

inline std::string running_mode(int mode) {
    return "Running MODE(" + std::to_string(mode) + ")\n";
}

// The lines before a file is written, and after them the success line.
inline std::string saving(const std::string& path) {
    return "\n------------------------------\n Exporting File \n"
           "------------------------------\n\nSaving Data ( " +
           path + " )...";
}
inline std::string exporting(const std::string& path, long bytes) {
    return saving(path) + "Done...[" + std::to_string(bytes) + "bytes]\n";
}

} // namespace ossify_test
