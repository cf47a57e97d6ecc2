// Cutting one polygon of any corner count into triangles, in the polygon's own
// plane, so that concave faces come out as the modeller draws them.
#pragma once

#include <array>
#include <vector>

#include "base/vector_math.hpp"

namespace ossify {

using corner_triangle = std::array<int, 3>;

// The Newell normal of the closed polygon `corners` (not normalised): its
// direction is the one the corner order winds about by the right-hand rule, its
// length twice the polygon's area. Zero for a collinear or empty polygon.
vector3 newell_normal(const std::vector<vector3>& corners);

// Cuts the polygon `corners` (3 or more, in winding order) into corners - 2
// triangles of corner positions, appended to `triangles`. Each triangle keeps
// the polygon's winding: its right-hand normal points the way of the polygon's
// Newell normal. Ear clipping in the plane of the Newell normal handles concave
// polygons; a polygon that cannot be clipped (collinear, a zero normal, edges
// that cross each other, corners repeated) is cut as a fan from corner 0
// instead. Returns true when the polygon was clipped, false for the fan.
// Any corner count is accepted; the work grows with its square (its cube at worst).
bool triangulate_polygon(const std::vector<vector3>& corners,
                         std::vector<corner_triangle>& triangles);

} // namespace ossify
