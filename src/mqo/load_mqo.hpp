// The MQO reader: turns the text of an MQO model into the parsed-MQO record
// (`mqoobj`, mqo_record.hpp) in a zero-filled buffer.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/byte_access.hpp"

namespace ossify {

// Prints the reader's banner, reads the file at `path` and parses it into `mqo`.
// Returns MQOSIZE, the number of bytes to save, or -1 after a refusal.
std::int32_t Load_MQO(const char* path, byte_region& mqo);

// The same for a text already in memory, without the banner: everything Load_MQO
// prints after opening the file. `mqo` must be zero-filled; its size is the
// limit the record must fit.
std::int32_t load_mqo_text(std::string_view text, byte_region& mqo);

} // namespace ossify
