// Dividing triangles into parts within a surface's limits, on small meshes.
#include <gtest/gtest.h>
#include <numeric>
#include <set>

#include "mesh/surface_partition.hpp"

using namespace ossify;

namespace {

// `count` separate triangles in a row, each of its own three vertices.
void add_separate_triangles(int count, std::vector<triangle_corners>& triangles,
                            std::vector<vector3>& positions) {
    for (int i = 0; i < count; ++i) {
        const auto base = static_cast<std::int32_t>(positions.size());
        const auto x = static_cast<float>(3 * i);
        positions.insert(positions.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
        triangles.push_back({base, base + 1, base + 2});
    }
}

// A strip of `squares` squares, two triangles each, along x.
void add_strip(int squares, std::vector<triangle_corners>& triangles,
               std::vector<vector3>& positions) {
    const auto base = static_cast<std::int32_t>(positions.size());
    for (int i = 0; i <= squares; ++i) {
        positions.push_back({static_cast<float>(i), 0, 5});
        positions.push_back({static_cast<float>(i), 1, 5});
    }
    for (std::int32_t i = 0; i < squares; ++i) {
        const std::int32_t a = base + 2 * i;
        triangles.push_back({a, a + 2, a + 1});
        triangles.push_back({a + 1, a + 2, a + 3});
    }
}

std::set<std::int32_t> vertices_of(const std::vector<std::int32_t>& part,
                                   const std::vector<triangle_corners>& triangles) {
    std::set<std::int32_t> used;
    for (const std::int32_t t : part)
        used.insert(triangles[static_cast<std::size_t>(t)].begin(),
                    triangles[static_cast<std::size_t>(t)].end());
    return used;
}

} // namespace

TEST(SurfacePartition, EveryTriangleOnceAndEveryPartWithinTheLimits) {
    std::vector<triangle_corners> triangles;
    std::vector<vector3> positions;
    add_strip(300, triangles, positions);             // 602 vertices, 600 triangles
    add_separate_triangles(25, triangles, positions); // 75 vertices
    add_strip(10, triangles, positions);              // 22 vertices
    for (const surface_limits limits : {surface_limits{100, 1000}, surface_limits{1000, 64},
                                        surface_limits{3, 1}, surface_limits{700, 700}}) {
        SCOPED_TRACE(limits.vertices);
        const auto parts = partition_triangles(triangles, positions, limits);
        std::vector<std::int32_t> all;
        for (const auto& part : parts) {
            EXPECT_TRUE(std::is_sorted(part.begin(), part.end()));
            EXPECT_LE(static_cast<std::int32_t>(part.size()), limits.triangles);
            EXPECT_LE(static_cast<std::int32_t>(vertices_of(part, triangles).size()),
                      limits.vertices);
            all.insert(all.end(), part.begin(), part.end());
        }
        std::sort(all.begin(), all.end());
        std::vector<std::int32_t> expected(triangles.size());
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(all, expected);
        if (limits.vertices == 700) {
            EXPECT_EQ(parts.size(), 1u); // 699 vertices: nothing to divide
        }
    }
}

// Pieces that fit stay whole and are packed together; only the piece beyond
// the limits is halved, into runs of the strip that are each contiguous.
TEST(SurfacePartition, WholePiecesFirstThenCoherentHalves) {
    std::vector<triangle_corners> triangles;
    std::vector<vector3> positions;
    add_separate_triangles(10, triangles, positions); // triangles 0..9
    add_strip(100, triangles, positions);             // triangles 10..209, 202 vertices
    const auto parts = partition_triangles(triangles, positions, {60, 1000});
    // The ten lone triangles (30 vertices) share the first part.
    for (std::int32_t t = 0; t < 10; ++t)
        EXPECT_TRUE(std::find(parts[0].begin(), parts[0].end(), t) != parts[0].end());
    // Every part of the strip is one run of squares along x.
    for (const auto& part : parts) {
        std::vector<std::int32_t> strip;
        for (const std::int32_t t : part)
            if (t >= 10) strip.push_back(t);
        for (std::size_t i = 1; i < strip.size(); ++i)
            EXPECT_EQ(strip[i], strip[i - 1] + 1);
    }
    EXPECT_LE(parts.size(), 6u); // 202 vertices in parts of at most 60: four or five
    EXPECT_TRUE(partition_triangles({}, positions, {60, 1000}).empty());
}
