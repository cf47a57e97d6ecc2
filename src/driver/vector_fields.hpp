// A vector3 stored as three float32 at a record offset (x, y, z).
#pragma once

#include "driver/byte_access.hpp"
#include "driver/vector_math.hpp"

namespace ossify {

inline vector3 get_vector3(const byte_region& region, offset_t offset) {
    return {get_f32(region, offset), get_f32(region, offset + 4), get_f32(region, offset + 8)};
}

inline void put_vector3(byte_region& region, offset_t offset, const vector3& v) {
    put_f32(region, offset, v.x);
    put_f32(region, offset + 4, v.y);
    put_f32(region, offset + 8, v.z);
}

} // namespace ossify
