#include "lod/simplify_surface.hpp"

#include <algorithm>
#include <compare>
#include <queue>

#include "lod/quadric.hpp"

namespace ossify {

namespace {

// An open edge of the surface pulls its ends back onto the edge's line this
// much harder than a triangle's area pulls its corners onto its plane.
constexpr double border_weight = 1000.0;
// Texture stretch: a collapse that moves a corner's texture coordinates by d
// (in texture widths) costs as much as moving it by d times the model's size
// off its planes, halved where the two vertices already share a triangle.
constexpr double uv_weight = 0.5;
constexpr double uv_shared_factor = 0.1;

enum tier : int { same_bones = 0, other_bones = 1, reshaping = 2 };

struct choice {
    int rank = reshaping + 1; // above every tier: no collapse
    double error = 0.0;
    std::int32_t target = -1; // class collapsed onto
    std::int32_t from = -1;   // the vertex of the class that goes last
    std::int32_t onto = -1;   // the vertex of the target it goes onto
};

bool better(const choice& a, const choice& b) {
    if (a.rank != b.rank) return a.rank < b.rank;
    if (a.error != b.error) return a.error < b.error;
    return a.onto < b.onto;
}

struct queued {
    choice best;
    std::int32_t first_vertex;
    std::int32_t cls;
    std::uint32_t version;
};

// The cheapest collapse comes out of the queue first; ties by vertex number.
struct later {
    bool operator()(const queued& a, const queued& b) const {
        if (a.best.rank != b.best.rank) return a.best.rank > b.best.rank;
        if (a.best.error != b.best.error) return a.best.error > b.best.error;
        return a.first_vertex > b.first_vertex;
    }
};

dvec3 without_negative_zero(const dvec3& p) {
    return {p[0] + 0.0, p[1] + 0.0, p[2] + 0.0};
}

std::weak_ordering compare_positions(const dvec3& a, const dvec3& b) {
    if (auto c = std::strong_order(a[0], b[0]); c != 0) return c;
    if (auto c = std::strong_order(a[1], b[1]); c != 0) return c;
    return std::strong_order(a[2], b[2]);
}

std::size_t at(std::int32_t i) {
    return static_cast<std::size_t>(i);
}

class simplifier {
  public:
    explicit simplifier(const surface_geometry& surface) : s_(surface) {
        n_ = static_cast<std::int32_t>(s_.positions.size());
        group_positions();
        weld_triangles();
        link_vertices();
        accumulate_quadrics();
        number_bone_sets();
    }

    collapse_order run() {
        collapse_order out;
        if (n_ == 0) return out;
        remove_unused_classes();
        collapse_cheapest_first();
        remove_leftovers();
        return assemble();
    }

  private:
    const surface_geometry& s_;
    std::int32_t n_ = 0;
    std::vector<std::int32_t> class_of_;
    std::vector<std::vector<std::int32_t>> members_;
    std::vector<dvec3> where_;
    std::vector<index_triangle> tris_;
    std::vector<char> tri_alive_;
    std::vector<std::vector<std::int32_t>> class_tris_;
    std::vector<std::vector<std::int32_t>> vertex_links_; // input edges, sorted
    std::vector<quadric> quadric_;
    std::vector<char> removed_;
    std::vector<double> reach_;          // how far the vertices sent to a class may lie from it
    std::vector<std::int32_t> bone_set_; // per vertex: the number of its bone set
    std::vector<std::uint32_t> version_;
    std::vector<std::pair<std::int32_t, std::int32_t>> removals_; // vertex, onto
    std::vector<int> removal_rank_;
    double size2_ = 0.0;
    std::priority_queue<queued, std::vector<queued>, later> queue_;
    // Scratch lists of the candidate checks, kept to spare their allocations.
    std::vector<std::int32_t> shared_, around_u_, around_v_, common_, opposite_;

    void group_positions() {
        std::vector<std::int32_t> sorted(at(n_));
        for (std::int32_t v = 0; v < n_; ++v)
            sorted[at(v)] = v;
        std::vector<dvec3> p(s_.positions.size());
        for (std::size_t v = 0; v < p.size(); ++v)
            p[v] = without_negative_zero(s_.positions[v]);
        std::sort(sorted.begin(), sorted.end(), [&](std::int32_t a, std::int32_t b) {
            const auto c = compare_positions(p[at(a)], p[at(b)]);
            return c != 0 ? c < 0 : a < b;
        });
        // Each run of equal positions is one class; classes are numbered in the
        // order of their lowest vertex.
        std::vector<std::int32_t> head(at(n_));
        for (std::size_t k = 0; k < sorted.size(); ++k) {
            const bool same =
                k > 0 && compare_positions(p[at(sorted[k - 1])], p[at(sorted[k])]) == 0;
            head[at(sorted[k])] = same ? head[at(sorted[k - 1])] : sorted[k];
        }
        class_of_.assign(at(n_), -1);
        for (std::int32_t v = 0; v < n_; ++v) {
            const std::int32_t h = head[at(v)];
            if (class_of_[at(h)] < 0) {
                class_of_[at(h)] = static_cast<std::int32_t>(members_.size());
                members_.emplace_back();
                where_.push_back(p[at(v)]);
            }
            class_of_[at(v)] = class_of_[at(h)];
            members_[at(class_of_[at(v)])].push_back(v);
        }
        dvec3 lo = where_.empty() ? dvec3{} : where_[0], hi = lo;
        for (const dvec3& w : where_) {
            lo = {std::min(lo[0], w[0]), std::min(lo[1], w[1]), std::min(lo[2], w[2])};
            hi = {std::max(hi[0], w[0]), std::max(hi[1], w[1]), std::max(hi[2], w[2])};
        }
        const double size = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
        size2_ = std::isfinite(size) ? size * size : 0.0;
        const std::size_t classes = members_.size();
        class_tris_.resize(classes);
        quadric_.resize(classes);
        removed_.assign(classes, 0);
        reach_.assign(classes, 0.0);
        version_.assign(classes, 0);
    }

    bool valid_triangle(const index_triangle& t) const {
        return t[0] >= 0 && t[0] < n_ && t[1] >= 0 && t[1] < n_ && t[2] >= 0 && t[2] < n_;
    }

    // Triangles between three different positions make the surface's shape;
    // the others are drawn as slivers and ignored here.
    void weld_triangles() {
        for (const index_triangle& t : s_.triangles) {
            if (!valid_triangle(t)) continue;
            const index_triangle c{class_of_[at(t[0])], class_of_[at(t[1])], class_of_[at(t[2])]};
            if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
            const auto id = static_cast<std::int32_t>(tris_.size());
            tris_.push_back(c);
            for (std::int32_t k : c)
                class_tris_[at(k)].push_back(id);
        }
        tri_alive_.assign(tris_.size(), 1);
    }

    void link_vertices() {
        vertex_links_.resize(at(n_));
        for (const index_triangle& t : s_.triangles) {
            if (!valid_triangle(t)) continue;
            for (std::size_t c = 0; c < 3; ++c) {
                vertex_links_[at(t[c])].push_back(t[(c + 1) % 3]);
                vertex_links_[at(t[c])].push_back(t[(c + 2) % 3]);
            }
        }
        for (auto& links : vertex_links_) {
            std::sort(links.begin(), links.end());
            links.erase(std::unique(links.begin(), links.end()), links.end());
        }
    }

    bool linked(std::int32_t a, std::int32_t b) const {
        const auto& links = vertex_links_[at(a)];
        return std::binary_search(links.begin(), links.end(), b);
    }

    static bool holds(const index_triangle& t, std::int32_t c) {
        return t[0] == c || t[1] == c || t[2] == c;
    }

    std::int32_t shared_triangles(std::int32_t a, std::int32_t b) const {
        std::int32_t count = 0;
        for (std::int32_t t : class_tris_[at(a)])
            if (tri_alive_[at(t)] && holds(tris_[at(t)], b)) ++count;
        return count;
    }

    void accumulate_quadrics() {
        for (const index_triangle& t : tris_) {
            const dvec3 a = where_[at(t[0])], b = where_[at(t[1])], c = where_[at(t[2])];
            const dvec3 n = cross(minus(b, a), minus(c, a));
            const double len = length(n);
            if (!(len > 0.0) || !std::isfinite(len)) continue;
            const dvec3 unit = scaled(n, 1.0 / len);
            const quadric plane = plane_quadric(unit, a, 0.5 * len);
            for (std::int32_t k : t)
                add_to(quadric_[at(k)], plane);
            for (std::size_t e = 0; e < 3; ++e) {
                const std::int32_t p = t[e], q = t[(e + 1) % 3];
                if (shared_triangles(p, q) != 1) continue;
                const dvec3 edge = minus(where_[at(q)], where_[at(p)]);
                const dvec3 side = cross(edge, unit);
                const double side_len = length(side);
                if (!(side_len > 0.0)) continue;
                const quadric wall = plane_quadric(scaled(side, 1.0 / side_len), where_[at(p)],
                                                   border_weight * dot(edge, edge));
                add_to(quadric_[at(p)], wall);
                add_to(quadric_[at(q)], wall);
            }
        }
    }

    // The live triangles of a class (its list pruned of dead ones).
    const std::vector<std::int32_t>& live_triangles(std::int32_t c) {
        auto& list = class_tris_[at(c)];
        std::erase_if(list, [&](std::int32_t t) { return !tri_alive_[at(t)]; });
        return list;
    }

    void neighbours(std::int32_t c, std::vector<std::int32_t>& out) {
        out.clear();
        for (std::int32_t t : live_triangles(c))
            for (std::int32_t k : tris_[at(t)])
                if (k != c) out.push_back(k);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }

    // Texture stretch of sending every vertex of class `u` onto vertex `onto`.
    double uv_cost(std::int32_t u, std::int32_t onto) const {
        if (s_.uvs.size() != at(n_)) return 0.0;
        double cost = 0.0;
        const auto& to = s_.uvs[at(onto)];
        for (std::int32_t w : members_[at(u)]) {
            const auto& from = s_.uvs[at(w)];
            const double du = static_cast<double>(from[0]) - to[0];
            const double dv = static_cast<double>(from[1]) - to[1];
            const double d2 = du * du + dv * dv;
            cost += (linked(w, onto) ? uv_shared_factor : 1.0) * (std::isfinite(d2) ? d2 : 1.0);
        }
        return cost;
    }

    bool follow_same_bones(std::int32_t a, std::int32_t b) const {
        return bone_set_.empty() || bone_set_[at(a)] == bone_set_[at(b)];
    }

    // Numbers the distinct bone sets, so that comparing two is one comparison.
    void number_bone_sets() {
        if (s_.bone_sets.size() != at(n_)) return;
        std::vector<std::int32_t> by_set(at(n_));
        for (std::int32_t v = 0; v < n_; ++v)
            by_set[at(v)] = v;
        const auto& sets = s_.bone_sets;
        std::sort(by_set.begin(), by_set.end(), [&](std::int32_t a, std::int32_t b) {
            return sets[at(a)] != sets[at(b)] ? sets[at(a)] < sets[at(b)] : a < b;
        });
        bone_set_.assign(at(n_), 0);
        for (std::size_t k = 1; k < by_set.size(); ++k)
            bone_set_[at(by_set[k])] = bone_set_[at(by_set[k - 1])] +
                                       (sets[at(by_set[k])] != sets[at(by_set[k - 1])] ? 1 : 0);
    }

    // False when moving class `u` onto `v` turns one of its other triangles over.
    bool keeps_facing(std::int32_t u, std::int32_t v) const {
        for (std::int32_t t : class_tris_[at(u)]) {
            const index_triangle& c = tris_[at(t)];
            if (!tri_alive_[at(t)] || holds(c, v)) continue;
            dvec3 p[3] = {where_[at(c[0])], where_[at(c[1])], where_[at(c[2])]};
            const dvec3 before = cross(minus(p[1], p[0]), minus(p[2], p[0]));
            for (std::size_t k = 0; k < 3; ++k)
                if (c[k] == u) p[k] = where_[at(v)];
            const dvec3 after = cross(minus(p[1], p[0]), minus(p[2], p[0]));
            if (dot(before, after) <= 0.0 && dot(before, before) > 0.0) return false;
        }
        return true;
    }

    choice best_collapse(std::int32_t u) {
        choice best;
        std::vector<std::int32_t> around;
        neighbours(u, around);
        if (around.empty()) return best;
        double area = 0.0;
        bool border = false;
        shared_.assign(around.size(), 0);
        for (std::int32_t t : class_tris_[at(u)])
            for (std::int32_t k : tris_[at(t)])
                if (k != u)
                    ++shared_[static_cast<std::size_t>(
                        std::lower_bound(around.begin(), around.end(), k) - around.begin())];
        for (std::size_t k = 0; k < around.size(); ++k)
            border = border || shared_[k] == 1;
        for (std::int32_t t : class_tris_[at(u)]) {
            const index_triangle& c = tris_[at(t)];
            area += 0.5 * length(cross(minus(where_[at(c[1])], where_[at(c[0])]),
                                       minus(where_[at(c[2])], where_[at(c[0])])));
        }
        for (std::size_t k = 0; k < around.size(); ++k) {
            const std::int32_t v = around[k];
            choice c;
            c.target = v;
            int rank = border && shared_[k] != 1 ? reshaping : same_bones;
            // The vertex of v that the class goes onto: the cheapest in texture
            // stretch; the class's vertex that goes last is one linked to it.
            double stretch = 0.0;
            for (std::int32_t onto : members_[at(v)]) {
                const double cost = uv_cost(u, onto);
                if (c.onto < 0 || cost < stretch) {
                    c.onto = onto;
                    stretch = cost;
                }
            }
            c.from = members_[at(u)].front();
            for (std::int32_t w : members_[at(u)])
                if (linked(w, c.onto)) {
                    c.from = w;
                    break;
                }
            if (!follow_same_bones(c.from, c.onto))
                rank = std::max(rank, static_cast<int>(other_bones));
            c.rank = rank;
            quadric both = quadric_[at(u)];
            add_to(both, quadric_[at(v)]);
            // How far the vertices already sent to u may end up from where they
            // belong, at most: the engine's own measure of a level's error.
            const double reach = reach_[at(u)] + distance(where_[at(u)], where_[at(v)]);
            c.error = evaluate(both, where_[at(v)]) + area * reach * reach +
                      uv_weight * area * size2_ * stretch;
            if (!std::isfinite(c.error)) c.error = 0.0;
            // The shape checks can only make a collapse dearer: they are made
            // only for one that would otherwise be chosen.
            if (!better(c, best)) continue;
            if (c.rank < reshaping && (!keeps_link(u, v, around) || !keeps_facing(u, v)))
                c.rank = reshaping;
            if (better(c, best)) best = c;
        }
        return best;
    }

    // The link condition: the positions next to both ends are exactly the
    // third corners of the triangles on the edge, or the collapse would pinch
    // the surface.
    bool keeps_link(std::int32_t u, std::int32_t v, const std::vector<std::int32_t>& around_u) {
        std::vector<std::int32_t>& around_v = around_v_;
        neighbours(v, around_v);
        std::vector<std::int32_t>& common = common_;
        common.clear();
        std::set_intersection(around_u.begin(), around_u.end(), around_v.begin(), around_v.end(),
                              std::back_inserter(common));
        std::vector<std::int32_t>& opposite = opposite_;
        opposite.clear();
        for (std::int32_t t : class_tris_[at(u)]) {
            const index_triangle& c = tris_[at(t)];
            if (!tri_alive_[at(t)] || !holds(c, v)) continue;
            for (std::int32_t k : c)
                if (k != u && k != v) opposite.push_back(k);
        }
        std::sort(opposite.begin(), opposite.end());
        opposite.erase(std::unique(opposite.begin(), opposite.end()), opposite.end());
        return common == opposite;
    }

    void enqueue(std::int32_t u) {
        ++version_[at(u)];
        const choice c = best_collapse(u);
        if (c.target < 0) return;
        queue_.push({c, members_[at(u)].front(), u, version_[at(u)]});
    }

    void record_class(std::int32_t u, std::int32_t from, std::int32_t onto, int rank) {
        for (std::int32_t w : members_[at(u)])
            if (w != from) {
                removals_.emplace_back(w, from);
                removal_rank_.push_back(same_bones);
            }
        removals_.emplace_back(from, onto);
        removal_rank_.push_back(rank);
        removed_[at(u)] = 1;
    }

    // Classes on no triangle are never drawn: they go first, onto another
    // corner of a sliver they belong to, or onto the first drawn vertex.
    void remove_unused_classes() {
        const auto classes = static_cast<std::int32_t>(members_.size());
        std::int32_t anchor = -1;
        for (std::int32_t c = 0; c < classes && anchor < 0; ++c)
            if (!class_tris_[at(c)].empty()) anchor = c;
        for (std::int32_t c = 0; c < classes; ++c) {
            if (!class_tris_[at(c)].empty() || c == anchor) continue;
            if (anchor < 0) {
                anchor = c; // nothing is drawn: the first class stays last
                continue;
            }
            std::int32_t onto = members_[at(anchor)].front();
            for (std::int32_t w : members_[at(c)])
                for (std::int32_t x : vertex_links_[at(w)]) {
                    const std::int32_t k = class_of_[at(x)];
                    if (k != c && !removed_[at(k)] && onto == members_[at(anchor)].front())
                        onto = x;
                }
            record_class(c, members_[at(c)].front(), onto, same_bones);
        }
    }

    void collapse_cheapest_first() {
        const auto classes = static_cast<std::int32_t>(members_.size());
        for (std::int32_t c = 0; c < classes; ++c)
            if (!removed_[at(c)]) enqueue(c);
        while (!queue_.empty()) {
            const queued top = queue_.top();
            queue_.pop();
            const std::int32_t u = top.cls;
            if (removed_[at(u)] || top.version != version_[at(u)]) continue;
            // A collapse requeues the classes whose triangles it changed; for
            // the others next to its target, costs can only have grown and the
            // link condition can only have tightened, so the queued entry is a
            // bound that is checked here.
            const choice now = best_collapse(u);
            if (now.target < 0) continue;
            if (now.rank != top.best.rank || now.error != top.best.error ||
                now.target != top.best.target) {
                ++version_[at(u)];
                queue_.push({now, top.first_vertex, u, version_[at(u)]});
                continue;
            }
            collapse(u, top.best);
        }
    }

    void collapse(std::int32_t u, const choice& c) {
        const std::int32_t v = c.target;
        std::vector<std::int32_t> touched;
        neighbours(u, touched);
        for (std::int32_t t : class_tris_[at(u)]) {
            index_triangle& corners = tris_[at(t)];
            if (!tri_alive_[at(t)]) continue;
            if (holds(corners, v)) {
                tri_alive_[at(t)] = 0;
                continue;
            }
            for (std::int32_t& k : corners)
                if (k == u) k = v;
            class_tris_[at(v)].push_back(t);
        }
        class_tris_[at(u)].clear();
        add_to(quadric_[at(v)], quadric_[at(u)]);
        reach_[at(v)] =
            std::max(reach_[at(v)], reach_[at(u)] + distance(where_[at(u)], where_[at(v)]));
        record_class(u, c.from, c.onto, c.rank);
        touched.push_back(v);
        std::sort(touched.begin(), touched.end());
        touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
        remove_undrawn(touched, v);
        for (std::int32_t k : touched)
            if (!removed_[at(k)]) enqueue(k);
    }

    // A class left on no triangle is drawn nowhere: it goes at once, so that it
    // takes no place among the vertices kept, onto the class it went towards
    // when that is still drawn, else onto the nearest class still drawn.
    void remove_undrawn(const std::vector<std::int32_t>& classes, std::int32_t towards) {
        for (std::int32_t k : classes) {
            if (removed_[at(k)] || !live_triangles(k).empty()) continue;
            std::int32_t onto = live_triangles(towards).empty() ? -1 : towards;
            double nearest = 0.0;
            const auto count = static_cast<std::int32_t>(members_.size());
            for (std::int32_t c = 0; c < count && onto != towards; ++c) {
                if (removed_[at(c)] || live_triangles(c).empty()) continue;
                const double d = distance(where_[at(k)], where_[at(c)]);
                if (onto < 0 || d < nearest) {
                    onto = c;
                    nearest = d;
                }
            }
            if (onto < 0) return; // nothing is drawn any more
            record_class(k, members_[at(k)].front(), members_[at(onto)].front(), same_bones);
        }
    }

    // What is left has no triangle: it all goes onto the lowest class's first vertex.
    void remove_leftovers() {
        const auto classes = static_cast<std::int32_t>(members_.size());
        std::int32_t last = -1;
        for (std::int32_t c = 0; c < classes; ++c) {
            if (removed_[at(c)]) continue;
            if (last < 0) {
                last = c;
                continue;
            }
            record_class(c, members_[at(c)].front(), members_[at(last)].front(), same_bones);
        }
        for (std::int32_t w : members_[at(last)])
            if (w != members_[at(last)].front()) {
                removals_.emplace_back(w, members_[at(last)].front());
                removal_rank_.push_back(same_bones);
            }
        removals_.emplace_back(members_[at(last)].front(), -1);
        removal_rank_.push_back(same_bones);
    }

    collapse_order assemble() const {
        collapse_order out;
        out.order.resize(at(n_));
        out.collapse.resize(at(n_));
        std::vector<std::int32_t> stored(at(n_));
        for (std::size_t k = 0; k < removals_.size(); ++k) {
            const std::int32_t slot = n_ - 1 - static_cast<std::int32_t>(k);
            out.order[at(slot)] = removals_[k].first;
            stored[at(removals_[k].first)] = slot;
        }
        out.outline_kept_to = 0;
        for (std::size_t k = 0; k < removals_.size(); ++k) {
            const std::int32_t slot = n_ - 1 - static_cast<std::int32_t>(k);
            const std::int32_t onto = removals_[k].second;
            out.collapse[at(slot)] = onto < 0 ? 0 : stored[at(onto)];
            if (removal_rank_[k] >= reshaping && out.outline_kept_to == 0)
                out.outline_kept_to = slot + 1;
        }
        return out;
    }
};

} // namespace

collapse_order simplify_surface(const surface_geometry& surface) {
    return simplifier(surface).run();
}

std::vector<std::int32_t> stored_numbers(const collapse_order& lod) {
    std::vector<std::int32_t> stored(lod.order.size());
    for (std::size_t k = 0; k < lod.order.size(); ++k)
        stored[at(lod.order[k])] = static_cast<std::int32_t>(k);
    return stored;
}

} // namespace ossify
