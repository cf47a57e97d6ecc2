// The bone-local position of a point: it turns against yaw and roll, with pitch.
#include <gtest/gtest.h>

#include "driver/vector_math.hpp"
#include "mesh/bone_binding.hpp"

using namespace ossify;

TEST(BoneBinding, LocalPositionTurnsAgainstYawAndRollWithPitch) {
    constexpr float quarter = 1.5707963267948966f;
    const struct {
        float roll, pitch, yaw;
        vector3 point, local;
    } cases[] = {
        {0, 0, quarter, {1, 0, 0}, {0, -1, 0}},
        {0, quarter, 0, {1, 0, 0}, {0, 0, -1}}, // +pitch about y: not (0, 0, 1)
        {quarter, 0, 0, {0, 1, 0}, {0, 0, -1}},
    };
    for (const auto& c : cases) {
        const vector3 p = mat3_mul_vec3(bone_local_rotation(c.roll, c.pitch, c.yaw), c.point);
        EXPECT_NEAR(p.x, c.local.x, 1e-6f);
        EXPECT_NEAR(p.y, c.local.y, 1e-6f);
        EXPECT_NEAR(p.z, c.local.z, 1e-6f);
    }
}
