// The matrix routines, and the float32 rounding their results depend on.
#include <cmath>
#include <gtest/gtest.h>

#include "driver/vector_math.hpp"

using namespace ossify;

namespace {

void expect_same(const mat3& a, const mat3& b) {
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(a.m[i], b.m[i]) << "element " << i;
}

} // namespace

TEST(VectorMath, RowsColumnsAndProducts) {
    const mat3 counting{{1, 2, 3, 4, 5, 6, 7, 8, 9}};
    expect_same(mat3_transpose(counting), mat3{{1, 4, 7, 2, 5, 8, 3, 6, 9}});
    // A matrix times a vector takes rows: e_y picks out the second row.
    const vector3 row = mat3_mul_vec3(counting, {0, 1, 0});
    EXPECT_EQ(row.x, 4.0f);
    EXPECT_EQ(row.y, 5.0f);
    EXPECT_EQ(row.z, 6.0f);
    // mat3_mul(A, B) is (B * A)^T: with B = diag(1, 2, 3) row j of B * A is (j + 1) * row j of A.
    expect_same(mat3_mul(counting, mat3{{1, 0, 0, 0, 1, 0, 0, 0, 1}}), mat3_transpose(counting));
    expect_same(mat3_mul(counting, mat3{{1, 0, 0, 0, 2, 0, 0, 0, 3}}),
                mat3{{1, 8, 21, 2, 10, 24, 3, 12, 27}});
}

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
