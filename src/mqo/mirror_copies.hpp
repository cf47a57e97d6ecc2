// The modeller's mirror: reflected copies of an object through the planes
// x = 0, y = 0 and z = 0 of the model.
#pragma once

#include <vector>

#include "base/vector_math.hpp"

namespace ossify {

inline constexpr int mirror_axis_x = 1, mirror_axis_y = 2, mirror_axis_z = 4;

struct mirror_plan {
    std::vector<vector3> vertices;       // the source vertices, then those of the copies
    std::vector<int> copies;             // the reflected axis sets, one per copy, in order
    std::vector<std::vector<int>> index; // index[c][v]: vertex of copy c standing for source v
};

// One copy for every non-empty subset of the axis bits in `axes` (1 x, 2 y,
// 4 z; other bits are ignored), each reflecting every listed axis. With
// `connected`, a copy reuses the vertex of the source (or of a copy with fewer
// axes) wherever the reflection lands on the same point, i.e. for vertices on a
// mirror plane; otherwise every copy has vertices of its own.
mirror_plan plan_mirror(const std::vector<vector3>& vertices, int axes, bool connected);

// A copy reflected through an odd number of planes turns its faces inside out
// unless their corner order is reversed.
bool mirror_reverses_winding(int copy_axes);

} // namespace ossify
