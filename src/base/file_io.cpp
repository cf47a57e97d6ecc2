#include "base/file_io.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ossify {

namespace {

std::string working_directory() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    return error ? std::string("(unknown)") : here.string();
}

} // namespace

std::string quoted_path(const char* path) {
    std::string text = "\"";
    for (const char* p = path; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += *p;
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            text += escaped;
        } else {
            text += *p;
        }
    }
    return text + '"';
}

void explain_unopened_input(const char* key, const char* path, int error) {
    if (path[0] == '\0') {
        std::fprintf(stderr,
                     "ossify: %s is not set; this job reads the file it names: add a line "
                     "%s=PATH to the configuration.\n",
                     key, key);
        return;
    }
    std::fprintf(stderr, "ossify: %s=%s cannot be opened (%s); the working directory is %s\n", key,
                 quoted_path(path).c_str(), std::strerror(error), working_directory().c_str());
}

void explain_unopened_file(const char* what, const char* path, int error) {
    std::fprintf(stderr, "ossify: %s %s cannot be opened (%s); the working directory is %s\n", what,
                 quoted_path(path).c_str(), std::strerror(error), working_directory().c_str());
}

void file_closer::operator()(std::FILE* file) const {
    std::fclose(file);
}

file_handle open_input(const char* key, const char* path) {
    errno = 0;
    file_handle file(std::fopen(path, "rb"));
    if (!file) {
        const int error = errno;
        std::printf("ERROR:Failed to open file[ %s ].\n", path);
        explain_unopened_input(key, path, error);
    }
    return file;
}

std::int64_t read_into(file_handle file, byte_region& region) {
    const std::size_t count = std::fread(region.data, 1, region.size, file.get());
    const bool failed = std::ferror(file.get()) != 0;
    file.reset();
    return failed ? -1 : static_cast<std::int64_t>(count);
}

bool read_text_file(std::FILE* file, std::string& text) {
    text.clear();
    char chunk[65536];
    for (;;) {
        const std::size_t count = std::fread(chunk, 1, sizeof chunk, file);
        text.append(chunk, count);
        if (count < sizeof chunk) break;
    }
    return std::ferror(file) == 0;
}

namespace {

// Bytes from the current position to the end, or -1 when the file cannot seek.
long remaining_size(std::FILE* file) {
    const long start = std::ftell(file);
    if (start < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, start, SEEK_SET) != 0 || end < start) return -1;
    return end - start;
}

} // namespace

std::int64_t read_whole_file(std::FILE* file, work_buffer& contents) {
    const long size = remaining_size(file);
    if (size < 0) {
        std::string text;
        if (!read_text_file(file, text)) return -1;
        contents = make_work_buffer(text.size());
        put_chars(contents.region, 0, text);
        return contents.region.fault ? -1 : static_cast<std::int64_t>(text.size());
    }
    contents = make_work_buffer(static_cast<std::size_t>(size));
    if (contents.region.data == nullptr) return -1;
    const std::size_t count = std::fread(contents.region.data, 1, contents.region.size, file);
    return std::ferror(file) != 0 ? -1 : static_cast<std::int64_t>(count);
}

int save_file(const char* path, const byte_region& data, std::int64_t length) {
    std::printf("\n------------------------------\n Exporting File \n"
                "------------------------------\n\n");
    std::printf("Saving Data ( %s )...", path);
    file_handle file(std::fopen(path, "wb"));
    if (!file) {
        std::printf("Failed to create file[ %s ].\n", path);
        return -1;
    }
    const bool in_buffer = fits(data, 0, length);
    const auto size = static_cast<std::size_t>(in_buffer ? length : 0);
    const bool written = in_buffer && std::fwrite(data.data, 1, size, file.get()) == size;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        std::printf("Failed to save file.\n");
        return -1;
    }
    std::printf("Done...[%dbytes]\n", static_cast<int>(length));
    return 1;
}

} // namespace ossify
