// The float32 rounding the matrix routines' results depend on.
#include <cmath>
#include <gtest/gtest.h>

#include "base/vector_math.hpp"

using namespace ossify;

TEST(VectorMath, EveryStepIsRoundedToFloat) {
    // 1 + 1e-8 is lost in float32 before -1 is added; in double it would survive.
    EXPECT_EQ(mat3_mul_vec3(mat3{{1, 0, 0, 1e-8f, 0, 0, -1, 0, 0}}, {1, 1, 1}).x, 0.0f);
    // The sum starts at +0: a single -0 product still sums to +0.
    EXPECT_FALSE(std::signbit(mat3_mul_vec3(mat3{{-0.0f, 0, 0, 0, 0, 0, 0, 0, 0}}, {1, 0, 0}).x));
    const vector3 n = vec3_normalize(3, 0, 4);
    EXPECT_EQ(n.x, 0.6f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.8f);
    const vector3 zero = vec3_normalize(0, 0, 0);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
}
