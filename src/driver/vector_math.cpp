#include "driver/vector_math.hpp"

#include <cmath>

namespace ossify {

namespace {

// f32(f32(f32(0 + a0*b0) + a1*b1) + a2*b2), each product in double.
float dot3(float a0, float b0, float a1, float b1, float a2, float b2) {
    float sum = static_cast<float>(0.0 + static_cast<double>(a0) * b0);
    sum = static_cast<float>(sum + static_cast<double>(a1) * b1);
    return static_cast<float>(sum + static_cast<double>(a2) * b2);
}

} // namespace

mat3 mat3_transpose(const mat3& a) {
    mat3 t;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            t.m[3 * r + c] = a.m[3 * c + r];
    return t;
}

vector3 mat3_mul_vec3(const mat3& m, const vector3& v) {
    return rows_dot_vec3(mat3_transpose(m), v);
}

vector3 rows_dot_vec3(const mat3& t, const vector3& v) {
    return {dot3(v.x, t.m[0], v.y, t.m[1], v.z, t.m[2]),
            dot3(v.x, t.m[3], v.y, t.m[4], v.z, t.m[5]),
            dot3(v.x, t.m[6], v.y, t.m[7], v.z, t.m[8])};
}

mat3 mat3_mul(const mat3& a, const mat3& b) {
    const mat3 t = mat3_transpose(a);
    mat3 c;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            c.m[3 * i + j] = dot3(t.m[3 * i], b.m[3 * j], t.m[3 * i + 1], b.m[3 * j + 1],
                                  t.m[3 * i + 2], b.m[3 * j + 2]);
    return c;
}

vector3 vec3_normalize(float x, float y, float z) {
    float s = static_cast<float>(static_cast<double>(x) * x);
    s = static_cast<float>(s + static_cast<double>(y) * y);
    s = static_cast<float>(s + static_cast<double>(z) * z);
    const auto length = static_cast<float>(std::sqrt(static_cast<double>(s)));
    if (length == 0.0f) return {};
    return {static_cast<float>(x / static_cast<double>(length)),
            static_cast<float>(y / static_cast<double>(length)),
            static_cast<float>(z / static_cast<double>(length))};
}

} // namespace ossify
