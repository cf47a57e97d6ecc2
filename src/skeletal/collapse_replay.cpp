#include "skeletal/collapse_replay.hpp"

#include <algorithm>

namespace ossify {

std::vector<std::int32_t> engine_collapse_array(std::span<const std::int32_t> map,
                                                std::int32_t render_count) {
    const auto count = static_cast<std::int32_t>(map.size());
    const std::int32_t kept = std::clamp(render_count, 0, count);
    std::vector<std::int32_t> collapse(map.size(), -1);
    for (std::int32_t i = 0; i < kept; ++i)
        collapse[static_cast<std::size_t>(i)] = i;
    for (std::int32_t j = kept; j < count; ++j) {
        const std::int32_t to = map[static_cast<std::size_t>(j)];
        if (to >= 0 && to < j)
            collapse[static_cast<std::size_t>(j)] = collapse[static_cast<std::size_t>(to)];
    }
    return collapse;
}

std::vector<index_triangle> replay_collapse_map(std::span<const std::int32_t> map,
                                                std::span<const index_triangle> triangles,
                                                std::int32_t render_count,
                                                std::vector<std::int32_t>* drawn_numbers) {
    if (drawn_numbers != nullptr) drawn_numbers->clear();
    const std::vector<std::int32_t> collapse = engine_collapse_array(map, render_count);
    const auto count = static_cast<std::int32_t>(map.size());
    std::vector<index_triangle> drawn;
    drawn.reserve(triangles.size());
    for (std::size_t n = 0; n < triangles.size(); ++n) {
        const index_triangle& t = triangles[n];
        index_triangle corners{};
        for (std::size_t c = 0; c < 3; ++c)
            corners[c] = t[c] >= 0 && t[c] < count ? collapse[static_cast<std::size_t>(t[c])] : -1;
        const bool stray = corners[0] < 0 || corners[1] < 0 || corners[2] < 0;
        if (stray ||
            (corners[0] != corners[1] && corners[1] != corners[2] && corners[0] != corners[2])) {
            drawn.push_back(corners);
            if (drawn_numbers != nullptr) drawn_numbers->push_back(static_cast<std::int32_t>(n));
        }
    }
    return drawn;
}

std::int32_t engine_render_count(std::int32_t vertex_count, float lod, std::int32_t min_lod) {
    auto count = static_cast<std::int32_t>(static_cast<float>(vertex_count) * lod);
    count = std::max(count, min_lod);
    return std::clamp(count, 0, vertex_count);
}

} // namespace ossify
