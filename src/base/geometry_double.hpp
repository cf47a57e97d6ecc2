// Geometry in double precision for the work that stores no float32 of its own
// (binding weights, inside tests): a plain vector and the few distances and
// angles the binders share. Every expression is evaluated left to right as
// written, a dot product (a.x·b.x + a.y·b.y) + a.z·b.z, so results agree on
// every build.
#pragma once

#include <array>
#include <cmath>

#include "base/vector_math.hpp"

namespace ossify {

struct dvec {
    double x = 0, y = 0, z = 0;
};

inline dvec to_dvec(const vector3& v) {
    return {v.x, v.y, v.z};
}
inline dvec operator+(const dvec& a, const dvec& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline dvec operator-(const dvec& a, const dvec& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline dvec operator*(const dvec& a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double dot(const dvec& a, const dvec& b) {
    return (a.x * b.x + a.y * b.y) + a.z * b.z;
}
inline dvec cross(const dvec& a, const dvec& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const dvec& a) {
    return std::sqrt(dot(a, a));
}

// Distance from p to the segment a..b; a segment of length 0 is the point a.
double segment_distance(const dvec& p, const dvec& a, const dvec& b);

// Distance from p to the closed triangle a, b, c (a degenerate triangle is
// measured along its edges).
double triangle_distance(const dvec& p, const dvec& a, const dvec& b, const dvec& c);

// The signed solid angle the triangle a, b, c subtends at p, in steradians:
// positive when the triangle winds counter-clockwise seen from p. Summed over a
// closed surface it gives 4π times the surface's winding number about p, ±4π
// inside a closed solid and 0 outside, whatever the solid's shape. 0 when p
// lies on a corner.
double solid_angle(const dvec& p, const dvec& a, const dvec& b, const dvec& c);

// Three-component vectors as arrays, for the simplifier and the posing module,
// which index their components.

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
// p × scale, each component rounded to float32 once.
inline vector3 scaled_to_float(const dvec3& p, double scale) {
    return {static_cast<float>(p[0] * scale), static_cast<float>(p[1] * scale),
            static_cast<float>(p[2] * scale)};
}
inline double distance(const dvec3& a, const dvec3& b) {
    return length(minus(a, b));
}

} // namespace ossify
