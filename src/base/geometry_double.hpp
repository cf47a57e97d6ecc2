// Three-component vectors in double precision, for geometry that measures and
// compares rather than stores (the stored records keep float32 and the rounding
// rules of vector_math.hpp).
#pragma once

#include <cmath>

namespace ossify {

struct dvec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

inline dvec3 operator+(const dvec3& a, const dvec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline dvec3 operator-(const dvec3& a, const dvec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline dvec3 operator*(double s, const dvec3& a) {
    return {s * a.x, s * a.y, s * a.z};
}
inline double dot(const dvec3& a, const dvec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline dvec3 cross(const dvec3& a, const dvec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const dvec3& a) {
    return std::sqrt(dot(a, a));
}
inline double distance(const dvec3& a, const dvec3& b) {
    return length(a - b);
}

} // namespace ossify
