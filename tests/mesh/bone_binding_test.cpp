#include <cmath>
#include <gtest/gtest.h>

#include "driver/vector_math.hpp"
#include "mesh/bone_binding.hpp"

using namespace ossify;

namespace {

constexpr float quarter_turn = 1.5707963267948966f;

vector3 local(float roll, float pitch, float yaw, const vector3& d) {
    return mat3_mul_vec3(bone_local_rotation(roll, pitch, yaw), d);
}

} // namespace

TEST(BoneBinding, LocalPositionTurnsAgainstYaw) {
    const vector3 p = local(0, 0, quarter_turn, {1, 0, 0});
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, -1.0f, 1e-6f);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);
}

TEST(BoneBinding, LocalPositionTurnsWithPositivePitch) {
    // The rotation about y is by +pitch: (1, 0, 0) goes to (0, 0, -1), not (0, 0, 1).
    const vector3 p = local(0, quarter_turn, 0, {1, 0, 0});
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, -1.0f, 1e-6f);
}

TEST(BoneBinding, LocalPositionTurnsAgainstRoll) {
    const vector3 p = local(quarter_turn, 0, 0, {0, 1, 0});
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, -1.0f, 1e-6f);
}
