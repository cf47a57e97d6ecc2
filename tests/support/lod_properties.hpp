// The properties every level of a collapse order must have, checked by
// replaying the engine's rule at each render count.
#pragma once

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <tuple>
#include <vector>

#include "lod/lod_levels.hpp"
#include "lod/simplify_surface.hpp"
#include "skeletal/collapse_replay.hpp"

namespace ossify_test {

// A surface in the order the simplifier stores it.
struct stored_surface {
    std::vector<ossify::dvec3> positions;
    std::vector<ossify::index_triangle> triangles;
    std::vector<std::int32_t> collapse;
};

inline stored_surface store(const ossify::surface_geometry& s, const ossify::collapse_order& lod) {
    stored_surface out;
    const std::vector<std::int32_t> stored = ossify::stored_numbers(lod);
    for (std::int32_t v : lod.order)
        out.positions.push_back(s.positions[static_cast<std::size_t>(v)]);
    for (const auto& t : s.triangles)
        out.triangles.push_back({stored[static_cast<std::size_t>(t[0])],
                                 stored[static_cast<std::size_t>(t[1])],
                                 stored[static_cast<std::size_t>(t[2])]});
    out.collapse = lod.collapse;
    return out;
}

// Edges used by exactly one drawn triangle, between positions (vertices at one
// position count as one, so a texture seam is no open edge).
inline int open_edges(const stored_surface& s, const std::vector<ossify::index_triangle>& drawn) {
    using point = std::tuple<double, double, double>;
    std::map<std::pair<point, point>, int> uses;
    for (const auto& t : drawn)
        for (std::size_t c = 0; c < 3; ++c) {
            const auto& a = s.positions[static_cast<std::size_t>(t[c])];
            const auto& b = s.positions[static_cast<std::size_t>(t[(c + 1) % 3])];
            point p{a[0] + 0.0, a[1] + 0.0, a[2] + 0.0}, q{b[0] + 0.0, b[1] + 0.0, b[2] + 0.0};
            if (p == q) continue;
            ++uses[std::minmax(p, q)];
        }
    return static_cast<int>(
        std::count_if(uses.begin(), uses.end(), [](const auto& e) { return e.second == 1; }));
}

// At every render count from `lowest` to full: the drawn triangles use only the
// first render_count vertices, open no edge the full surface does not have,
// and the worst displacement never grows with the render count.
inline void expect_sound_levels(const stored_surface& s, std::int32_t lowest) {
    const auto count = static_cast<std::int32_t>(s.positions.size());
    ASSERT_EQ(s.collapse.size(), s.positions.size());
    if (count > 0) {
        EXPECT_EQ(s.collapse[0], 0);
    }
    for (std::int32_t j = 1; j < count; ++j)
        ASSERT_LT(s.collapse[static_cast<std::size_t>(j)], j) << "vertex " << j;
    const int full_open = open_edges(s, s.triangles);
    double previous = 0.0;
    for (std::int32_t r = count; r >= std::max(lowest, 1); --r) {
        const auto drawn = ossify::replay_collapse_map(s.collapse, s.triangles, r);
        for (const auto& t : drawn)
            for (std::int32_t v : t) {
                ASSERT_GE(v, 0) << "render count " << r;
                ASSERT_LT(v, r) << "render count " << r;
            }
        ASSERT_LE(open_edges(s, drawn), full_open) << "render count " << r;
        const double worst = ossify::worst_displacement(s.positions, s.triangles, s.collapse, r);
        ASSERT_GE(worst, previous) << "render count " << r;
        previous = worst;
    }
}

inline double worst_at_half(const stored_surface& s) {
    return ossify::worst_displacement(s.positions, s.triangles, s.collapse,
                                      static_cast<std::int32_t>(s.positions.size() / 2));
}

} // namespace ossify_test
