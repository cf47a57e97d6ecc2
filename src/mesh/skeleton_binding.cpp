#include "mesh/skeleton_binding.hpp"

#include "base/geometry_double.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <string>

#include "base/vector_fields.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

namespace {

constexpr double infinite = std::numeric_limits<double>::infinity();

// How many times farther than the nearest segment one in sight may lie.
constexpr double farthest_in_sight = 6.0;

// The point of the segment nearest to p; a segment of length 0 is its start.
dvec3 nearest_on_segment(const dvec3& p, const bind_segment& s) {
    const dvec3 axis = minus(s.to, s.from);
    const double length2 = dot3(axis, axis);
    const double t =
        length2 > 0.0 ? std::clamp(dot3(minus(p, s.from), axis) / length2, 0.0, 1.0) : 0.0;
    return {s.from[0] + t * axis[0], s.from[1] + t * axis[1], s.from[2] + t * axis[2]};
}

// Whether the segment p + t·(q − p), 0 < t < 1, passes through the triangle.
bool segment_hits(const std::array<dvec3, 3>& tri, const dvec3& p, const dvec3& q) {
    constexpr double tiny = 1e-12;
    const dvec3 dir = minus(q, p);
    const dvec3 e1 = minus(tri[1], tri[0]);
    const dvec3 e2 = minus(tri[2], tri[0]);
    const dvec3 h = cross(dir, e2);
    const double det = dot3(e1, h);
    const double scale = std::sqrt(dot3(e1, e1) * dot3(e2, e2) * dot3(dir, dir));
    if (!(std::abs(det) > tiny * scale)) return false; // parallel or degenerate
    const double inv = 1.0 / det;
    const dvec3 s = minus(p, tri[0]);
    const double u = inv * dot3(s, h);
    // A line through an edge or a corner shared by several triangles must hit
    // at least one of them whatever the rounding: the bounds give a little.
    constexpr double give = 1e-9;
    if (u < -give || u > 1.0 + give) return false;
    const dvec3 qv = cross(s, e1);
    const double v = inv * dot3(dir, qv);
    if (v < -give || u + v > 1.0 + give) return false;
    const double t = inv * dot3(e2, qv);
    // Hits within a millionth of the way from the vertex are its own surface;
    // as close to the bone, a joint that lies on the skin (the bottom of a
    // box-modelled head at the neck) and not a surface in between.
    return t > 1e-6 && t < 1.0 - 1e-6;
}

bool box_misses(const std::array<dvec3, 2>& box, const dvec3& p, const dvec3& q) {
    for (std::size_t k = 0; k < 3; ++k)
        if (std::max(p[k], q[k]) < box[0][k] || std::min(p[k], q[k]) > box[1][k]) return true;
    return false;
}

bool has_corner_at(const std::array<dvec3, 3>& tri, const dvec3& p) {
    return tri[0] == p || tri[1] == p || tri[2] == p;
}

// A segment as one vertex sees it: how far its nearest point is and whether
// the line to that point crosses the model (-1: not yet tested).
struct segment_view {
    std::int32_t bone;
    double distance;
    dvec3 nearest;
    int crossed;
};

std::vector<segment_view> views_of(const dvec3& p, std::span<const bind_segment> segments,
                                   std::size_t bone_count) {
    std::vector<segment_view> views;
    for (const bind_segment& s : segments) {
        if (s.bone < 0 || static_cast<std::size_t>(s.bone) >= bone_count) continue;
        // Beyond the joint of a bone without children the skin is that bone's
        // (whose point is always among the segments).
        if (s.to_leaf) {
            const dvec3 axis = minus(s.to, s.from);
            if (dot3(minus(p, s.from), axis) > dot3(axis, axis)) continue;
        }
        const dvec3 q = nearest_on_segment(p, s);
        views.push_back({s.bone, distance(p, q), q, -1});
    }
    std::stable_sort(views.begin(), views.end(), [](const segment_view& a, const segment_view& b) {
        return a.distance < b.distance;
    });
    return views;
}

// The distance of every bone that counts for the vertex (see the header):
// over the segments it sees, or, when it sees none, over those behind the
// fewest surfaces. Infinite for the others.
std::vector<double> distances_in_sight(const dvec3& p, const occluders* model,
                                       std::vector<segment_view>& views, std::size_t bone_count,
                                       int most) {
    std::vector<double> d(bone_count, infinite);
    const auto crossed = [&](segment_view& v) {
        if (v.crossed < 0) v.crossed = model == nullptr ? 0 : crossings(*model, p, v.nearest);
        return v.crossed;
    };
    if (views.empty()) return d;
    // A bone in sight but several times farther than the nearest is no
    // better guess than the nearest: there the surface folds over itself.
    const double horizon = farthest_in_sight * views.front().distance;
    std::size_t seen = views.size();
    for (std::size_t i = 0; i < views.size() && seen == views.size(); ++i)
        if (views[i].distance <= horizon && crossed(views[i]) == 0) seen = i;
    int fewest = 0;
    double reach = horizon;
    if (seen < views.size()) {
        // The blend gives nothing beyond twice the least distance: no farther
        // line needs testing.
        reach = (most > 1 ? 2.0 : 1.0) * views[seen].distance;
    } else {
        fewest = std::numeric_limits<int>::max();
        for (segment_view& v : views)
            if (v.distance <= horizon) fewest = std::min(fewest, crossed(v));
    }
    for (segment_view& v : views) {
        if (!(v.distance <= reach)) break;
        if (crossed(v) == fewest) {
            const auto b = static_cast<std::size_t>(v.bone);
            d[b] = std::min(d[b], v.distance);
        }
    }
    return d;
}

dvec3 vertex_position(const byte_region& mesh, offset_t vertex) {
    const vector3 p = get_vector3(mesh, vertex + mesh_vertex::position);
    return {p.x, p.y, p.z};
}

// Every triangle of every mesh object of the record.
occluders occluders_of(const byte_region& mesh) {
    occluders model;
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    for (std::int32_t i = 0; i < objects && !mesh.fault; ++i) {
        const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
        const std::int32_t triangles = get_i32(mesh, object + mesh_object::num_triangle);
        const offset_t first_vertex = object + get_i32(mesh, object + mesh_object::ofs_vertex);
        const offset_t first_triangle = object + get_i32(mesh, object + mesh_object::ofs_triangle);
        for (std::int32_t t = 0; t < triangles && !mesh.fault; ++t) {
            const offset_t at = first_triangle + mesh_triangle::size * t + mesh_triangle::vertex;
            std::array<dvec3, 3> corner{};
            bool sound = true;
            for (offset_t k = 0; k < 3; ++k) {
                const std::int32_t v = get_i32(mesh, at + 4 * k);
                sound = sound && v >= 0 && v < vertices;
                if (sound)
                    corner[static_cast<std::size_t>(k)] =
                        vertex_position(mesh, first_vertex + mesh_vertex::size * v);
            }
            if (sound) model.add(corner[0], corner[1], corner[2]);
        }
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    return model;
}

// The segments a mesh object binds to: those of the bone named as the object
// and the bones below it, when there is such a bone; else all.
std::vector<bind_segment> segments_for_object(std::span<const bind_bone> bones,
                                              const std::vector<bind_segment>& all,
                                              const std::string& object) {
    std::size_t top = bones.size();
    for (std::size_t b = 0; b < bones.size() && top == bones.size(); ++b)
        if (bones[b].name == object) top = b;
    if (top == bones.size()) return all;
    std::vector<bind_bone> below(bones.begin(), bones.end());
    for (std::size_t b = 0; b < below.size(); ++b) {
        std::size_t steps = 0;
        std::int32_t a = static_cast<std::int32_t>(b);
        while (a >= 0 && static_cast<std::size_t>(a) != top && steps++ < bones.size())
            a = static_cast<std::size_t>(a) < bones.size()
                    ? bones[static_cast<std::size_t>(a)].parent
                    : -1;
        below[b].bindable = below[b].bindable && static_cast<std::size_t>(a) == top;
    }
    const std::vector<bind_segment> chosen = bind_segments(below);
    return chosen.empty() ? all : chosen;
}

vector3 rounded(const dvec3& v) {
    return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

} // namespace

std::vector<bind_bone> bind_bones_of(const mdx_pose& pose, const std::vector<bool>& chosen) {
    std::vector<bind_bone> bones(pose.posed.size());
    for (std::size_t b = 0; b < bones.size(); ++b)
        bones[b] = {modeller_position(pose, b), pose.posed[b].rotation, pose.parents[b],
                    b < chosen.size() && chosen[b], pose.names[b]};
    return bones;
}

std::vector<bind_segment> bind_segments(std::span<const bind_bone> bones) {
    std::vector<bind_segment> segments;
    for (std::size_t b = 0; b < bones.size(); ++b) {
        if (!bones[b].bindable) continue;
        const auto bone = static_cast<std::int32_t>(b);
        bool leaf = true;
        for (const bind_bone& child : bones)
            if (child.parent == bone) {
                // A child that no vertex may follow takes no skin from its parent.
                const bool to_leaf =
                    child.bindable &&
                    std::none_of(bones.begin(), bones.end(), [&](const bind_bone& c) {
                        return c.parent == static_cast<std::int32_t>(&child - bones.data());
                    });
                segments.push_back({bone, bones[b].position, child.position, to_leaf});
                leaf = false;
            }
        if (leaf) segments.push_back({bone, bones[b].position, bones[b].position});
    }
    return segments;
}

void occluders::add(const dvec3& a, const dvec3& b, const dvec3& c) {
    triangles.push_back({a, b, c});
    std::array<dvec3, 2> box{a, a};
    for (const dvec3* corner : {&b, &c})
        for (std::size_t k = 0; k < 3; ++k) {
            box[0][k] = std::min(box[0][k], (*corner)[k]);
            box[1][k] = std::max(box[1][k], (*corner)[k]);
        }
    boxes.push_back(box);
}

int crossings(const occluders& model, const dvec3& p, const dvec3& q) {
    int count = 0;
    for (std::size_t t = 0; t < model.triangles.size(); ++t) {
        if (box_misses(model.boxes[t], p, q) || has_corner_at(model.triangles[t], p)) continue;
        count += segment_hits(model.triangles[t], p, q) ? 1 : 0;
    }
    return count;
}

blend_result bind_point(const dvec3& p, std::span<const bind_segment> segments,
                        std::size_t bone_count, const occluders* model,
                        const bind_options& options) {
    const int most = std::clamp(options.most, 1, max_blend_weights);
    std::vector<segment_view> views = views_of(p, segments, bone_count);
    const occluders* sight = options.line_of_sight ? model : nullptr;
    return blend_distances(distances_in_sight(p, sight, views, bone_count, most), most);
}

std::int32_t bind_mesh_to_skeleton(byte_region& mesh, std::span<const bind_bone> bones,
                                   const bind_options& options, const vertex_rule& ask_first) {
    std::printf("---------------------------------\nFUNCTION CALLED : bind_mesh_to_skeleton\n"
                "---------------------------------\n");
    if (bones.size() > static_cast<std::size_t>(mesh_max_bones)) {
        std::printf("bind_mesh_to_skeleton : NumBone[%zu] is more than the %d bone slots of a "
                    "vertex\n",
                    bones.size(), mesh_max_bones);
        return -1;
    }
    const std::vector<bind_segment> segments = bind_segments(bones);
    const occluders model = occluders_of(mesh);
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    for (std::int32_t i = 0; i < objects && !mesh.fault; ++i) {
        const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
        const offset_t first = object + get_i32(mesh, object + mesh_object::ofs_vertex);
        const std::string name = get_text(mesh, object + mesh_object::name, 64);
        const std::vector<bind_segment> own = segments_for_object(bones, segments, name);
        bone_usage used{};
        std::int32_t weight_index = 0;
        for (std::int32_t j = 0; j < vertices && !mesh.fault; ++j) {
            const offset_t vertex = first + mesh_vertex::size * j;
            const dvec3 p = vertex_position(mesh, vertex);
            for (offset_t k = 0; k < mesh_max_bones; ++k) {
                const offset_t slot = vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * k;
                put_f32(mesh, slot + mesh_bone_slot::weight, 0.0f);
                const auto b = static_cast<std::size_t>(k);
                const vector3 local =
                    b < bones.size()
                        ? rounded(model_to_bone(bones[b].rotation, minus(p, bones[b].position)))
                        : vector3{};
                put_vector3(mesh, slot + mesh_bone_slot::position, local);
                put_i32(mesh, vertex + mesh_vertex::weight_bone + 4 * k, 0);
            }
            blend_result r;
            if (ask_first) r = ask_first(i, name, p);
            if (r.count == 0) r = bind_point(p, own, bones.size(), &model, options);
            set_vertex_weights(mesh, vertex, r, weight_index, used);
            weight_index += r.count;
        }
        write_bone_references(mesh, object, used);
        std::printf("bind_mesh_to_skeleton : Mesh_Object[%d] Name[%s] Vertex[%d] Weights[%d] "
                    "NumRefBone[%d]\n",
                    i, name.c_str(), vertices, weight_index,
                    get_i32(mesh, object + mesh_object::num_bone_ref));
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    if (mesh.fault) {
        std::printf("bind_mesh_to_skeleton : The mesh record does not hold its %d mesh objects\n",
                    objects);
        return -1;
    }
    return 1;
}

} // namespace ossify
