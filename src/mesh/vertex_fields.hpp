// The geometry every mesh object builder writes the same way: face normals,
// the header's bounds and radius, and a vertex's smoothed normal with its angles.
#pragma once

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"

namespace ossify {

// The unit normal of triangle A, B, C: (C - B) x (B - A), normalised, each
// difference and cross-product component rounded to float32.
vector3 face_normal(const vector3& a, const vector3& b, const vector3& c);

// Widens the bounding box and radius of the mesh header to cover `p`.
void widen_bounds(byte_region& mesh, const vector3& p);

// The vertex normal (the normalised `sum` of its face normals) and its azimuth
// and zenith. A zero sum keeps the zero normal with both angles 0.
void write_vertex_normal(byte_region& mesh, offset_t vertex, const vector3& sum);

} // namespace ossify
