#include "mesh/surface_partition.hpp"

#include <algorithm>
#include <numeric>

namespace ossify {

namespace {

using part = std::vector<std::int32_t>;

struct partition_work {
    const std::vector<triangle_corners>& triangles;
    const std::vector<vector3>& positions;
    surface_limits limits;
    std::vector<std::int32_t> stamp; // per vertex: the last count that saw it
    std::int32_t round = 0;

    // Distinct vertices of the triangles of `p`.
    std::int32_t vertices_of(const part& p) {
        ++round;
        std::int32_t count = 0;
        for (const std::int32_t t : p)
            for (const std::int32_t v : triangles[static_cast<std::size_t>(t)]) {
                std::int32_t& seen = stamp[static_cast<std::size_t>(v)];
                if (seen != round) {
                    seen = round;
                    ++count;
                }
            }
        return count;
    }
    bool fits(const part& p) {
        return static_cast<std::int64_t>(p.size()) <= limits.triangles &&
               vertices_of(p) <= limits.vertices;
    }
    double centroid(std::int32_t t, int axis) const {
        double sum = 0.0;
        for (const std::int32_t v : triangles[static_cast<std::size_t>(t)]) {
            const vector3& p = positions[static_cast<std::size_t>(v)];
            sum += axis == 0 ? p.x : axis == 1 ? p.y : p.z;
        }
        return sum / 3.0;
    }
    // `p` as pieces within the limits, halved across its longest side.
    void halve_into(part p, std::vector<part>& pieces) {
        if (p.size() <= 1 || fits(p)) {
            pieces.push_back(std::move(p));
            return;
        }
        int axis = 0;
        double widest = -1.0;
        for (int a = 0; a < 3; ++a) {
            double low = centroid(p.front(), a), high = low;
            for (const std::int32_t t : p) {
                low = std::min(low, centroid(t, a));
                high = std::max(high, centroid(t, a));
            }
            if (high - low > widest) {
                widest = high - low;
                axis = a;
            }
        }
        std::vector<std::pair<double, std::int32_t>> order;
        order.reserve(p.size());
        for (const std::int32_t t : p)
            order.emplace_back(centroid(t, axis), t);
        std::sort(order.begin(), order.end());
        const std::size_t half = order.size() / 2;
        part low, high;
        for (std::size_t i = 0; i < order.size(); ++i)
            (i < half ? low : high).push_back(order[i].second);
        std::sort(low.begin(), low.end());
        std::sort(high.begin(), high.end());
        halve_into(std::move(low), pieces);
        halve_into(std::move(high), pieces);
    }
};

std::int32_t find_root(std::vector<std::int32_t>& parent, std::int32_t v) {
    while (parent[static_cast<std::size_t>(v)] != v) {
        std::int32_t& up = parent[static_cast<std::size_t>(v)];
        up = parent[static_cast<std::size_t>(up)];
        v = up;
    }
    return v;
}

// The connected pieces, in the order of their first triangle.
std::vector<part> connected_pieces(const std::vector<triangle_corners>& triangles,
                                   std::size_t vertex_count) {
    std::vector<std::int32_t> parent(vertex_count);
    std::iota(parent.begin(), parent.end(), 0);
    for (const triangle_corners& c : triangles)
        for (int k = 1; k < 3; ++k) {
            const std::int32_t a = find_root(parent, c[0]);
            const std::int32_t b = find_root(parent, c[static_cast<std::size_t>(k)]);
            if (a != b) parent[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
        }
    std::vector<std::int32_t> piece_of_root(vertex_count, -1);
    std::vector<part> pieces;
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        const std::int32_t root = find_root(parent, triangles[t][0]);
        std::int32_t& piece = piece_of_root[static_cast<std::size_t>(root)];
        if (piece < 0) {
            piece = static_cast<std::int32_t>(pieces.size());
            pieces.emplace_back();
        }
        pieces[static_cast<std::size_t>(piece)].push_back(static_cast<std::int32_t>(t));
    }
    return pieces;
}

} // namespace

std::vector<std::vector<std::int32_t>>
partition_triangles(const std::vector<triangle_corners>& triangles,
                    const std::vector<vector3>& positions, const surface_limits& limits) {
    partition_work work{triangles, positions, limits, std::vector<std::int32_t>(positions.size()),
                        0};
    std::vector<part> pieces;
    for (part& piece : connected_pieces(triangles, positions.size()))
        work.halve_into(std::move(piece), pieces);

    // Pack the pieces, in order, into as few parts as take them.
    std::vector<part> parts;
    for (const part& piece : pieces) {
        if (!parts.empty()) {
            part joined = parts.back();
            joined.insert(joined.end(), piece.begin(), piece.end());
            if (work.fits(joined)) {
                std::sort(joined.begin(), joined.end());
                parts.back() = std::move(joined);
                continue;
            }
        }
        parts.push_back(piece);
    }
    return parts;
}

} // namespace ossify
