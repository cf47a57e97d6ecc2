#include "mesh/anchor_solids.hpp"

#include <algorithm>
#include <limits>
#include <map>
#include <numbers>
#include <numeric>
#include <set>

#include "mqo/polygon_triangulation.hpp"

namespace ossify {

namespace {

// Union-find over face numbers.
std::size_t find_root(std::vector<std::size_t>& up, std::size_t i) {
    while (up[i] != i)
        i = up[i] = up[up[i]];
    return i;
}

bool usable(const solid_face& f, std::size_t vertices) {
    if (f.corner.size() < 3) return false;
    return std::all_of(f.corner.begin(), f.corner.end(), [&](std::int32_t v) {
        return v >= 0 && static_cast<std::size_t>(v) < vertices;
    });
}

} // namespace

std::vector<anchor_solid> split_solids(std::span<const vector3> vertices,
                                       std::span<const solid_face> faces) {
    std::vector<std::size_t> up(faces.size());
    std::iota(up.begin(), up.end(), std::size_t{0});
    // The first face of each material touching a vertex: later faces of the same
    // material join its piece.
    std::map<std::pair<std::int32_t, std::int32_t>, std::size_t> first_at;
    for (std::size_t f = 0; f < faces.size(); ++f) {
        if (!usable(faces[f], vertices.size())) continue;
        for (const std::int32_t v : faces[f].corner) {
            const auto [at, fresh] = first_at.insert({{faces[f].material, v}, f});
            if (!fresh) up[find_root(up, f)] = find_root(up, at->second);
        }
    }
    std::vector<anchor_solid> solids;
    std::map<std::size_t, std::size_t> solid_of_root;
    std::vector<std::set<std::int32_t>> corners;
    for (std::size_t f = 0; f < faces.size(); ++f) {
        if (!usable(faces[f], vertices.size())) continue;
        const std::size_t root = find_root(up, f);
        const auto [at, fresh] = solid_of_root.insert({root, solids.size()});
        if (fresh) {
            solids.push_back({});
            solids.back().material = faces[f].material;
            corners.emplace_back();
        }
        anchor_solid& solid = solids[at->second];
        const std::vector<std::int32_t>& c = faces[f].corner;
        std::vector<vector3> outline;
        for (const std::int32_t v : c)
            outline.push_back(vertices[static_cast<std::size_t>(v)]);
        std::vector<corner_triangle> cut;
        triangulate_polygon(outline, cut);
        for (const corner_triangle& t : cut)
            solid.triangles.push_back({to_dvec(outline[static_cast<std::size_t>(t[0])]),
                                       to_dvec(outline[static_cast<std::size_t>(t[1])]),
                                       to_dvec(outline[static_cast<std::size_t>(t[2])])});
        corners[at->second].insert(c.begin(), c.end());
    }
    for (std::size_t s = 0; s < solids.size(); ++s) {
        dvec sum;
        for (const std::int32_t v : corners[s])
            sum = sum + to_dvec(vertices[static_cast<std::size_t>(v)]);
        solids[s].centre = sum * (1.0 / static_cast<double>(corners[s].size()));
    }
    return solids;
}

double winding_number(const anchor_solid& solid, const dvec& p) {
    double total = 0.0;
    for (const auto& t : solid.triangles)
        total += solid_angle(p, t[0], t[1], t[2]);
    return total / (4.0 * std::numbers::pi);
}

bool inside_solid(const anchor_solid& solid, const dvec& p) {
    return std::abs(winding_number(solid, p)) >= 0.5;
}

double surface_distance(const anchor_solid& solid, const dvec& p) {
    double least = std::numeric_limits<double>::infinity();
    for (const auto& t : solid.triangles)
        least = std::min(least, triangle_distance(p, t[0], t[1], t[2]));
    return least;
}

double inside_length(const anchor_solid& solid, const dvec& a, const dvec& b) {
    int inside = 0;
    for (int i = 0; i < inside_samples; ++i) {
        const double t = (i + 0.5) / inside_samples;
        inside += inside_solid(solid, a + (b - a) * t) ? 1 : 0;
    }
    return length(b - a) * inside / inside_samples;
}

} // namespace ossify
