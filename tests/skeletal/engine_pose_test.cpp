// The engine's posing rules: rows against a hand-worked rotation, angles back
// from a rotation, chains of bones, tags placed and recovered, damaged skeletons.
#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "skeletal/engine_pose.hpp"

namespace ossify {
namespace {

constexpr double pi = std::numbers::pi;

void expect_near3(const dvec3& a, const dvec3& b, double tolerance = 1e-12) {
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(a[k], b[k], tolerance) << "component " << k;
}

TEST(EnginePose, YawTurnsForwardAboutUp) {
    const bone_rotation r = rotation_from_angles(0, pi / 2, 0);
    expect_near3(r.forward, {0, 1, 0});
    expect_near3(r.left, {-1, 0, 0});
    expect_near3(r.up, {0, 0, 1});
    expect_near3(axis_column(r, 0), {0, -1, 0});
    expect_near3(bone_to_model(r, {1, 0, 0}), {0, -1, 0});
    expect_near3(model_to_bone(r, bone_to_model(r, {1, 2, 3})), {1, 2, 3});
}

TEST(EnginePose, AnglesComeBackFromTheirRotation) {
    const double cases[][3] = {{0.3, -1.2, 2.5}, {-1.1, 3.0, -0.4}, {0, 0, 0}, {1.5, 0.2, -3.0}};
    for (const auto& c : cases) {
        const bone_angles a = angles_from_rotation(rotation_from_angles(c[0], c[1], c[2]));
        const bone_rotation back = rotation_from_angles(a.pitch, a.yaw, a.roll);
        const bone_rotation want = rotation_from_angles(c[0], c[1], c[2]);
        expect_near3(back.forward, want.forward, 1e-12);
        expect_near3(back.left, want.left, 1e-12);
        expect_near3(back.up, want.up, 1e-12);
    }
    // Straight up: the roll folds into the yaw, the rotation is unchanged.
    const bone_rotation want = rotation_from_angles(-pi / 2, 0.7, 0.3);
    const bone_angles a = angles_from_rotation(want);
    const bone_rotation back = rotation_from_angles(a.pitch, a.yaw, a.roll);
    expect_near3(back.left, want.left, 1e-7);
    expect_near3(back.up, want.up, 1e-7);
}

TEST(EnginePose, ChildSitsAlongItsOwnOffsetAngles) {
    // Listed child first: the walk must pose the parent before it.
    const std::vector<skeleton_bone> bones = {{1, 10.0}, {-1, 0}};
    std::vector<bone_angles> frame(2);
    frame[0].offset_pitch = -pi / 2; // straight up
    frame[1].yaw = 1.0;              // the parent's own rotation does not move the child
    std::vector<posed_bone> posed(2);
    ASSERT_TRUE(pose_skeleton(bones, frame, {1, 2, 3}, posed));
    expect_near3(posed[1].position, {1, 2, 3});
    expect_near3(posed[0].position, {1, 2, 13}, 1e-12);

    const engine_weight w[] = {{0, 0.5, {1, 0, 0}}, {1, 0.5, {0, 0, 0}}};
    expect_near3(skin_vertex(w, posed), {1.5, 2, 8}, 1e-12);
}

TEST(EnginePose, DamagedParentsArePosedAsRoots) {
    const std::vector<skeleton_bone> loop = {{1, 5}, {0, 5}, {7, 5}};
    std::vector<bone_angles> frame(3);
    std::vector<posed_bone> posed(3);
    EXPECT_FALSE(pose_skeleton(loop, frame, {4, 0, 0}, posed));
    for (const posed_bone& b : posed)
        EXPECT_TRUE(std::isfinite(b.position[0]));
    expect_near3(posed[2].position, {4, 0, 0});
}

TEST(EnginePose, TagOnBoneInvertsPlaceTag) {
    posed_bone bone;
    bone.position = {3, -4, 5};
    bone.rotation = rotation_from_angles(0.4, -2.0, 1.1);
    const bone_rotation axes = rotation_from_angles(-0.3, 0.9, 2.2);
    const tag_record_values rec = tag_on_bone(bone, {7, 8, 9}, axes);
    const placed_tag t = place_tag(bone, rec.offset, rec.axis);
    expect_near3(t.origin, {7, 8, 9}, 1e-12);
    expect_near3(t.axes.forward, axes.forward, 1e-12);
    expect_near3(t.axes.up, axes.up, 1e-12);
}

TEST(EnginePose, CompressedAnglesRoundAndWrap) {
    EXPECT_EQ(compress_angle(pi / 2), 16384);
    EXPECT_EQ(compress_angle(-pi / 2), -16384);
    EXPECT_EQ(compress_angle(pi), -32768);
    EXPECT_EQ(compress_angle(3 * pi / 2), -16384);
    EXPECT_EQ(compress_angle(1e-9), 0);
}

} // namespace
} // namespace ossify
