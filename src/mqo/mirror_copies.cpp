#include "mqo/mirror_copies.hpp"

#include <bit>
#include <cstddef>

namespace ossify {

namespace {

float reflected(float value, bool flip) {
    // Zero stays +0: a seam vertex of a separated copy equals its source.
    return flip && value != 0.0f ? -value : value;
}

vector3 reflect(const vector3& p, int axes) {
    return {reflected(p.x, (axes & mirror_axis_x) != 0),
            reflected(p.y, (axes & mirror_axis_y) != 0),
            reflected(p.z, (axes & mirror_axis_z) != 0)};
}

// The axes of `axes` along which `p` is off its mirror plane: the reflection by
// `axes` and by these lands on the same point.
int effective_axes(const vector3& p, int axes) {
    int kept = 0;
    if ((axes & mirror_axis_x) != 0 && p.x != 0.0f) kept |= mirror_axis_x;
    if ((axes & mirror_axis_y) != 0 && p.y != 0.0f) kept |= mirror_axis_y;
    if ((axes & mirror_axis_z) != 0 && p.z != 0.0f) kept |= mirror_axis_z;
    return kept;
}

} // namespace

mirror_plan plan_mirror(const std::vector<vector3>& vertices, int axes, bool connected) {
    mirror_plan plan;
    plan.vertices = vertices;
    const int set = axes & (mirror_axis_x | mirror_axis_y | mirror_axis_z);
    std::vector<int> copy_of_axes(8, -1); // axis set -> copy number
    for (int subset = 1; subset <= set; ++subset) {
        if ((subset & ~set) != 0) continue;
        copy_of_axes[static_cast<std::size_t>(subset)] = static_cast<int>(plan.copies.size());
        plan.copies.push_back(subset);
    }
    const std::size_t count = vertices.size();
    plan.index.assign(plan.copies.size(), std::vector<int>(count, -1));
    // Copies with fewer axes come first, so a shared vertex is always made before
    // a copy with more axes looks for it.
    for (std::size_t c = 0; c < plan.copies.size(); ++c) {
        const int subset = plan.copies[c];
        for (std::size_t v = 0; v < count; ++v) {
            const int owner = connected ? effective_axes(vertices[v], subset) : subset;
            if (owner == 0) {
                plan.index[c][v] = static_cast<int>(v);
            } else if (owner != subset) {
                plan.index[c][v] = plan.index[static_cast<std::size_t>(
                    copy_of_axes[static_cast<std::size_t>(owner)])][v];
            } else {
                plan.index[c][v] = static_cast<int>(plan.vertices.size());
                plan.vertices.push_back(reflect(vertices[v], subset));
            }
        }
    }
    return plan;
}

bool mirror_reverses_winding(int copy_axes) {
    return std::popcount(static_cast<unsigned>(copy_axes & 7)) % 2 == 1;
}

} // namespace ossify
