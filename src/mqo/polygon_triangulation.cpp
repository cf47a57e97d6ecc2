#include "mqo/polygon_triangulation.hpp"

#include <cmath>
#include <cstddef>

namespace ossify {

namespace {

struct point2 {
    double x, y;
};

// Twice the signed area of a, b, c: positive when they turn left.
double turn(const point2& a, const point2& b, const point2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Projects the corners onto the plane of `normal`, in a basis whose third axis
// is the normal, so that the polygon winds counter-clockwise in 2D.
std::vector<point2> project(const std::vector<vector3>& corners, const vector3& normal) {
    const double nx = normal.x, ny = normal.y, nz = normal.z;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    const double n[3] = {nx / length, ny / length, nz / length};
    // Any axis not parallel to the normal gives the first in-plane direction.
    double a[3] = {1, 0, 0};
    if (std::fabs(n[0]) > 0.6) a[0] = 0, a[1] = 1;
    const double d = a[0] * n[0] + a[1] * n[1] + a[2] * n[2];
    double u[3] = {a[0] - d * n[0], a[1] - d * n[1], a[2] - d * n[2]};
    const double ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (double& c : u)
        c /= ul;
    const double v[3] = {n[1] * u[2] - n[2] * u[1], n[2] * u[0] - n[0] * u[2],
                         n[0] * u[1] - n[1] * u[0]};
    std::vector<point2> flat;
    flat.reserve(corners.size());
    for (const vector3& p : corners) {
        const double q[3] = {p.x, p.y, p.z};
        flat.push_back(
            {q[0] * u[0] + q[1] * u[1] + q[2] * u[2], q[0] * v[0] + q[1] * v[1] + q[2] * v[2]});
    }
    return flat;
}

bool same_point(const point2& a, const point2& b) {
    return a.x == b.x && a.y == b.y;
}

// True when segments p1-p2 and q1-q2 share a point.
bool segments_meet(const point2& p1, const point2& p2, const point2& q1, const point2& q2) {
    const double d1 = turn(q1, q2, p1), d2 = turn(q1, q2, p2);
    const double d3 = turn(p1, p2, q1), d4 = turn(p1, p2, q2);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    const auto on = [](const point2& a, const point2& b, const point2& c, double t) {
        return t == 0 && std::fmin(a.x, b.x) <= c.x && c.x <= std::fmax(a.x, b.x) &&
               std::fmin(a.y, b.y) <= c.y && c.y <= std::fmax(a.y, b.y);
    };
    return on(q1, q2, p1, d1) || on(q1, q2, p2, d2) || on(p1, p2, q1, d3) || on(p1, p2, q2, d4);
}

// A polygon whose edges cross or touch away from their shared corners has no
// inside for the clipper to follow.
bool is_simple(const std::vector<point2>& flat) {
    const std::size_t n = flat.size();
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            if (same_point(flat[i], flat[j])) return false;
            const bool adjacent = j == i + 1 || (i == 0 && j == n - 1);
            if (!adjacent && segments_meet(flat[i], flat[(i + 1) % n], flat[j], flat[(j + 1) % n]))
                return false;
        }
    return true;
}

// True when p lies inside or on triangle a, b, c (counter-clockwise).
bool inside(const point2& a, const point2& b, const point2& c, const point2& p) {
    return turn(a, b, p) >= 0 && turn(b, c, p) >= 0 && turn(c, a, p) >= 0;
}

bool clip_ears(const std::vector<point2>& flat, std::vector<corner_triangle>& triangles) {
    const auto at = [&](int i) -> const point2& { return flat[static_cast<std::size_t>(i)]; };
    std::vector<int> ring;
    for (int i = 0; i < static_cast<int>(flat.size()); ++i)
        ring.push_back(i);
    const std::size_t first = triangles.size();
    std::size_t start = 0; // the search goes on where the last ear was cut
    while (ring.size() > 3) {
        const std::size_t n = ring.size();
        bool clipped = false;
        for (std::size_t step = 0; step < n && !clipped; ++step) {
            const std::size_t k = (start + step) % n;
            const int a = ring[(k + n - 1) % n], b = ring[k], c = ring[(k + 1) % n];
            const point2 &pa = at(a), &pb = at(b), &pc = at(c);
            if (turn(pa, pb, pc) <= 0) continue; // reflex or straight
            bool empty = true;
            for (std::size_t m = 0; m < n && empty; ++m) {
                const int p = ring[m];
                if (p != a && p != b && p != c && inside(pa, pb, pc, at(p))) empty = false;
            }
            if (!empty) continue;
            triangles.push_back({a, b, c});
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(k));
            start = k;
            clipped = true;
        }
        if (!clipped) {
            triangles.resize(first);
            return false;
        }
    }
    triangles.push_back({ring[0], ring[1], ring[2]});
    return true;
}

} // namespace

vector3 newell_normal(const std::vector<vector3>& corners) {
    double n[3] = {0, 0, 0};
    const std::size_t count = corners.size();
    for (std::size_t i = 0; i < count; ++i) {
        const vector3& p = corners[i];
        const vector3& q = corners[(i + 1) % count];
        n[0] += (static_cast<double>(p.y) - q.y) * (static_cast<double>(p.z) + q.z);
        n[1] += (static_cast<double>(p.z) - q.z) * (static_cast<double>(p.x) + q.x);
        n[2] += (static_cast<double>(p.x) - q.x) * (static_cast<double>(p.y) + q.y);
    }
    return {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])};
}

bool triangulate_polygon(const std::vector<vector3>& corners,
                         std::vector<corner_triangle>& triangles) {
    const int n = static_cast<int>(corners.size());
    if (n < 3) return false;
    const vector3 normal = newell_normal(corners);
    const bool flat_normal = normal.x == 0.0f && normal.y == 0.0f && normal.z == 0.0f;
    if (!flat_normal && std::isfinite(normal.x) && std::isfinite(normal.y) &&
        std::isfinite(normal.z)) {
        const std::vector<point2> flat = project(corners, normal);
        if (is_simple(flat) && clip_ears(flat, triangles)) return true;
    }
    for (int i = 1; i + 1 < n; ++i)
        triangles.push_back({0, i, i + 1});
    return false;
}

} // namespace ossify
