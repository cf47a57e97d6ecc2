// The anchor solids of a rigged model: closed meshes drawn round the parts of a
// skin to say which bone each part follows. Pure geometry over plain arrays.
//
// An anchor object's faces are split by material, then into pieces connected
// through shared vertices; each piece is one solid. "Inside" is the solid's
// winding number about the point (the sum of the signed solid angles of its
// triangles over 4π), so concave solids and solids of either winding work; a
// point counts as inside when the winding number's size is at least 1/2.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/geometry_double.hpp"
#include "base/vector_math.hpp"

namespace ossify {

// A face of an anchor object: its material and corner vertex numbers. Faces of
// more than three corners are cut into triangles along their outline, as the
// reader cuts mesh faces; faces of fewer are no part of a solid.
struct solid_face {
    std::int32_t material = -1;
    std::vector<std::int32_t> corner;
};

struct anchor_solid {
    std::int32_t material = -1;
    std::vector<std::array<dvec, 3>> triangles;
    dvec centre; // the mean of its vertices
};

// The solids of one anchor object, ordered by their first face. Corners outside
// the vertex list are left out.
std::vector<anchor_solid> split_solids(std::span<const vector3> vertices,
                                       std::span<const solid_face> faces);

// The winding number of the solid's surface about p.
double winding_number(const anchor_solid& solid, const dvec& p);

bool inside_solid(const anchor_solid& solid, const dvec& p);

// The distance from p to the solid's surface (inside or out).
double surface_distance(const anchor_solid& solid, const dvec& p);

// How much of the segment a..b lies inside the solid, measured at
// `inside_samples` evenly spread points.
inline constexpr int inside_samples = 32;
double inside_length(const anchor_solid& solid, const dvec& a, const dvec& b);

} // namespace ossify
