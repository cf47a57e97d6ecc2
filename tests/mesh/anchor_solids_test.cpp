// Anchor solids: the split of an anchor object into solids, and the inside test
// on a concave solid drawn with either winding.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "mesh/anchor_solids.hpp"

using namespace ossify;

namespace {

// An L-shaped prism: the outline (0,0) (4,0) (4,1) (1,1) (1,4) (0,4), from z = 0
// to z = 1; its side and cap faces as quads and hexagons. `reversed` winds every
// face the other way.
void l_prism(std::vector<vector3>& vertices, std::vector<solid_face>& faces, std::int32_t material,
             float dx, bool reversed) {
    const float outline[6][2] = {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}};
    const auto first = static_cast<std::int32_t>(vertices.size());
    for (int z = 0; z < 2; ++z)
        for (const auto& p : outline)
            vertices.push_back({p[0] + dx, p[1], static_cast<float>(z)});
    const auto add = [&](std::vector<std::int32_t> c) {
        if (reversed) std::reverse(c.begin(), c.end());
        faces.push_back({material, c});
    };
    add({first + 5, first + 4, first + 3, first + 2, first + 1, first + 0});   // bottom
    add({first + 6, first + 7, first + 8, first + 9, first + 10, first + 11}); // top
    for (std::int32_t i = 0; i < 6; ++i) {
        const std::int32_t j = (i + 1) % 6;
        add({first + i, first + j, first + 6 + j, first + 6 + i});
    }
}

} // namespace

TEST(AnchorSolids, InsideAConcaveSolidOfEitherWinding) {
    for (const bool reversed : {false, true}) {
        std::vector<vector3> v;
        std::vector<solid_face> f;
        l_prism(v, f, 0, 0, reversed);
        const std::vector<anchor_solid> solids = split_solids(v, f);
        ASSERT_EQ(solids.size(), 1u);
        const anchor_solid& s = solids[0];
        EXPECT_NEAR(std::abs(winding_number(s, {0.5, 0.5, 0.5})), 1.0, 1e-9);
        EXPECT_TRUE(inside_solid(s, {3.5, 0.5, 0.5}));  // in the foot
        EXPECT_TRUE(inside_solid(s, {0.5, 3.5, 0.5}));  // in the leg
        EXPECT_FALSE(inside_solid(s, {2.5, 2.5, 0.5})); // in the notch: inside the hull
        EXPECT_FALSE(inside_solid(s, {0.5, 0.5, 1.5}));
        EXPECT_NEAR(winding_number(s, {9, 9, 9}), 0.0, 1e-9);
        EXPECT_NEAR(surface_distance(s, {0.5, 0.5, 0.5}), 0.5, 1e-12);
        EXPECT_NEAR(surface_distance(s, {3.5, 0.5, 0.8}), 0.2, 1e-12);
        EXPECT_NEAR(surface_distance(s, {3.5, 3.5, 0.5}), 2.5, 1e-12); // to the foot's end
        // The segment across the notch runs a third of its length inside,
        // measured to within one sample.
        const double span = 3 * std::sqrt(2.0);
        EXPECT_NEAR(inside_length(s, {0.5, 3.5, 0.5}, {3.5, 0.5, 0.5}), span / 3,
                    span / inside_samples);
    }
}

TEST(AnchorSolids, SplitByMaterialThenByConnectedPieces) {
    std::vector<vector3> v;
    std::vector<solid_face> f;
    l_prism(v, f, 2, 0, false);
    l_prism(v, f, 2, 10, false); // same material, apart: a solid of its own
    l_prism(v, f, 5, 20, true);
    // Same material, sharing the first prism's vertices: joins it.
    f.push_back({2, {0, 1, 7}});
    f.push_back({2, {0, 1}});     // a line is no part of a solid
    f.push_back({2, {0, 1, 99}}); // a corner outside the list
    const std::vector<anchor_solid> solids = split_solids(v, f);
    ASSERT_EQ(solids.size(), 3u);
    EXPECT_EQ(solids[0].material, 2);
    EXPECT_EQ(solids[0].triangles.size(), 8u + 12u + 1u); // two hexagon caps, six quads, one
    EXPECT_EQ(solids[1].material, 2);
    EXPECT_EQ(solids[2].material, 5);
    EXPECT_NEAR(solids[1].centre.x, 10 + 10.0 / 6, 1e-6);
    EXPECT_TRUE(inside_solid(solids[1], {10.5, 0.5, 0.5}));
    EXPECT_FALSE(inside_solid(solids[0], {10.5, 0.5, 0.5}));
}
