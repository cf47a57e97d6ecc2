// The engine measures in a tenth of the modeller's unit: weight offsets, tag
// offsets and bone distances written from an MQO model are scaled by 0.1f.
#pragma once

#include "base/vector_math.hpp"

namespace ossify {

inline constexpr float engine_scale = 0.1f;

// f32(0.1f · length), the product in double.
inline float to_engine(float length) {
    return static_cast<float>(static_cast<double>(engine_scale) * length);
}

inline vector3 to_engine(const vector3& v) {
    return {to_engine(v.x), to_engine(v.y), to_engine(v.z)};
}

} // namespace ossify
