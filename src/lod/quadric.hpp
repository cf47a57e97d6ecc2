// The error quadric of a set of planes: Q(p) is the sum over the planes of
// weight * (distance of p from the plane)^2.
#pragma once

#include "base/geometry_double.hpp"

namespace ossify {

struct quadric {
    // a: the symmetric 3x3 part (xx, xy, xz, yy, yz, zz); b: the linear part; c: the constant.
    double a[6] = {};
    double b[3] = {};
    double c = 0.0;
};

// The plane through `point` with unit `normal`, weighted by `weight`.
inline quadric plane_quadric(const dvec3& normal, const dvec3& point, double weight) {
    const double d = -dot(normal, point);
    quadric q;
    q.a[0] = weight * normal[0] * normal[0];
    q.a[1] = weight * normal[0] * normal[1];
    q.a[2] = weight * normal[0] * normal[2];
    q.a[3] = weight * normal[1] * normal[1];
    q.a[4] = weight * normal[1] * normal[2];
    q.a[5] = weight * normal[2] * normal[2];
    q.b[0] = weight * normal[0] * d;
    q.b[1] = weight * normal[1] * d;
    q.b[2] = weight * normal[2] * d;
    q.c = weight * d * d;
    return q;
}

inline void add_to(quadric& sum, const quadric& q) {
    for (int i = 0; i < 6; ++i)
        sum.a[i] += q.a[i];
    for (int i = 0; i < 3; ++i)
        sum.b[i] += q.b[i];
    sum.c += q.c;
}

inline double evaluate(const quadric& q, const dvec3& p) {
    const double quad = q.a[0] * p[0] * p[0] + 2.0 * q.a[1] * p[0] * p[1] +
                        2.0 * q.a[2] * p[0] * p[2] + q.a[3] * p[1] * p[1] +
                        2.0 * q.a[4] * p[1] * p[2] + q.a[5] * p[2] * p[2];
    const double linear = 2.0 * (q.b[0] * p[0] + q.b[1] * p[1] + q.b[2] * p[2]);
    return quad + linear + q.c;
}

} // namespace ossify
