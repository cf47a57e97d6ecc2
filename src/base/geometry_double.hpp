// Three-component vectors in double precision, for geometry that measures and
// compares rather than stores (the stored records keep float32 and the rounding
// rules of vector_math.hpp). Every expression is evaluated left to right as
// written, a dot product (a0·b0 + a1·b1) + a2·b2.
#pragma once

#include <array>
#include <cmath>

namespace ossify {

using dvec3 = std::array<double, 3>;

inline dvec3 plus(const dvec3& a, const dvec3& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
inline dvec3 minus(const dvec3& a, const dvec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline dvec3 scaled(const dvec3& a, double s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
inline double dot(const dvec3& a, const dvec3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline dvec3 cross(const dvec3& a, const dvec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double length(const dvec3& a) {
    return std::sqrt(dot(a, a));
}
inline double distance(const dvec3& a, const dvec3& b) {
    return length(minus(a, b));
}

} // namespace ossify
