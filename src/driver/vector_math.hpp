// Small vector and matrix routines of float32 with a fixed rounding order:
// products in double, every partial sum rounded to float32, so every caller gets
// the same bits on every build.
//
// Both products work on the transpose of their first matrix (see each routine).
#pragma once

#include <cmath>

namespace ossify {

struct vector3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// Three rows of three: row r is m[3r], m[3r+1], m[3r+2].
struct mat3 {
    float m[9] = {};
};

mat3 mat3_transpose(const mat3& a);

// w = v.x * row 0 + v.y * row 1 + v.z * row 2 of M.
vector3 mat3_mul_vec3(const mat3& m, const vector3& v);

// C(3i+j) = A(i)*B(3j) + A(3+i)*B(3j+1) + A(6+i)*B(3j+2): the transpose of B*A.
mat3 mat3_mul(const mat3& a, const mat3& b);

// (x/L, y/L, z/L); a vector of length 0 gives (0, 0, 0).
vector3 vec3_normalize(float x, float y, float z);

// True when no component is an infinity or NaN.
inline bool is_finite(const vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace ossify
