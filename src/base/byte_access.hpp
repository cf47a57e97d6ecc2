// Bounds-checked little-endian access to the flat records the tool works on.
//
// Every file format of the tool (MDS, MDM, MDX, MD3, the parsed MQO record, the
// bone object, the mesh record) lives in a fixed, zero-filled byte buffer and is
// reached only through these routines. An access that would touch a byte outside
// the region does nothing (a read gives 0) and sets the region's sticky `fault`
// flag, so a walker over a damaged file can finish its loop and then refuse the
// result instead of reading or writing out of bounds.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ossify {

// Byte offsets and lengths are signed 64-bit so that any int32 read from a file
// (negative or huge) and any sum of two of them can be checked without overflow.
using offset_t = std::int64_t;

struct byte_region {
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
    mutable bool fault = false; // set by any access outside [0, size)
};

// True when [offset, offset + length) lies inside the region. Never sets `fault`.
inline bool fits(const byte_region& region, offset_t offset, offset_t length) {
    if (region.data == nullptr || offset < 0 || length < 0) return false;
    const auto size = static_cast<offset_t>(region.size);
    return offset <= size && length <= size - offset;
}

namespace byte_access_detail {

// The address of a checked range, or null after marking the fault.
inline std::uint8_t* checked(const byte_region& region, offset_t offset, offset_t length) {
    if (!fits(region, offset, length)) {
        region.fault = true;
        return nullptr;
    }
    return region.data + offset;
}

inline std::uint32_t load_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void store_u32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace byte_access_detail

std::uint8_t get_u8(const byte_region& region, offset_t offset);
std::int16_t get_i16(const byte_region& region, offset_t offset);
std::uint16_t get_u16(const byte_region& region, offset_t offset);

// The 32-bit accessors are inline: the mesh builder and the writers call them
// for every field of every vertex.
inline std::int32_t get_i32(const byte_region& region, offset_t offset) {
    const std::uint8_t* p = byte_access_detail::checked(region, offset, 4);
    return p == nullptr ? 0 : std::bit_cast<std::int32_t>(byte_access_detail::load_u32(p));
}

inline float get_f32(const byte_region& region, offset_t offset) {
    const std::uint8_t* p = byte_access_detail::checked(region, offset, 4);
    return p == nullptr ? 0.0f : std::bit_cast<float>(byte_access_detail::load_u32(p));
}

void put_i16(byte_region& region, offset_t offset, std::int16_t value);
void put_u16(byte_region& region, offset_t offset, std::uint16_t value);

inline void put_i32(byte_region& region, offset_t offset, std::int32_t value) {
    std::uint8_t* p = byte_access_detail::checked(region, offset, 4);
    if (p != nullptr) byte_access_detail::store_u32(p, std::bit_cast<std::uint32_t>(value));
}

inline void put_f32(byte_region& region, offset_t offset, float value) {
    std::uint8_t* p = byte_access_detail::checked(region, offset, 4);
    if (p != nullptr) byte_access_detail::store_u32(p, std::bit_cast<std::uint32_t>(value));
}

// A text field of `width` bytes: the text ends at the first NUL or at the end of
// the field, whichever comes first, so an unterminated field is still safe.
std::string get_text(const byte_region& region, offset_t offset, offset_t width);

// Stores at most width - 1 characters of `text` and a NUL. With `zero_rest` the
// remaining bytes of the field are cleared; without it they keep what they held.
void put_text(byte_region& region, offset_t offset, offset_t width, const char* text,
              bool zero_rest = true);

// Copies `length` bytes; the two ranges may overlap and may lie in one region.
void copy_bytes(byte_region& target, offset_t target_offset, const byte_region& source,
                offset_t source_offset, offset_t length);

void fill_zero(byte_region& region, offset_t offset, offset_t length);

// Writes exactly the characters of `chars` (no terminator), e.g. a 4-byte identification.
void put_chars(byte_region& region, offset_t offset, std::string_view chars);

// The `length` bytes at `offset` read as characters, e.g. a text file loaded
// into a buffer; an empty view with `fault` set when the range does not fit.
std::string_view get_chars(const byte_region& region, offset_t offset, offset_t length);

// A view of `length` bytes at `offset`; an empty view with `fault` set when the
// range does not fit (the parent's flag is set too).
byte_region sub_region(const byte_region& region, offset_t offset, offset_t length);

} // namespace ossify
