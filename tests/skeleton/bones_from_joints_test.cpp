// The bone object of a glTF skeleton: its bone frames are the joints' frames,
// as the mesh builder binds vertices in them, and its limits.
#include <cmath>
#include <gtest/gtest.h>

#include "base/work_buffers.hpp"
#include "mesh/bone_binding.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/bones_from_joints.hpp"
#include "support/capture_stdout.hpp"

namespace ossify_test {
namespace {

using namespace ossify;

// The rotation of a unit quaternion, rows as bone_rotation.
bone_rotation rotation_of(double x, double y, double z, double w) {
    const double n = std::sqrt(x * x + y * y + z * z + w * w);
    x /= n, y /= n, z /= n, w /= n;
    return {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
}

TEST(BonesFromJoints, EveryBoneFrameHasItsJointsAxes) {
    // Turns of every kind, the near-vertical ones where yaw meets ±90 degrees included.
    const double turns[][4] = {{0, 0, 0, 1},
                               {0.3, -0.2, 0.9, 0.1},
                               {1, 2, 3, 4},
                               {-0.7, 0.1, 0.2, 0.6},
                               {0, 0, 0.7071068, 0.7071068},
                               {0.5, 0.5, 0.5, 0.5},
                               {0, 0, 1, 0},
                               {1, 0, 0, 0}};
    std::vector<imported_joint> joints;
    for (const auto& q : turns)
        joints.push_back(
            {"j", joints.empty() ? -1 : 0, {1, 2, 3}, rotation_of(q[0], q[1], q[2], q[3])});
    work_buffer bones = make_work_buffer(bone_buffer_size);
    std::int32_t size = 0;
    capture_stdout([&] { size = build_bones_from_joints(bones.region, joints, 10.0); });
    ASSERT_GT(size, 0);
    const std::vector<bone_frame> frames =
        bone_frames(bones.region, static_cast<std::int32_t>(joints.size()));
    for (std::size_t b = 0; b < joints.size(); ++b) {
        EXPECT_FLOAT_EQ(frames[b].origin.x, 10);
        EXPECT_FLOAT_EQ(frames[b].origin.z, 30);
        for (int j = 0; j < 3; ++j) {
            const dvec3 axis = axis_column(joints[b].axes, j);
            const vector3 local =
                in_bone_frame(frames[b], {static_cast<float>(axis[0]), static_cast<float>(axis[1]),
                                          static_cast<float>(axis[2])});
            EXPECT_NEAR(local.x, j == 0, 1e-6) << b << " axis " << j;
            EXPECT_NEAR(local.y, j == 1, 1e-6) << b << " axis " << j;
            EXPECT_NEAR(local.z, j == 2, 1e-6) << b << " axis " << j;
        }
    }
    // Parents, ancestors (root first) and distances in the modeller's unit.
    EXPECT_EQ(get_i32(bones.region, bone_record_at(3) + bone_record::parent), 0);
    EXPECT_EQ(get_i32(bones.region, bone_record_at(3) + bone_record::num_bone_tree), 1);
    EXPECT_EQ(get_f32(bones.region, bone_record_at(3) + bone_record::parent_distance), 0);
}

TEST(BonesFromJoints, MoreBonesThanAnMdmNumbersAreRefused) {
    std::vector<imported_joint> joints(129, imported_joint{"j", -1, {}, {}});
    work_buffer bones = make_work_buffer(bone_buffer_size);
    std::int32_t size = 0;
    const std::string out =
        capture_stdout([&] { size = build_bones_from_joints(bones.region, joints, 10.0); });
    EXPECT_EQ(size, -1);
    EXPECT_NE(out.find("build_bones_from_gltf : NumBone[129] is not 1 to 128"), std::string::npos);
}

} // namespace
} // namespace ossify_test
