#include "driver/byte_access.hpp"

#include <bit>
#include <cstring>

namespace ossify {

bool fits(const byte_region& region, offset_t offset, offset_t length) {
    if (region.data == nullptr || offset < 0 || length < 0) return false;
    const auto size = static_cast<offset_t>(region.size);
    return offset <= size && length <= size - offset;
}

namespace {

// Returns the address of a checked range, or null after marking the fault.
std::uint8_t* checked(const byte_region& region, offset_t offset, offset_t length) {
    if (!fits(region, offset, length)) {
        region.fault = true;
        return nullptr;
    }
    return region.data + offset;
}

std::uint32_t load_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void store_u32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace

std::uint8_t get_u8(const byte_region& region, offset_t offset) {
    const std::uint8_t* p = checked(region, offset, 1);
    return p == nullptr ? 0 : *p;
}

std::uint16_t get_u16(const byte_region& region, offset_t offset) {
    const std::uint8_t* p = checked(region, offset, 2);
    if (p == nullptr) return 0;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::int16_t get_i16(const byte_region& region, offset_t offset) {
    return std::bit_cast<std::int16_t>(get_u16(region, offset));
}

std::int32_t get_i32(const byte_region& region, offset_t offset) {
    const std::uint8_t* p = checked(region, offset, 4);
    return p == nullptr ? 0 : std::bit_cast<std::int32_t>(load_u32(p));
}

float get_f32(const byte_region& region, offset_t offset) {
    const std::uint8_t* p = checked(region, offset, 4);
    return p == nullptr ? 0.0f : std::bit_cast<float>(load_u32(p));
}

void put_u16(byte_region& region, offset_t offset, std::uint16_t value) {
    std::uint8_t* p = checked(region, offset, 2);
    if (p == nullptr) return;
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void put_i16(byte_region& region, offset_t offset, std::int16_t value) {
    put_u16(region, offset, std::bit_cast<std::uint16_t>(value));
}

void put_i32(byte_region& region, offset_t offset, std::int32_t value) {
    std::uint8_t* p = checked(region, offset, 4);
    if (p != nullptr) store_u32(p, std::bit_cast<std::uint32_t>(value));
}

void put_f32(byte_region& region, offset_t offset, float value) {
    std::uint8_t* p = checked(region, offset, 4);
    if (p != nullptr) store_u32(p, std::bit_cast<std::uint32_t>(value));
}

std::string get_text(const byte_region& region, offset_t offset, offset_t width) {
    const std::uint8_t* p = checked(region, offset, width);
    if (p == nullptr) return {};
    const void* end = std::memchr(p, 0, static_cast<std::size_t>(width));
    const auto length = end == nullptr
                            ? static_cast<std::size_t>(width)
                            : static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - p);
    return std::string(p, p + length);
}

void put_text(byte_region& region, offset_t offset, offset_t width, const char* text,
              bool zero_rest) {
    std::uint8_t* p = checked(region, offset, width);
    if (p == nullptr || width == 0) return;
    const auto limit = static_cast<std::size_t>(width - 1);
    std::size_t length = 0;
    while (length < limit && text[length] != '\0')
        ++length;
    std::memcpy(p, text, length);
    if (zero_rest)
        std::memset(p + length, 0, static_cast<std::size_t>(width) - length);
    else
        p[length] = 0;
}

void copy_bytes(byte_region& target, offset_t target_offset, const byte_region& source,
                offset_t source_offset, offset_t length) {
    const std::uint8_t* from = checked(source, source_offset, length);
    std::uint8_t* to = checked(target, target_offset, length);
    if (from == nullptr || to == nullptr || length == 0) return;
    std::memmove(to, from, static_cast<std::size_t>(length));
}

void fill_zero(byte_region& region, offset_t offset, offset_t length) {
    std::uint8_t* p = checked(region, offset, length);
    if (p != nullptr && length > 0) std::memset(p, 0, static_cast<std::size_t>(length));
}

void put_chars(byte_region& region, offset_t offset, std::string_view chars) {
    const auto length = static_cast<offset_t>(chars.size());
    std::uint8_t* p = checked(region, offset, length);
    if (p != nullptr && length > 0) std::memcpy(p, chars.data(), chars.size());
}

byte_region sub_region(const byte_region& region, offset_t offset, offset_t length) {
    std::uint8_t* p = checked(region, offset, length);
    byte_region view;
    if (p == nullptr) {
        view.fault = true;
        return view;
    }
    view.data = p;
    view.size = static_cast<std::size_t>(length);
    return view;
}

} // namespace ossify
