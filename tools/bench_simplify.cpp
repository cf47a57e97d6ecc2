// Times the level-of-detail order of one surface of 6,000 vertices, the most
// the engine's collapse buffer holds: the tests' ellipsoid with a texture seam,
// poles repeated per segment and a joint around its middle.
//
// Usage: bench_simplify [runs]   prints the best time of `runs` (default 5).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "lod/lod_shapes.hpp"

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const ossify::surface_geometry s = ossify_test::seamed_ellipsoid(59, 99); // 6,000 vertices
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
