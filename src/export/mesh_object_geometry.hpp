// The shape of a mesh object as the level-of-detail builder takes it, and the
// order it gives the object's vertices.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"
#include "lod/simplify_surface.hpp"

namespace ossify {

// Positions as drawn, the triangles, each vertex's texture coordinates and the
// bones it follows, of the mesh object at `object` in the mesh record.
surface_geometry mesh_object_geometry(const byte_region& mesh, offset_t object);

// The largest extent of every vertex of every mesh object: the model's size.
double mesh_model_size(const byte_region& mesh);

// A mesh object's vertices in the order they are given up, the last first, with
// the triangles in that numbering and the fewest vertices it is drawn with.
struct surface_levels {
    collapse_order lod;
    std::vector<std::int32_t> stored; // input vertex number -> stored number
    std::vector<index_triangle> triangles;
    std::int32_t min_lod = 0;
};

// `min_percent` 1 to 100 sets the minimum level of detail as a share of the
// vertices; 0 takes the fewest vertices that keep every vertex within the
// default tolerance of `model_size` of its place (and the surface's outline).
surface_levels mesh_object_levels(const byte_region& mesh, offset_t object, double model_size,
                                  std::int32_t min_percent);

} // namespace ossify
