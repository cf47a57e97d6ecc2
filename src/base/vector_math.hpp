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

// f32(f32(f32(0 + a0*b0) + a1*b1) + a2*b2), each product in double.
inline float dot3(float a0, float b0, float a1, float b1, float a2, float b2) {
    float sum = static_cast<float>(0.0 + static_cast<double>(a0) * b0);
    sum = static_cast<float>(sum + static_cast<double>(a1) * b1);
    return static_cast<float>(sum + static_cast<double>(a2) * b2);
}

// The dot product of v with each row of T: mat3_mul_vec3(M, v) is
// rows_dot_vec3(mat3_transpose(M), v), for callers that apply one matrix often
// (inline: the skinning of a mesh applies it once per vertex and bone).
inline vector3 rows_dot_vec3(const mat3& t, const vector3& v) {
    return {dot3(v.x, t.m[0], v.y, t.m[1], v.z, t.m[2]),
            dot3(v.x, t.m[3], v.y, t.m[4], v.z, t.m[5]),
            dot3(v.x, t.m[6], v.y, t.m[7], v.z, t.m[8])};
}

// C(3i+j) = A(i)*B(3j) + A(3+i)*B(3j+1) + A(6+i)*B(3j+2): the transpose of B*A.
mat3 mat3_mul(const mat3& a, const mat3& b);

// (x/L, y/L, z/L); a vector of length 0 gives (0, 0, 0).
vector3 vec3_normalize(float x, float y, float z);

// True when no component is an infinity or NaN.
inline bool is_finite(const vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace ossify
