#include "base/vector_math.hpp"

#include <cmath>

namespace ossify {

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
