// Times the level-of-detail order of one surface of 6,000 vertices, the most
// the engine's collapse buffer holds: an ellipsoid with a texture seam, poles
// repeated per segment and a joint around its middle, as a modeller exports it.
//
// Usage: bench_simplify [runs]   prints the best time of `runs` (default 5).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "lod/lod_levels.hpp"
#include "lod/simplify_surface.hpp"

namespace {

ossify::surface_geometry ellipsoid(int rings, int segments) {
    ossify::surface_geometry s;
    const double pi = 3.14159265358979323846;
    std::vector<std::vector<std::int32_t>> grid(static_cast<std::size_t>(rings + 1));
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j <= segments; ++j) {
            const double lat = pi * i / rings, lon = 2.0 * pi * (j % segments) / segments;
            const double r = i == 0 || i == rings ? 0.0 : std::sin(lat);
            const double bump = 1.0 + 0.05 * std::sin(7.0 * lon) * std::sin(5.0 * lat);
            s.positions.push_back(
                {bump * r * std::cos(lon), 2.0 * std::cos(lat), 0.7 * bump * r * std::sin(lon)});
            s.uvs.push_back({static_cast<float>(j) / static_cast<float>(segments),
                             static_cast<float>(i) / static_cast<float>(rings)});
            s.bone_sets.push_back({i * 2 < rings ? 1 : 0});
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

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const ossify::surface_geometry s = ellipsoid(59, 99); // 60 x 100 = 6,000 vertices
    double best = 1e9, best_cpu = 1e9;
    ossify::collapse_order lod;
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpu_start = std::clock();
        lod = ossify::simplify_surface(s);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        best_cpu = std::min(best_cpu, 1000.0 * static_cast<double>(std::clock() - cpu_start) /
                                          CLOCKS_PER_SEC);
    }
    // The processor time tells the cost on a busy machine; the wall time adds the waiting.
    std::printf("simplify_surface: %zu vertices, %zu triangles: %.1f ms (%.1f ms processor "
                "time), best of %d\n",
                s.positions.size(), s.triangles.size(), best, best_cpu, runs);
    return 0;
}
