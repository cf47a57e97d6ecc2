// A vector3 stored as three float32 at a record offset (x, y, z).
#pragma once

#include <bit>

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"

namespace ossify {

// A float32[3] and the byte offsets of its y and z elements.
inline constexpr offset_t vec3_size = 12;
inline constexpr offset_t vec3_y = 4;
inline constexpr offset_t vec3_z = 8;

// The three fields are checked as one range: a vector that does not fit whole
// reads as (0, 0, 0), or is not written, and marks the region's fault.
inline vector3 get_vector3(const byte_region& region, offset_t offset) {
    using namespace byte_access_detail;
    const std::uint8_t* p = checked(region, offset, vec3_size);
    if (p == nullptr) return {};
    return {std::bit_cast<float>(load_u32(p)), std::bit_cast<float>(load_u32(p + vec3_y)),
            std::bit_cast<float>(load_u32(p + vec3_z))};
}

inline void put_vector3(byte_region& region, offset_t offset, const vector3& v) {
    using namespace byte_access_detail;
    std::uint8_t* p = checked(region, offset, vec3_size);
    if (p == nullptr) return;
    store_u32(p, std::bit_cast<std::uint32_t>(v.x));
    store_u32(p + vec3_y, std::bit_cast<std::uint32_t>(v.y));
    store_u32(p + vec3_z, std::bit_cast<std::uint32_t>(v.z));
}

} // namespace ossify
