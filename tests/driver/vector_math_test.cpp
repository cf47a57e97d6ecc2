#include <cmath>
#include <gtest/gtest.h>

#include "driver/vector_math.hpp"

using namespace ossify;

namespace {

const mat3 counting{{1, 2, 3, 4, 5, 6, 7, 8, 9}};
const mat3 identity{{1, 0, 0, 0, 1, 0, 0, 0, 1}};

void expect_same(const mat3& a, const mat3& b) {
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(a.m[i], b.m[i]) << "element " << i;
}

} // namespace

TEST(VectorMath, TransposeTwiceIsTheInput) {
    expect_same(mat3_transpose(mat3_transpose(counting)), counting);
    EXPECT_EQ(mat3_transpose(counting).m[1], 4.0f);
}

TEST(VectorMath, MatrixTimesVectorTakesRows) {
    const vector3 a = mat3_mul_vec3(counting, {1, 0, 0});
    EXPECT_EQ(a.x, 1.0f);
    EXPECT_EQ(a.y, 2.0f);
    EXPECT_EQ(a.z, 3.0f);
    const vector3 b = mat3_mul_vec3(counting, {0, 1, 0});
    EXPECT_EQ(b.x, 4.0f);
    EXPECT_EQ(b.y, 5.0f);
    EXPECT_EQ(b.z, 6.0f);
}

TEST(VectorMath, MatrixProductIsTransposeOfBTimesA) {
    expect_same(mat3_mul(identity, counting), mat3_transpose(counting));
    expect_same(mat3_mul(counting, identity), mat3_transpose(counting));
    // (B*A)^T with A = counting, B = diag(1, 2, 3): row j of B*A is (j+1) * row j of A.
    const mat3 b{{1, 0, 0, 0, 2, 0, 0, 0, 3}};
    const mat3 c = mat3_mul(counting, b);
    expect_same(c, mat3{{1, 8, 21, 2, 10, 24, 3, 12, 27}});
}

TEST(VectorMath, PartialSumsAreRoundedToFloat) {
    // 1 + 1e-8 is lost in float32 before -1 is added; in double it would survive.
    const vector3 w = mat3_mul_vec3(mat3{{1, 0, 0, 1e-8f, 0, 0, -1, 0, 0}}, {1, 1, 1});
    EXPECT_EQ(w.x, 0.0f);
    // The sum starts at +0: a single -0 product still sums to +0.
    const vector3 z = mat3_mul_vec3(mat3{{-0.0f, 0, 0, 0, 0, 0, 0, 0, 0}}, {1, 0, 0});
    EXPECT_FALSE(std::signbit(z.x));
}

TEST(VectorMath, NormalizeRoundsEachStep) {
    const vector3 n = vec3_normalize(3, 0, 4);
    EXPECT_EQ(n.x, 0.6f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.8f);
    const vector3 zero = vec3_normalize(0, 0, 0);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
}
