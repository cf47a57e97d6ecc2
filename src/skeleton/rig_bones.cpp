#include "skeleton/rig_bones.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <string_view>

namespace ossify {

namespace {

// A material name ending in this pairs a left and a right bone.
constexpr std::string_view mirror_pair_mark = "[]";
constexpr std::string_view unnamed_material = "bone";
constexpr double near_tie_share = 0.01;

double edge_length(const vector3& a, const vector3& b) {
    const double dx = static_cast<double>(b.x) - a.x;
    const double dy = static_cast<double>(b.y) - a.y;
    const double dz = static_cast<double>(b.z) - a.z;
    return std::sqrt((dx * dx + dy * dy) + dz * dz);
}

double midpoint_x(const rig_face& f) {
    return (static_cast<double>(f.position[0].x) + f.position[1].x + f.position[2].x) / 3.0;
}

std::string material_name(std::int32_t material, std::span<const std::string> names) {
    if (material < 0 || static_cast<std::size_t>(material) >= names.size())
        return std::string(unnamed_material);
    return names[static_cast<std::size_t>(material)];
}

// Names of the triangles, in their order.
std::vector<std::string> bone_names(std::span<const rig_face* const> triangles,
                                    std::span<const std::string> material_names) {
    std::map<std::int32_t, std::vector<std::size_t>> by_material;
    for (std::size_t t = 0; t < triangles.size(); ++t)
        by_material[std::max(triangles[t]->material, -1)].push_back(t);
    std::vector<std::string> names(triangles.size());
    for (const auto& [material, members] : by_material) {
        const std::string name = material_name(material, material_names);
        if (members.size() == 1) {
            names[members[0]] = name;
            continue;
        }
        const bool pair_mark =
            name.size() >= mirror_pair_mark.size() && name.ends_with(mirror_pair_mark);
        if (pair_mark && members.size() == 2) {
            const double x0 = midpoint_x(*triangles[members[0]]);
            const double x1 = midpoint_x(*triangles[members[1]]);
            if ((x0 > 0 && x1 < 0) || (x0 < 0 && x1 > 0)) {
                const std::string stem = name.substr(0, name.size() - mirror_pair_mark.size());
                names[members[0]] = stem + (x0 > 0 ? "[L]" : "[R]");
                names[members[1]] = stem + (x1 > 0 ? "[L]" : "[R]");
                continue;
            }
            std::fprintf(stderr,
                         "build_bones_from_rig : the two bones of material[%s] do not lie on "
                         "either side of x = 0: numbered instead of [L] and [R]\n",
                         name.c_str());
        }
        for (std::size_t k = 0; k < members.size(); ++k) {
            std::string number = k > 0 ? std::to_string(k) : "";
            if (number.size() == 1) number.insert(0, "0");
            names[members[k]] = name + number;
        }
    }
    return names;
}

// The links of one bone: its parent among the triangles (-1: none) and whether
// it hangs off it through lines.
struct link {
    std::int32_t parent = -1;
    bool floating = false;
};

struct object_lines {
    // Per vertex, the other ends of its lines in face order, with the line's face.
    std::map<std::int32_t, std::vector<std::pair<std::int32_t, std::int32_t>>> ends;
};

// The first bone (triangle order) other than `self` whose tip is `vertex` in `object`.
std::int32_t bone_with_tip(std::span<const rig_bone> bones, std::int32_t object,
                           std::int32_t vertex, std::size_t self) {
    for (std::size_t t = 0; t < bones.size(); ++t)
        if (t != self && bones[t].object == object && bones[t].tip == vertex)
            return static_cast<std::int32_t>(t);
    return -1;
}

// Breadth-first along the lines from the bone's head to the nearest tip of
// another bone; marks the lines of the path used.
link float_along_lines(std::span<const rig_bone> bones, std::size_t self, const object_lines& lines,
                       std::set<std::pair<std::int32_t, std::int32_t>>& used) {
    const rig_bone& bone = bones[self];
    std::map<std::int32_t, std::pair<std::int32_t, std::int32_t>> came_from; // vertex: (from, face)
    std::deque<std::int32_t> queue{bone.head};
    came_from[bone.head] = {-1, -1};
    while (!queue.empty()) {
        const std::int32_t v = queue.front();
        queue.pop_front();
        if (v != bone.head) {
            const std::int32_t parent = bone_with_tip(bones, bone.object, v, self);
            if (parent >= 0) {
                for (std::int32_t w = v; came_from[w].first >= 0; w = came_from[w].first)
                    used.insert({bone.object, came_from[w].second});
                return {parent, true};
            }
        }
        const auto found = lines.ends.find(v);
        if (found == lines.ends.end()) continue;
        for (const auto& [other, face] : found->second) {
            if (came_from.count(other) != 0) continue;
            came_from[other] = {v, face};
            queue.push_back(other);
        }
    }
    return {};
}

// Cuts every loop of parent links at its earliest bone, which becomes a root.
void break_loops(std::vector<rig_bone>& bones) {
    for (std::size_t start = 0; start < bones.size(); ++start) {
        std::vector<std::size_t> path;
        std::set<std::size_t> seen;
        for (std::int32_t b = static_cast<std::int32_t>(start); b >= 0;
             b = bones[static_cast<std::size_t>(b)].parent) {
            const auto u = static_cast<std::size_t>(b);
            if (seen.count(u) == 0) {
                seen.insert(u);
                path.push_back(u);
                continue;
            }
            const auto loop_start = std::find(path.begin(), path.end(), u);
            const std::size_t cut = *std::min_element(loop_start, path.end());
            std::fprintf(stderr,
                         "build_bones_from_rig : the links of bone[%s] run in a loop; it is "
                         "made a root\n",
                         bones[cut].name.c_str());
            bones[cut].parent = -1;
            bones[cut].floating = false;
            break;
        }
    }
}

void warn_near_tie(const rig_bone& bone) {
    std::fprintf(stderr,
                 "build_bones_from_rig : bone[%s] (face %d) has two edges within 1 %% of each "
                 "other: its head and tip may not be the ones meant; lengthen the bone or "
                 "shorten its short side\n",
                 bone.name.c_str(), bone.face);
}

} // namespace

rig_roles rig_corner_roles(const std::array<vector3, 3>& position,
                           const std::array<std::int32_t, 3>& vertex) {
    // Edge c lies opposite corner c.
    const std::array<double, 3> edge = {edge_length(position[1], position[2]),
                                        edge_length(position[0], position[2]),
                                        edge_length(position[0], position[1])};
    std::array<int, 3> order = {0, 1, 2};
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        if (edge[ua] != edge[ub]) return edge[ua] > edge[ub];
        return vertex[ua] < vertex[ub];
    });
    rig_roles roles;
    roles.head = order[0];
    roles.up = order[1];
    roles.tip = order[2];
    const double l0 = edge[static_cast<std::size_t>(order[0])];
    const double l1 = edge[static_cast<std::size_t>(order[1])];
    const double l2 = edge[static_cast<std::size_t>(order[2])];
    roles.near_tie = l0 - l1 < near_tie_share * l0 || l1 - l2 < near_tie_share * l1;
    return roles;
}

std::vector<rig_bone> build_rig_bones(std::span<const rig_face> faces,
                                      std::span<const std::string> material_names) {
    std::vector<const rig_face*> triangles;
    for (const rig_face& f : faces)
        if (f.corners == 3) triangles.push_back(&f);
    const std::vector<std::string> names = bone_names(triangles, material_names);

    // The bones in triangle order first; numbered at the end.
    std::vector<rig_bone> drawn;
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        const rig_face& f = *triangles[t];
        const rig_roles roles = rig_corner_roles(f.position, f.vertex);
        rig_bone bone;
        bone.name = names[t];
        bone.object = f.object;
        bone.face = f.face;
        bone.material = f.material;
        const auto h = static_cast<std::size_t>(roles.head),
                   p = static_cast<std::size_t>(roles.tip), u = static_cast<std::size_t>(roles.up);
        bone.head = f.vertex[h];
        bone.tip = f.vertex[p];
        bone.up = f.vertex[u];
        bone.head_position = f.position[h];
        bone.tip_position = f.position[p];
        bone.up_position = f.position[u];
        if (roles.near_tie) warn_near_tie(bone);
        drawn.push_back(bone);
    }

    // The lines of each object, without those lying on one triangle.
    std::map<std::int32_t, object_lines> lines;
    std::vector<std::pair<std::int32_t, std::int32_t>> kept; // (object, face)
    for (const rig_face& f : faces) {
        if (f.corners != 2) continue;
        const bool on_one_triangle = std::any_of(triangles.begin(), triangles.end(), [&](auto* t) {
            const auto has = [&](std::int32_t v) {
                return t->vertex[0] == v || t->vertex[1] == v || t->vertex[2] == v;
            };
            return t->object == f.object && has(f.vertex[0]) && has(f.vertex[1]);
        });
        if (on_one_triangle) {
            std::fprintf(stderr,
                         "build_bones_from_rig : Object[%d] line face %d has both ends on one "
                         "bone triangle: ignored\n",
                         f.object, f.face);
            continue;
        }
        lines[f.object].ends[f.vertex[0]].push_back({f.vertex[1], f.face});
        lines[f.object].ends[f.vertex[1]].push_back({f.vertex[0], f.face});
        kept.push_back({f.object, f.face});
    }

    std::set<std::pair<std::int32_t, std::int32_t>> used;
    for (std::size_t t = 0; t < drawn.size(); ++t) {
        rig_bone& bone = drawn[t];
        bone.parent = bone_with_tip(drawn, bone.object, bone.head, t);
        if (bone.parent >= 0) continue;
        const link l = float_along_lines(drawn, t, lines[bone.object], used);
        bone.parent = l.parent;
        bone.floating = l.floating;
    }
    for (const auto& line : kept)
        if (used.count(line) == 0)
            std::fprintf(stderr,
                         "build_bones_from_rig : Object[%d] line face %d links no bone's head to "
                         "another bone's tip: ignored\n",
                         line.first, line.second);
    break_loops(drawn);

    // Depth-first numbering from the roots, children in triangle order.
    std::vector<std::vector<std::size_t>> children(drawn.size());
    std::vector<std::size_t> roots;
    for (std::size_t t = 0; t < drawn.size(); ++t) {
        if (drawn[t].parent < 0)
            roots.push_back(t);
        else
            children[static_cast<std::size_t>(drawn[t].parent)].push_back(t);
    }
    std::vector<rig_bone> bones;
    const bool add_root = roots.size() > 1;
    if (add_root) {
        rig_bone root;
        root.name = rig_root_name;
        root.tip_position = {1.0f, 0.0f, 0.0f};
        root.up_position = {0.0f, 1.0f, 0.0f};
        bones.push_back(root);
    }
    std::vector<std::int32_t> number(drawn.size(), -1);
    std::vector<std::size_t> stack(roots.rbegin(), roots.rend());
    while (!stack.empty()) {
        const std::size_t t = stack.back();
        stack.pop_back();
        number[t] = static_cast<std::int32_t>(bones.size());
        rig_bone bone = drawn[t];
        bone.parent = bone.parent >= 0 ? number[static_cast<std::size_t>(bone.parent)]
                      : add_root       ? 0
                                       : -1;
        bones.push_back(bone);
        for (auto c = children[t].rbegin(); c != children[t].rend(); ++c)
            stack.push_back(*c);
    }
    return bones;
}

} // namespace ossify
