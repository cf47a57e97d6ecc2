// Roles of a marker triangle's corners, angles from forward and up directions,
// and the rotation rows built from the angles.
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

struct oriented {
    bone_angles angles;
    std::string out;
};

// Angles of the frame from the origin towards `forward` and `up`.
oriented orient(const vector3& forward, const vector3& up) {
    oriented o;
    o.out = capture_stdout([&] { o.angles = exam_angles_from_vectors({}, forward, up); });
    return o;
}

std::uint32_t bits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

void expect_identity_rows(const bone_angles& angles) {
    const rotation_rows rows = rotation_rows_from_angles(angles);
    EXPECT_EQ(rows.rmw1.x, 1.0f);
    EXPECT_EQ(rows.rmw1.y, 0.0f);
    EXPECT_EQ(rows.rmw1.z, 0.0f);
    EXPECT_EQ(rows.rmw2.x, 0.0f);
    EXPECT_EQ(rows.rmw2.y, 1.0f);
    EXPECT_EQ(rows.rmw2.z, 0.0f);
    EXPECT_EQ(rows.rmw3.x, 0.0f);
    EXPECT_EQ(rows.rmw3.y, 0.0f);
    EXPECT_EQ(rows.rmw3.z, 1.0f);
}

} // namespace

TEST(AssignVertexRoles, SameRolesInEveryCornerOrder) {
    // Origin 7 opposite the longest edge, forward 8 along the middle one, up 9
    // closing the shortest one.
    const vector3 corner[3] = {{1, 1, 1}, {11, 1, 1}, {1, 3, 1}};
    std::array<int, 3> order = {0, 1, 2};
    int orders = 0;
    do {
        const vertex_roles r =
            assign_vertex_roles(corner[order[0]], corner[order[1]], corner[order[2]], 7 + order[0],
                                7 + order[1], 7 + order[2]);
        EXPECT_EQ(r.origin, 7);
        EXPECT_EQ(r.forward, 8);
        EXPECT_EQ(r.up, 9);
        ++orders;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(orders, 6);
}

TEST(AssignVertexRoles, EqualEdgesGoToTheLastRuleThatHolds) {
    const vertex_roles equilateral = assign_vertex_roles({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 0, 1, 2);
    EXPECT_EQ(equilateral.origin, 2);
    EXPECT_EQ(equilateral.forward, 0);
    EXPECT_EQ(equilateral.up, 1);
    // d01 = d02 < d12.
    const vertex_roles isosceles = assign_vertex_roles({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0, 1, 2);
    EXPECT_EQ(isosceles.origin, 0);
    EXPECT_EQ(isosceles.forward, 1);
    EXPECT_EQ(isosceles.up, 2);
}

TEST(ExamAngles, ForwardXUpYIsTheIdentity) {
    const oriented o = orient({5, 0, 0}, {0, 2, 0});
    EXPECT_EQ(o.angles.roll, 0.0f);
    EXPECT_EQ(o.angles.pitch, 0.0f);
    EXPECT_EQ(o.angles.yaw, 0.0f);
    expect_identity_rows(o.angles);
}

TEST(ExamAngles, ForwardYUpMinusXIsAQuarterTurnOfYaw) {
    const oriented o = orient({0, 3, 0}, {-1, 0, 0});
    EXPECT_EQ(o.angles.yaw, static_cast<float>(-M_PI / 2));
    EXPECT_EQ(o.angles.pitch, 0.0f);
    EXPECT_EQ(bits(o.angles.roll), bits(-0.0f)); // asin(C.y) with C.y = -0
    // The degree line divides by 3.14, so the quarter turn shows as -90.046.
    EXPECT_EQ(o.out, "exam_angles_from_vectors : Forward[0.000000 1.000000 0.000000] "
                     "Up[-1.000000 0.000000 0.000000] Cross[0.000000 -0.000000 1.000000] "
                     "Det[0.000000]\n"
                     "exam_angles_from_vectors : Forward[-1.000000 -0.000000 0.000000] "
                     "Up[0.000000 -1.000000 0.000000]\n"
                     "exam_angles_from_vectors : Pitch[-0.000000] Yaw[-90.045652] "
                     "Roll[-0.000000] Det[0.000000]\n");
}

TEST(ExamAngles, ForwardXUpZIsAQuarterTurnOfRoll) {
    const oriented o = orient({1, 0, 0}, {0, 0, 4});
    EXPECT_EQ(o.angles.roll, static_cast<float>(-M_PI / 2));
    EXPECT_EQ(o.angles.pitch, 0.0f);
    EXPECT_EQ(o.angles.yaw, 0.0f);
}

TEST(ExamAngles, NegativeCrossZTurnsRollAbout314) {
    // F = +x and U in the y-z plane with U.y < 0: Roll = asin(-U.z) before the
    // turn, 0.5 here, and 3.14 - 0.5 after it.
    const oriented o = orient(
        {1, 0, 0}, {0, static_cast<float>(-std::cos(0.5)), static_cast<float>(-std::sin(0.5))});
    EXPECT_NEAR(o.angles.roll, 2.64f, 1e-6f);
    EXPECT_EQ(o.angles.roll, static_cast<float>(3.14 - static_cast<float>(std::asin(
                                                           static_cast<float>(std::sin(0.5))))));
}

TEST(ExamAngles, ForwardYUpZMissesTheZeroCosineBranch) {
    // C = (1, 0, 0): Pitch = -asin(1) in float, whose cosine is about -4.37e-8,
    // not 0, so Yaw = atan2(-0, -0) = -pi.
    const oriented o = orient({0, 1, 0}, {0, 0, 1});
    const auto pitch = static_cast<float>(-std::asin(1.0));
    EXPECT_EQ(bits(o.angles.pitch), bits(pitch));
    EXPECT_LT(std::cos(static_cast<double>(pitch)), 0.0);
    EXPECT_EQ(bits(o.angles.yaw), bits(static_cast<float>(-M_PI)));
    EXPECT_EQ(bits(o.angles.roll), bits(-0.0f));
}

TEST(ExamAngles, ZeroLengthDirectionsGiveAnglesZero) {
    // Without the fixed orientation these would give Yaw -pi/2, pi and 0.
    const vector3 cases[][2] = {{{0, 0, 0}, {-1, 0, 0}}, {{-2, 0, 0}, {0, 0, 0}}, {{}, {}}};
    for (const auto& c : cases) {
        const oriented o = orient(c[0], c[1]);
        EXPECT_EQ(bits(o.angles.roll), 0u);
        EXPECT_EQ(bits(o.angles.pitch), 0u);
        EXPECT_EQ(bits(o.angles.yaw), 0u);
        EXPECT_NE(o.out.find("Pitch[0.000000] Yaw[0.000000] Roll[0.000000]"), std::string::npos)
            << o.out;
        expect_identity_rows(o.angles);
    }
}

TEST(RotationRows, MatchTheClosedForms) {
    const bone_angles a{0.3f, -0.7f, 1.2f};
    const rotation_rows rows = rotation_rows_from_angles(a);
    const double cr = std::cos(a.roll), sr = std::sin(a.roll);
    const double cp = std::cos(a.pitch), sp = std::sin(a.pitch);
    const double cy = std::cos(a.yaw), sy = std::sin(a.yaw);
    EXPECT_NEAR(rows.rmw1.x, cy * cp, 1e-6);
    EXPECT_NEAR(rows.rmw1.y, sy * cp, 1e-6);
    EXPECT_NEAR(rows.rmw1.z, -sp, 1e-6);
    EXPECT_NEAR(rows.rmw2.x, cy * sp * sr - sy * cr, 1e-6);
    EXPECT_NEAR(rows.rmw2.y, sy * sp * sr + cy * cr, 1e-6);
    EXPECT_NEAR(rows.rmw2.z, cp * sr, 1e-6);
    EXPECT_NEAR(rows.rmw3.x, cy * sp * cr + sy * sr, 1e-6);
    EXPECT_NEAR(rows.rmw3.y, sy * sp * cr - cy * sr, 1e-6);
    EXPECT_NEAR(rows.rmw3.z, cp * cr, 1e-6);
}
