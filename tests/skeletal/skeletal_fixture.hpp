// Shared by the skeletal tests: a file from the test-side writer placed in a
// work buffer of the driver's size, and checked as a loader checks it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "driver/work_buffer.hpp"
#include "driver/work_buffers.hpp"
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
    const std::size_t count = std::min(file.size(), buffer_size);
    if (count > 0) std::memcpy(placed.buffer.region.data, file.data(), count);
    placed.out = capture_stdout(
        [&] { placed.end = check(placed.buffer.region, static_cast<std::int64_t>(file.size())); });
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

inline std::int32_t read_i32(bytes& file, ossify::offset_t at) {
    return ossify::get_i32(region_of(file), at);
}

// What a check prints for `file` with one int32 field replaced.
inline std::string patched_check(bytes file, ossify::offset_t at, std::int32_t value,
                                 placed_file (*place_file)(const bytes&)) {
    patch_i32(file, at, value);
    return place_file(file).out;
}

inline const std::string mds_valid =
    "Checking MDS Header...This MDS seems to be valid.\nMDS has been loaded.\n";

} // namespace ossify_test
