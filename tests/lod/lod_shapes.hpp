// Generated surfaces for the level-of-detail tests: closed, open, seamed and
// skinned, with exactly repeated positions where a texture seam splits them.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "lod/simplify_surface.hpp"

namespace ossify_test {

// An ellipsoid of `rings` latitude bands and `segments` longitudes, its texture
// seam along longitude 0 and one copy of each pole per segment (as a modeller
// exports it). The upper half follows bone 1, the lower bone 0.
inline ossify::surface_geometry seamed_ellipsoid(int rings, int segments) {
    ossify::surface_geometry s;
    const double pi = 3.14159265358979323846;
    const auto at = [&](int i, int j) {
        const double lat = pi * i / rings, lon = 2.0 * pi * (j % segments) / segments;
        const double r = i == 0 || i == rings ? 0.0 : std::sin(lat);
        return ossify::dvec3{r * std::cos(lon), 2.0 * std::cos(lat), 0.7 * r * std::sin(lon)};
    };
    std::vector<std::vector<std::int32_t>> grid(static_cast<std::size_t>(rings + 1));
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j <= segments; ++j) {
            const bool pole = i == 0 || i == rings;
            const ossify::dvec3 p = at(i, j);
            const float u =
                (static_cast<float>(j) + (pole ? 0.5f : 0.0f)) / static_cast<float>(segments);
            s.positions.push_back(p);
            s.uvs.push_back({u, static_cast<float>(i) / static_cast<float>(rings)});
            s.bone_sets.push_back({p[1] > 0.0 ? 1 : 0});
            grid[static_cast<std::size_t>(i)].push_back(
                static_cast<std::int32_t>(s.positions.size() - 1));
        }
    const auto v = [&](int i, int j) {
        return grid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            if (i > 0) s.triangles.push_back({v(i, j), v(i, j + 1), v(i + 1, j)});
            if (i + 1 < rings) s.triangles.push_back({v(i, j + 1), v(i + 1, j + 1), v(i + 1, j)});
        }
    return s;
}

// A square sheet of n x n quads over [0, 1]^2 with gentle bumps, open all
// round, its texture split down the middle column (the column is repeated).
inline ossify::surface_geometry bumpy_sheet(int n) {
    ossify::surface_geometry s;
    const int half = n / 2;
    std::vector<std::int32_t> left(static_cast<std::size_t>((n + 1) * (n + 1)));
    std::vector<std::int32_t> right = left;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) {
            const double px = static_cast<double>(x) / n, py = static_cast<double>(y) / n;
            const ossify::dvec3 p{px, py, 0.05 * std::sin(6.0 * px) * std::cos(5.0 * py)};
            const auto k = static_cast<std::size_t>(y * (n + 1) + x);
            const auto add = [&](float u) {
                s.positions.push_back(p);
                s.uvs.push_back({u, static_cast<float>(py)});
                s.bone_sets.push_back({0});
                return static_cast<std::int32_t>(s.positions.size() - 1);
            };
            left[k] = add(static_cast<float>(px) * 0.4f);
            right[k] = x == half ? add(0.6f + static_cast<float>(px) * 0.4f) : left[k];
        }
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const auto& side = x < half ? left : right;
            const auto c = [&](int dx, int dy) {
                return side[static_cast<std::size_t>((y + dy) * (n + 1) + x + dx)];
            };
            s.triangles.push_back({c(0, 0), c(1, 0), c(1, 1)});
            s.triangles.push_back({c(0, 0), c(1, 1), c(0, 1)});
        }
    return s;
}

// An open tube along y from -1 to 1 of `rings` rings: below y = 0 it follows
// bone 0, above it bone 1.
inline ossify::surface_geometry two_bone_tube(int rings, int segments) {
    ossify::surface_geometry s;
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double y = -1.0 + 2.0 * i / (rings - 1), a = 2.0 * pi * j / segments;
            s.positions.push_back({0.3 * std::cos(a), y, 0.3 * std::sin(a)});
            s.bone_sets.push_back({y > 0.0 ? 1 : 0});
        }
    const auto v = [&](int i, int j) { return i * segments + j % segments; };
    for (int i = 0; i + 1 < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            s.triangles.push_back({v(i, j), v(i + 1, j), v(i, j + 1)});
            s.triangles.push_back({v(i, j + 1), v(i + 1, j), v(i + 1, j + 1)});
        }
    return s;
}

// The largest extent of a surface's positions.
inline double surface_size(const ossify::surface_geometry& s) {
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (const auto& p : s.positions) {
        const double c[3] = {p[0], p[1], p[2]};
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], c[k]);
            hi[k] = std::max(hi[k], c[k]);
        }
    }
    return std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
}

} // namespace ossify_test
