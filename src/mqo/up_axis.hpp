// Turning a model drawn y-up into the engine's z-up, and back.
#pragma once

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"
#include "mqo/mqo_document.hpp"

namespace ossify {

// A model drawn y-up, facing +z (the modeller's front), turned z-up facing +x:
// (x, y, z) becomes (z, x, y). A rotation that only moves the coordinates, so
// nothing is rounded.
inline vector3 y_up_to_z_up(const vector3& p) {
    return {p.z, p.x, p.y};
}

// The way back: a z-up model facing +x turned y-up facing +z, (x, y, z)
// becomes (y, z, x), so that y_up_to_z_up gives the same numbers again.
inline std::array<float, 3> z_up_to_y_up(const std::array<float, 3>& p) {
    return {p[1], p[2], p[0]};
}

// Turns every vertex of every object of a document the way back, tag marker
// objects included; returns the number of vertices turned.
std::int32_t turn_z_up_to_y_up(mqo_document& document);

// Turns every vertex of every object of a parsed MQO record; returns the
// number of vertices turned.
std::int32_t turn_y_up_to_z_up(byte_region& mqo);

} // namespace ossify
