// Dividing a triangle mesh into parts that each stay within a surface's limits
// of vertices and triangles. Pure geometry over plain arrays.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/vector_math.hpp"

namespace ossify {

struct surface_limits {
    std::int32_t vertices = 0;  // distinct vertices a part may use, at least 3
    std::int32_t triangles = 0; // triangles a part may hold, at least 1
};

using triangle_corners = std::array<std::int32_t, 3>;

// Parts of the triangles (their numbers, ascending within each part), which
// together hold every triangle once. Connected pieces (triangles that share a
// vertex) are kept whole where they fit and packed together in the order of
// their first triangle; a piece beyond the limits is halved again and again
// across the longest side of the box round its triangles' centroids, so every
// part is one spatially coherent region. Each part uses at most
// `limits.vertices` distinct vertices and holds at most `limits.triangles`
// triangles. A mesh within the limits gives one part (none without triangles).
// Corners index `positions`; the result depends on nothing but the input.
std::vector<std::vector<std::int32_t>>
partition_triangles(const std::vector<triangle_corners>& triangles,
                    const std::vector<vector3>& positions, const surface_limits& limits);

} // namespace ossify
