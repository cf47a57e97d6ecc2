// Cutting polygons into triangles and mirroring vertex lists, on hand-drawn
// polygons: every result is checked by its properties (count, area, winding,
// each corner used), not by the order of the triangles.
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

#include "mqo/mirror_copies.hpp"
#include "mqo/polygon_triangulation.hpp"

using namespace ossify;

namespace {

double length(const vector3& v) {
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

// A polygon from 2D points, lifted and tilted so that the clipper must find
// the plane itself.
std::vector<vector3> polygon(const std::vector<std::pair<double, double>>& points) {
    std::vector<vector3> corners;
    for (const auto& [x, y] : points)
        corners.push_back({float(x), float(0.6 * y), float(0.8 * y + 5)});
    return corners;
}

struct cut {
    std::vector<corner_triangle> triangles;
    bool clipped = false;
    explicit cut(const std::vector<vector3>& corners)
        : clipped(triangulate_polygon(corners, triangles)) {}
};

// Corners - 2 triangles of valid, distinct corners; for a simple polygon their
// areas sum to the polygon's and each winds the polygon's way.
void expect_sound(const std::vector<vector3>& corners, const cut& c) {
    const int n = static_cast<int>(corners.size());
    ASSERT_EQ(static_cast<int>(c.triangles.size()), n - 2);
    std::vector<int> used(static_cast<std::size_t>(n), 0);
    const vector3 normal = newell_normal(corners);
    double area = 0;
    for (const corner_triangle& t : c.triangles) {
        for (const int k : t) {
            ASSERT_TRUE(k >= 0 && k < n);
            ++used[static_cast<std::size_t>(k)];
        }
        EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);
        const auto corner = [&](int k) { return corners[static_cast<std::size_t>(k)]; };
        const vector3 tn = newell_normal({corner(t[0]), corner(t[1]), corner(t[2])});
        if (c.clipped) {
            EXPECT_GE(double(tn.x) * normal.x + double(tn.y) * normal.y + double(tn.z) * normal.z,
                      0.0);
        }
        area += length(tn) / 2;
    }
    for (const int u : used)
        EXPECT_GE(u, 1); // every corner is part of the cut
    if (c.clipped) {
        EXPECT_NEAR(area, length(normal) / 2, 1e-5 * area);
    }
}

} // namespace

TEST(TriangulatePolygon, ClipsConvexAndConcaveOutlines) {
    std::vector<std::pair<double, double>> cap;
    for (int k = 0; k < 40; ++k)
        cap.push_back({10 * std::cos(2 * std::numbers::pi * k / 40),
                       10 * std::sin(2 * std::numbers::pi * k / 40)});
    std::vector<std::pair<double, double>> star; // ten points, five of them reflex
    for (int k = 0; k < 10; ++k) {
        const double r = k % 2 == 0 ? 10 : 3, a = std::numbers::pi * k / 5;
        star.push_back({r * std::cos(a), r * std::sin(a)});
    }
    const std::vector<std::vector<std::pair<double, double>>> outlines = {
        {{0, 0}, {4, 0}, {4, 4}, {2, 1}, {0, 4}, {-1, 2}},                // concave hexagon
        {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 2}, {3, 2}, {3, 3}, {0, 3}}, // a C
        {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}}, // a corner on a straight edge
        cap,
        star,
    };
    for (const auto& outline : outlines) {
        SCOPED_TRACE(outline.size());
        for (bool reversed : {false, true}) {
            auto points = outline;
            if (reversed) std::reverse(points.begin(), points.end());
            const std::vector<vector3> corners = polygon(points);
            const cut c(corners);
            EXPECT_TRUE(c.clipped);
            expect_sound(corners, c);
        }
    }
}

// Outlines without an inside to follow are cut as fans from corner 0 and
// reported as such; the count of triangles stays corners - 2.
TEST(TriangulatePolygon, FallsBackToAFan) {
    const std::vector<std::vector<vector3>> cases = {
        polygon({{0, 0}, {2, 2}, {2, 0}, {0, 2}}),                    // a bow tie
        polygon({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {2, -2}, {2, 6}}),   // edges crossing
        {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}},                 // collinear
        {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}},      // one point
        polygon({{0, 0}, {2, 0}, {2, 2}, {0, 0}, {-2, 0}, {-2, -2}}), // a repeated corner
    };
    for (const auto& corners : cases) {
        SCOPED_TRACE(corners.size());
        const cut c(corners);
        EXPECT_FALSE(c.clipped);
        expect_sound(corners, c);
        for (std::size_t k = 0; k < c.triangles.size(); ++k)
            EXPECT_EQ(c.triangles[k], (corner_triangle{0, int(k) + 1, int(k) + 2}));
    }
}

TEST(PlanMirror, OneCopyPerAxisSetSharingSeamVerticesWhenConnected) {
    // On the y plane, on the z plane, on both, and off both.
    const std::vector<vector3> source = {{1, 0, 2}, {1, 3, 0}, {1, 0, 0}, {1, 3, 2}};
    const struct {
        int axes;
        bool connected;
        std::vector<int> copies;
        std::size_t vertices;
    } cases[] = {
        {6, false, {2, 4, 6}, 16},
        {6, true, {2, 4, 6}, 4 + 2 + 2 + 1}, // copy y: 1 and 3; z: 0 and 3; yz: 3 only
        {1, true, {1}, 8},                   // no vertex lies on x = 0
        {0, true, {}, 4},
        {8 | 2, false, {2}, 8}, // unknown bits are ignored
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.axes);
        const mirror_plan plan = plan_mirror(source, c.axes, c.connected);
        EXPECT_EQ(plan.copies, c.copies);
        EXPECT_EQ(plan.vertices.size(), c.vertices);
        for (std::size_t k = 0; k < plan.copies.size(); ++k) {
            const int a = plan.copies[k];
            for (std::size_t v = 0; v < source.size(); ++v) {
                // Whatever vertex stands for v, it lies at v's reflection.
                const vector3 p = plan.vertices[static_cast<std::size_t>(plan.index[k][v])];
                EXPECT_EQ(p.x, (a & 1) ? -source[v].x : source[v].x);
                EXPECT_EQ(p.y, (a & 2) ? -source[v].y : source[v].y);
                EXPECT_EQ(p.z, (a & 4) ? -source[v].z : source[v].z);
            }
        }
    }
    EXPECT_TRUE(mirror_reverses_winding(4));
    EXPECT_FALSE(mirror_reverses_winding(6));
    EXPECT_TRUE(mirror_reverses_winding(7));
}
