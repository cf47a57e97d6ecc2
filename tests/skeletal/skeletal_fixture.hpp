// Shared by the skeletal tests: a file from the test-side writer placed in a
// work buffer of the driver's size, and checked as a loader checks it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "base/work_buffers.hpp"
#include "skeletal/skeletal.hpp"
#include "support/capture_stdout.hpp"
#include "support/skeletal_builder.hpp"

namespace ossify_test {

struct placed_file {
    ossify::work_buffer buffer;
    std::int32_t end = -1; // what the check returned
    std::string out;       // what the check printed
    ossify::byte_region& region() { return buffer.region; }
};

using file_check = std::int32_t (*)(const ossify::byte_region&, std::int64_t);

inline placed_file place(const bytes& file, std::size_t buffer_size, file_check check) {
    placed_file placed;
    placed.buffer = ossify::make_work_buffer(buffer_size);
    if (!file.empty())
        std::memcpy(placed.region().data, file.data(), std::min(file.size(), buffer_size));
    placed.out = capture_stdout(
        [&] { placed.end = check(placed.region(), static_cast<std::int64_t>(file.size())); });
    return placed;
}
inline placed_file place_mds(const bytes& file) {
    return place(file, ossify::mds_buffer_size, ossify::check_mds);
}
inline placed_file place_mdm(const bytes& file) {
    return place(file, ossify::mdm_buffer_size, ossify::check_mdm);
}
inline placed_file place_mdx(const bytes& file) {
    return place(file, ossify::mdx_buffer_size, ossify::check_mdx);
}

inline void patch_i32(bytes& file, ossify::offset_t at, std::int32_t value) {
    ossify::byte_region r = region_of(file);
    ossify::put_i32(r, at, value);
}
// A copy of `file` with int32 fields replaced.
inline bytes patched(bytes file,
                     std::initializer_list<std::pair<ossify::offset_t, std::int32_t>> fields) {
    for (const auto& [at, value] : fields)
        patch_i32(file, at, value);
    return file;
}
inline std::int32_t read_i32(const bytes& file, ossify::offset_t at) {
    return ossify::get_i32({const_cast<std::uint8_t*>(file.data()), file.size()}, at);
}
// The first `end` bytes of a buffer, as a file.
inline bytes first_bytes(const ossify::byte_region& r, std::int32_t end) {
    return bytes(r.data, r.data + end);
}

inline const std::string mds_valid =
    "Checking MDS Header...This MDS seems to be valid.\nMDS has been loaded.\n";
inline const std::string mdm_valid =
    "Checking MDM Header...This MDM seems to be valid.\nMDM has been loaded.\n";
inline const std::string mdx_valid =
    "Checking MDX Header...This MDX seems to be valid.\nMDX has been loaded.\n";

} // namespace ossify_test
