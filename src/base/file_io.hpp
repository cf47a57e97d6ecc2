// Opening input files and saving work buffers: the two file routines every job uses.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "base/byte_access.hpp"
#include "base/work_buffer.hpp"

namespace ossify {

struct file_closer {
    void operator()(std::FILE* file) const;
};
using file_handle = std::unique_ptr<std::FILE, file_closer>;

// Opens `path`, the value of the configuration key `key`, read-only in binary
// mode; on failure prints "ERROR:Failed to open file[ path ]." and explains on
// standard error (explain_unopened_input), and returns an empty handle.
file_handle open_input(const char* key, const char* path);

// Says on standard error that the file named by configuration key `key` cannot
// be opened, with `error` (an errno value): the key, the path as read in quotes
// (blanks and control characters show) and the working directory, or that the
// key is not set when the path is empty.
void explain_unopened_input(const char* key, const char* path, int error);

// `path` in double quotes, with quotes, backslashes and control characters escaped.
std::string quoted_path(const char* path);

// The same as explain_unopened_input for a file that no key names, such as
// the configuration file itself; `what` names it.
void explain_unopened_file(const char* what, const char* path, int error);

// Reads up to region.size bytes into the region in one read and closes the file.
// Returns the number of bytes read, or -1 when the read reports an error.
std::int64_t read_into(file_handle file, byte_region& region);

// Reads a whole text file (as raw bytes) into `text`; false on a read error.
bool read_text_file(std::FILE* file, std::string& text);

// Reads the rest of a file into a fresh work buffer of its size (large pages
// where the system has them, so a file of megabytes costs a handful of page
// faults). A file whose size cannot be told beforehand, such as a pipe, is read
// as text first. Returns the number of bytes read, or -1 on a read error.
std::int64_t read_whole_file(std::FILE* file, work_buffer& contents);

// Writes the first `length` bytes of `data` to `path`, replacing any older file.
// Returns 1, or -1 after printing why.
int save_file(const char* path, const byte_region& data, std::int64_t length);

} // namespace ossify
