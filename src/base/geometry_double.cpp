#include "base/geometry_double.hpp"

#include <algorithm>

namespace ossify {

double segment_distance(const dvec& p, const dvec& a, const dvec& b) {
    const dvec axis = b - a;
    const dvec d = p - a;
    const double length2 = dot(axis, axis);
    const double t = length2 > 0.0 ? std::clamp(dot(d, axis) / length2, 0.0, 1.0) : 0.0;
    const dvec off{d.x - t * axis.x, d.y - t * axis.y, d.z - t * axis.z};
    return std::sqrt(dot(off, off));
}

double triangle_distance(const dvec& p, const dvec& a, const dvec& b, const dvec& c) {
    const dvec n = cross(b - a, c - a);
    const double n2 = dot(n, n);
    if (n2 > 0.0) {
        // The foot of the perpendicular, when it falls inside, is the nearest point.
        const double h = dot(p - a, n) / n2;
        const dvec q = p - n * h;
        const bool inside = dot(cross(b - a, q - a), n) >= 0.0 &&
                            dot(cross(c - b, q - b), n) >= 0.0 &&
                            dot(cross(a - c, q - c), n) >= 0.0;
        if (inside) return std::abs(h) * std::sqrt(n2);
    }
    return std::min(
        {segment_distance(p, a, b), segment_distance(p, b, c), segment_distance(p, c, a)});
}

double solid_angle(const dvec& p, const dvec& a, const dvec& b, const dvec& c) {
    const dvec u = a - p, v = b - p, w = c - p;
    const double lu = length(u), lv = length(v), lw = length(w);
    if (lu == 0.0 || lv == 0.0 || lw == 0.0) return 0.0;
    // The formula of the tangent of half the solid angle, which stays accurate
    // for thin and far triangles.
    const double numerator = dot(u, cross(v, w));
    const double denominator = lu * lv * lw + dot(u, v) * lw + dot(v, w) * lu + dot(w, u) * lv;
    return 2.0 * std::atan2(numerator, denominator);
}

} // namespace ossify
