// Roles of a marker triangle's corners, and angles from forward and up directions.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "skeleton/orientation.hpp"
#include "support/capture_stdout.hpp"

using namespace ossify;
using ossify_test::capture_stdout;

namespace {

std::uint32_t bits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

} // namespace

TEST(AssignVertexRoles, SameRolesInEveryCornerOrderAndTiesToTheLastRule) {
    // Origin 7 opposite the longest edge, forward 8 along the middle one, up 9
    // closing the shortest one.
    const vector3 corner[3] = {{1, 1, 1}, {11, 1, 1}, {1, 3, 1}};
    std::array<int, 3> order = {0, 1, 2};
    do {
        const vertex_roles r =
            assign_vertex_roles(corner[order[0]], corner[order[1]], corner[order[2]], 7 + order[0],
                                7 + order[1], 7 + order[2]);
        EXPECT_EQ(r.origin, 7);
        EXPECT_EQ(r.forward, 8);
        EXPECT_EQ(r.up, 9);
    } while (std::next_permutation(order.begin(), order.end()));
    // Equal edges go to the last rule that holds.
    const vertex_roles equilateral = assign_vertex_roles({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 0, 1, 2);
    EXPECT_EQ(equilateral.origin, 2);
    EXPECT_EQ(equilateral.forward, 0);
    EXPECT_EQ(equilateral.up, 1);
    const vertex_roles isosceles = assign_vertex_roles({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0, 1, 2);
    EXPECT_EQ(isosceles.origin, 0); // d01 = d02 < d12
    EXPECT_EQ(isosceles.forward, 1);
    EXPECT_EQ(isosceles.up, 2);
}

// Each pair of directions against the bits of the three angles.
TEST(ExamAngles, AnglesOfForwardAndUp) {
    const auto quarter = static_cast<float>(-M_PI / 2);
    // F = +x and U in the y-z plane with U.y < 0: Roll = asin(-U.z) before the
    // turn, 0.5 here, and 3.14 - 0.5 after it.
    const auto turned =
        static_cast<float>(3.14 - static_cast<float>(std::asin(static_cast<float>(std::sin(0.5)))));
    const vector3 tilted{0, static_cast<float>(-std::cos(0.5)), static_cast<float>(-std::sin(0.5))};
    const struct {
        vector3 forward, up;
        float roll, pitch, yaw;
    } cases[] = {
        {{5, 0, 0}, {0, 2, 0}, 0.0f, -0.0f, 0.0f},
        {{0, 3, 0}, {-1, 0, 0}, -0.0f, -0.0f, quarter}, // asin(C.y) with C.y = -0
        {{1, 0, 0}, {0, 0, 4}, quarter, -0.0f, 0.0f},
        {{1, 0, 0}, tilted, turned, -0.0f, 0.0f},
        // C = (1, 0, 0): Pitch = -asin(1) in float, whose cosine is about -4.37e-8,
        // not 0, so Yaw = atan2(-0, -0) = -pi.
        {{0, 1, 0},
         {0, 0, 1},
         -0.0f,
         static_cast<float>(-std::asin(1.0)),
         static_cast<float>(-M_PI)},
        // Zero-length directions give angles 0; without that these would give Yaw
        // -pi/2, pi and 0.
        {{0, 0, 0}, {-1, 0, 0}, 0.0f, 0.0f, 0.0f},
        {{-2, 0, 0}, {0, 0, 0}, 0.0f, 0.0f, 0.0f},
        {{}, {}, 0.0f, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        bone_angles a;
        const std::string out =
            capture_stdout([&] { a = exam_angles_from_vectors({}, c.forward, c.up); });
        SCOPED_TRACE(out);
        EXPECT_EQ(bits(a.roll), bits(c.roll));
        EXPECT_EQ(bits(a.pitch), bits(c.pitch));
        EXPECT_EQ(bits(a.yaw), bits(c.yaw));
        const auto zero = [](const vector3& v) { return v.x == 0 && v.y == 0 && v.z == 0; };
        if (zero(c.forward) || zero(c.up)) {
            EXPECT_NE(out.find("Pitch[0.000000] Yaw[0.000000] Roll[0.000000]"), std::string::npos);
        }
    }
}

TEST(ExamAngles, TraceShowsDegreesOf314) {
    // The degree line divides by 3.14, so the quarter turn shows as -90.046.
    EXPECT_EQ(capture_stdout([] {
                  exam_angles_from_vectors({}, {0, 3, 0}, {-1, 0, 0});
              }),
              "exam_angles_from_vectors : Forward[0.000000 1.000000 0.000000] "
              "Up[-1.000000 0.000000 0.000000] Cross[0.000000 -0.000000 1.000000] "
              "Det[0.000000]\n"
              "exam_angles_from_vectors : Forward[-1.000000 -0.000000 0.000000] "
              "Up[0.000000 -1.000000 0.000000]\n"
              "exam_angles_from_vectors : Pitch[-0.000000] Yaw[-90.045652] "
              "Roll[-0.000000] Det[0.000000]\n");
}

