// Levels of detail for one surface: the order in which its vertices are given
// up and the neighbour each one collapses onto, so that drawing only the first
// vertices (each later one moved onto the vertex it collapses onto) gives the
// surface at a coarser level.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/geometry_double.hpp"
#include "skeletal/collapse_replay.hpp"

namespace ossify {

// One surface as plain arrays. `uvs` and `bone_sets` may be empty; otherwise
// they hold one entry per vertex (a bone set lists the bones a vertex follows,
// in increasing order).
struct surface_geometry {
    std::vector<dvec3> positions;
    std::vector<index_triangle> triangles;
    std::vector<std::array<float, 2>> uvs;
    std::vector<std::vector<std::int32_t>> bone_sets;
};

// Stored vertex k is input vertex `order[k]`; `collapse[k]` is the stored vertex
// it collapses onto: collapse[0] = 0 and collapse[k] < k for every k >= 1.
struct collapse_order {
    std::vector<std::int32_t> order;
    std::vector<std::int32_t> collapse;
    // Drawing at least this many vertices, no collapse has changed the
    // surface's outline or folded it (0: none ever does).
    std::int32_t outline_kept_to = 0;
};

// Removes one vertex at a time by a half-edge collapse onto a neighbour, the
// cheapest first (quadric error of the planes around both ends, plus the
// stretch of the texture coordinates), and returns the vertices in reverse
// order of removal. Vertices at one position are removed together, each onto
// the one that goes last, so no crack opens at any level. Within each of these
// tiers, a collapse is chosen only when no cheaper tier is left:
//   0: both ends follow the same bones;
//   1: the ends follow different bones (the reduced surface would tear at the joint);
//   2: the collapse changes the surface's outline or folds it: it takes a border
//      vertex off its border, breaks the surface's connectivity or turns a
//      triangle over.
// Ties go to the lower vertex number. Unused vertices go first.
collapse_order simplify_surface(const surface_geometry& surface);

// The input vertex number -> stored number table of an order.
std::vector<std::int32_t> stored_numbers(const collapse_order& lod);

} // namespace ossify
