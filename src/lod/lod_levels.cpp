#include "lod/lod_levels.hpp"

#include <algorithm>

namespace ossify {

namespace {

std::vector<char> used_vertices(std::size_t count, std::span<const index_triangle> triangles) {
    std::vector<char> used(count, 0);
    for (const index_triangle& t : triangles)
        for (std::int32_t v : t)
            if (v >= 0 && static_cast<std::size_t>(v) < count)
                used[static_cast<std::size_t>(v)] = 1;
    return used;
}

double worst_of(std::span<const dvec3> positions, const std::vector<char>& used,
                std::span<const std::int32_t> collapse, std::int32_t render_count) {
    const std::vector<std::int32_t> drawn = engine_collapse_array(collapse, render_count);
    double worst = 0.0;
    for (std::size_t j = static_cast<std::size_t>(std::max(render_count, 0)); j < drawn.size();
         ++j) {
        if (!used[j] || drawn[j] < 0) continue;
        worst =
            std::max(worst, distance(positions[j], positions[static_cast<std::size_t>(drawn[j])]));
    }
    return worst;
}

} // namespace

double worst_displacement(std::span<const dvec3> positions,
                          std::span<const index_triangle> triangles,
                          std::span<const std::int32_t> collapse, std::int32_t render_count) {
    return worst_of(positions, used_vertices(positions.size(), triangles), collapse, render_count);
}

std::int32_t minimum_render_count(std::span<const dvec3> positions,
                                  std::span<const index_triangle> triangles,
                                  std::span<const std::int32_t> collapse, double tolerance,
                                  std::int32_t floor) {
    const auto count = static_cast<std::int32_t>(positions.size());
    const std::vector<char> used = used_vertices(positions.size(), triangles);
    std::int32_t lowest = count;
    while (lowest > std::max(floor, 1) &&
           worst_of(positions, used, collapse, lowest - 1) <= tolerance)
        --lowest;
    return std::min(lowest, count);
}

std::int32_t render_count_of_percent(std::int32_t vertex_count, std::int32_t percent) {
    const std::int64_t share =
        static_cast<std::int64_t>(vertex_count) * std::clamp(percent, 0, 100);
    return static_cast<std::int32_t>((share + 99) / 100);
}

} // namespace ossify
