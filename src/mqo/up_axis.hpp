// Turning a model drawn y-up into the engine's z-up.
#pragma once

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"

namespace ossify {

// A model drawn y-up, facing +z (the modeller's front), turned z-up facing +x:
// (x, y, z) becomes (z, x, y). A rotation that only moves the coordinates, so
// nothing is rounded.
inline vector3 y_up_to_z_up(const vector3& p) {
    return {p.z, p.x, p.y};
}

// Turns every vertex of every object of a parsed MQO record; returns the
// number of vertices turned.
std::int32_t turn_y_up_to_z_up(byte_region& mqo);

} // namespace ossify
