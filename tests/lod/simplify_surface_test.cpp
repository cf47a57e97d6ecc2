// The collapse order replayed with the engine's rule at every level, on
// generated surfaces: no stray or cracked triangle, no growing error, borders,
// seams and joints kept late.
#include <gtest/gtest.h>

#include "lod/lod_shapes.hpp"
#include "support/lod_properties.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

struct named_shape {
    const char* name;
    surface_geometry surface;
};

std::vector<named_shape> shapes() {
    return {{"seamed ellipsoid", seamed_ellipsoid(12, 24)},
            {"bumpy sheet", bumpy_sheet(16)},
            {"two-bone tube", two_bone_tube(10, 12)}};
}

// The render count below which the first collapse across bone sets is drawn.
std::int32_t first_joint_collapse(const surface_geometry& s, const collapse_order& lod) {
    for (auto k = static_cast<std::int32_t>(lod.order.size()) - 1; k > 0; --k) {
        const auto from = static_cast<std::size_t>(lod.order[static_cast<std::size_t>(k)]);
        const auto onto = static_cast<std::size_t>(
            lod.order[static_cast<std::size_t>(lod.collapse[static_cast<std::size_t>(k)])]);
        if (s.bone_sets[from] != s.bone_sets[onto]) return k + 1;
    }
    return 0;
}

} // namespace

TEST(SimplifySurface, EveryLevelIsSoundAndHalfTheVerticesStayClose) {
    for (const named_shape& shape : shapes()) {
        SCOPED_TRACE(shape.name);
        const collapse_order lod = simplify_surface(shape.surface);
        const auto count = static_cast<std::int32_t>(shape.surface.positions.size());
        ASSERT_EQ(lod.order.size(), shape.surface.positions.size());
        std::vector<std::int32_t> seen = lod.order;
        std::sort(seen.begin(), seen.end());
        for (std::int32_t k = 0; k < count; ++k)
            ASSERT_EQ(seen[static_cast<std::size_t>(k)], k);
        // The outline holds down to a small share of the vertices, and down to there
        // every level is sound.
        EXPECT_LT(lod.outline_kept_to, count / 5);
        const stored_surface stored = store(shape.surface, lod);
        expect_sound_levels(stored, lod.outline_kept_to);
        EXPECT_LE(worst_at_half(stored), 0.1 * surface_size(shape.surface));
    }
}

TEST(SimplifySurface, BordersSeamsAndJointsGoLast) {
    // The sheet's four corners are among the last vertices given up; its seam
    // column, whose two sides stretch the texture when either is dropped, goes
    // later than the average vertex.
    const surface_geometry sheet = bumpy_sheet(16);
    const collapse_order lod = simplify_surface(sheet);
    const std::vector<std::int32_t> stored = stored_numbers(lod);
    const auto count = static_cast<std::int32_t>(sheet.positions.size());
    for (const dvec3 corner : {dvec3{0, 0, 0}, dvec3{1, 0, 0}, dvec3{0, 1, 0}, dvec3{1, 1, 0}})
        for (std::size_t v = 0; v < sheet.positions.size(); ++v)
            if (sheet.positions[v][0] == corner[0] && sheet.positions[v][1] == corner[1]) {
                EXPECT_LT(stored[v], count / 10) << "corner " << corner[0] << " " << corner[1];
            }
    double seam_sum = 0.0;
    int seam_count = 0;
    for (std::size_t v = 0; v < sheet.positions.size(); ++v)
        if (sheet.positions[v][0] == 0.5) {
            seam_sum += stored[v];
            ++seam_count;
        }
    EXPECT_LT(seam_sum / seam_count, 0.5 * (count - 1) / 2);

    // Each half of the tube is reduced on its own before a vertex collapses
    // across the joint.
    const surface_geometry tube = two_bone_tube(10, 12);
    const collapse_order tube_lod = simplify_surface(tube);
    EXPECT_LE(first_joint_collapse(tube, tube_lod),
              static_cast<std::int32_t>(tube.positions.size()) / 4);
}

TEST(SimplifySurface, CopiesAtOnePositionMoveTogether) {
    // Every copy of a seam or pole position that is given up goes onto another
    // copy first (zero movement) until only one is left, so no level draws a
    // position half collapsed.
    const surface_geometry s = seamed_ellipsoid(8, 12);
    const collapse_order lod = simplify_surface(s);
    const stored_surface stored = store(s, lod);
    for (std::size_t k = 1; k < lod.order.size(); ++k) {
        const dvec3& here = stored.positions[k];
        const dvec3& onto = stored.positions[static_cast<std::size_t>(lod.collapse[k])];
        bool copy_left = false;
        for (std::size_t j = 0; j < k; ++j)
            copy_left = copy_left ||
                        (stored.positions[j][0] == here[0] && stored.positions[j][1] == here[1] &&
                         stored.positions[j][2] == here[2]);
        if (copy_left) {
            EXPECT_EQ(distance(here, onto), 0.0) << "stored vertex " << k;
        }
    }
}

TEST(SimplifySurface, OddInputs) {
    EXPECT_TRUE(simplify_surface({}).order.empty());
    // One vertex; unused vertices go first; triangles naming missing vertices
    // and slivers are ignored; every surface ends at vertex 0.
    surface_geometry one;
    one.positions = {{1, 2, 3}};
    EXPECT_EQ(simplify_surface(one).collapse, std::vector<std::int32_t>{0});

    surface_geometry s = two_bone_tube(4, 6);
    const auto used = static_cast<std::int32_t>(s.positions.size());
    s.positions.push_back({5, 5, 5}); // unused
    s.bone_sets.push_back({0});
    s.positions.push_back({0.3, -1, 0}); // a copy of vertex 0 on a sliver only
    s.bone_sets.push_back({0});
    s.triangles.push_back({0, used + 1, 1});
    s.triangles.push_back({0, 1, 99});
    s.triangles.push_back({-1, 0, 1});
    const collapse_order lod = simplify_surface(s);
    EXPECT_EQ(lod.order.back(), used);
    for (std::size_t k = 1; k < lod.collapse.size(); ++k)
        EXPECT_LT(lod.collapse[k], static_cast<std::int32_t>(k));
    // A flat square of four vertices and two triangles: all border.
    surface_geometry quad;
    quad.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    quad.triangles = {{0, 1, 2}, {0, 2, 3}};
    const collapse_order q = simplify_surface(quad);
    expect_sound_levels(store(quad, q), q.outline_kept_to);
}

TEST(LodLevels, MinimumRenderCountKeepsTheTolerance) {
    const surface_geometry s = seamed_ellipsoid(12, 24);
    const collapse_order lod = simplify_surface(s);
    const stored_surface stored = store(s, lod);
    const auto count = static_cast<std::int32_t>(s.positions.size());
    const double tolerance = 0.05 * surface_size(s);
    const std::int32_t lowest =
        minimum_render_count(stored.positions, stored.triangles, stored.collapse, tolerance, 0);
    EXPECT_LT(lowest, count);
    EXPECT_GT(lowest, 1);
    for (std::int32_t r = lowest; r <= count; ++r)
        EXPECT_LE(worst_displacement(stored.positions, stored.triangles, stored.collapse, r),
                  tolerance);
    EXPECT_GT(worst_displacement(stored.positions, stored.triangles, stored.collapse, lowest - 1),
              tolerance);
    // The floor holds; a tolerance of 0 keeps every vertex.
    EXPECT_EQ(minimum_render_count(stored.positions, stored.triangles, stored.collapse, 1e9, 40),
              40);
    EXPECT_EQ(minimum_render_count(stored.positions, stored.triangles, stored.collapse, -1.0, 0),
              count);
    EXPECT_EQ(render_count_of_percent(150, 100), 150);
    EXPECT_EQ(render_count_of_percent(150, 1), 2);
    EXPECT_EQ(render_count_of_percent(150, 70), 105);
}
