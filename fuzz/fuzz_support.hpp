// Shared set-up of the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_access.hpp"

namespace ossify_fuzz {

// The tool traces every record it builds on standard output; a fuzzer run
// discards it so that the trace does not dominate the time of an execution.
void silence_stdout();

// A work buffer kept across executions and zeroed before each, as the tool's
// buffers are zero when a job starts.
struct fuzz_buffer {
    std::vector<std::uint8_t> bytes;
    ossify::byte_region region;
    explicit fuzz_buffer(std::size_t size);
    // Zero-filled again, with the first `size` bytes of `data` copied in.
    ossify::byte_region& fresh(const std::uint8_t* data = nullptr, std::size_t size = 0);
    // Zero-filled again and holding a valid MDM without surfaces or tags.
    ossify::byte_region& empty_mdm();
    // Zero-filled again and holding a valid MDX of one frame and no bones.
    ossify::byte_region& empty_mdx();
};

} // namespace ossify_fuzz
