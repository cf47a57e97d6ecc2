#include "base/byte_access.hpp"

#include <bit>
#include <cstring>

namespace ossify {

using byte_access_detail::checked;

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

void put_u16(byte_region& region, offset_t offset, std::uint16_t value) {
    std::uint8_t* p = checked(region, offset, 2);
    if (p == nullptr) return;
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void put_i16(byte_region& region, offset_t offset, std::int16_t value) {
    put_u16(region, offset, std::bit_cast<std::uint16_t>(value));
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

std::string_view get_chars(const byte_region& region, offset_t offset, offset_t length) {
    const std::uint8_t* p = checked(region, offset, length);
    if (p == nullptr) return {};
    // Characters may view any bytes: the cast goes through void, not through a record type.
    return {static_cast<const char*>(static_cast<const void*>(p)),
            static_cast<std::size_t>(length)};
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
