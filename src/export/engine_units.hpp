// The engine measures in a tenth of the modeller's unit: weight offsets, tag
// offsets and bone distances written from an MQO model are scaled by 0.1f, and
// models written back for the modeller by 10.
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

// The way back, for models written for the modeller: ten modeller units to one
// engine unit, f32(10 · length) from the engine's double.
inline constexpr double modeller_units_per_engine_unit = 10.0;

inline float to_modeller(double length) {
    return static_cast<float>(modeller_units_per_engine_unit * length);
}

} // namespace ossify
