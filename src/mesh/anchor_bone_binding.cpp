#include "mesh/anchor_bone_binding.hpp"

#include <algorithm>
#include <cstdio>
#include <map>

#include "base/geometry_double.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "mqo/rig_names.hpp"

namespace ossify {

namespace {

struct bone_solid {
    anchor_solid solid;
    std::int32_t bone = -1;
    std::string target; // the mesh object it binds, without "sdef:"
};

std::int32_t bone_named(std::span<const bind_bone> bones, const std::string& name) {
    for (std::size_t b = 0; b < bones.size(); ++b)
        if (bones[b].name == name) return static_cast<std::int32_t>(b);
    return -1;
}

// The solids of every anchor object that name a bone the vertices may follow;
// the others are named on standard error.
std::vector<bone_solid> read_bone_solids(const byte_region& mqo, std::span<const bind_bone> bones) {
    std::vector<std::string> names;
    for (const bind_bone& b : bones)
        names.push_back(b.name);
    std::vector<bone_solid> out;
    offset_t object = mqo_first_object(mqo);
    for (std::int32_t o = 0; o < mqo_num_object(mqo); ++o, object = mqo_next_object(mqo, object)) {
        const std::string name = mqo_object_name(mqo, object);
        anchor_name anchor;
        if (!read_anchor_name(name, "bind_mesh_by_anchors", anchor)) continue;
        std::string target;
        const int named = bone_suffix(anchor.target, names, target);
        const std::vector<anchor_solid> solids = solids_of_object(mqo, object);
        for (std::size_t s = 0; s < solids.size(); ++s) {
            const std::int32_t material = solids[s].material;
            const std::string material_name = material >= 0 && material < mqo_num_material(mqo)
                                                  ? mqo_material_name(mqo, material)
                                                  : std::string{};
            const std::int32_t bone = named >= 0 ? named : bone_named(bones, material_name);
            if (bone < 0) {
                std::fprintf(stderr,
                             "bind_mesh_by_anchors : Anchor[%s] Solid[%zu] Material[%s]: the MDX "
                             "has no bone of that name; its vertices are bound by sight\n",
                             name.c_str(), s, material_name.c_str());
                continue;
            }
            const bind_bone& b = bones[static_cast<std::size_t>(bone)];
            if (!b.bindable) {
                std::fprintf(stderr,
                             "bind_mesh_by_anchors : Anchor[%s] Solid[%zu] Bone[%s] is not among "
                             "BINDBONES; its vertices are bound by sight\n",
                             name.c_str(), s, b.name.c_str());
                continue;
            }
            std::printf("bind_mesh_by_anchors : Anchor[%s] Solid[%zu] Triangle[%zu] Bone[%d:%s]\n",
                        name.c_str(), s, solids[s].triangles.size(), bone, b.name.c_str());
            out.push_back({solids[s], bone, target});
        }
    }
    return out;
}

// Whether the mesh object `name` is the one an anchor's TARGET names.
bool binds(const std::string& target, const std::string& name) {
    return name == target || skin_target(name) == target;
}

// The weights of a point inside the solids (those of one mesh object), shared
// by depth; none when it lies in none of them.
blend_result weights_inside(const dvec& p, std::span<const bone_solid* const> solids) {
    std::map<std::int32_t, double> depth;
    for (const bone_solid* s : solids) {
        if (!inside_solid(s->solid, p)) continue;
        const double d = surface_distance(s->solid, p);
        const auto [at, fresh] = depth.insert({s->bone, d});
        if (!fresh) at->second = std::max(at->second, d);
    }
    return shares_to_weights({depth.begin(), depth.end()});
}

} // namespace

bool read_anchor_name(const std::string& name, const char* caller, anchor_name& out) {
    if (parse_anchor_name(name, out)) return true;
    if (begins_with(name, marker_anchor))
        std::fprintf(stderr,
                     "%s : Object[%s] has no '|' before the name of its skin object: ignored\n",
                     caller, name.c_str());
    return false;
}

bool has_anchor_objects(const byte_region& mqo) {
    offset_t object = mqo_first_object(mqo);
    anchor_name anchor;
    for (std::int32_t o = 0; o < mqo_num_object(mqo); ++o, object = mqo_next_object(mqo, object))
        if (parse_anchor_name(mqo_object_name(mqo, object), anchor)) return true;
    return false;
}

std::vector<anchor_solid> solids_of_object(const byte_region& mqo, offset_t object) {
    std::vector<vector3> vertices;
    for (std::int32_t v = 0; v < mqo_num_vertex(mqo, object); ++v)
        vertices.push_back(mqo_vertex(mqo, object, v));
    std::vector<solid_face> faces;
    for (std::int32_t f = 0; f < mqo_num_face(mqo, object); ++f) {
        const offset_t face = mqo_face_at(mqo, object, f);
        solid_face s;
        s.material = mqo_face_material(mqo, face);
        const int corners = std::clamp(mqo_face_corners(mqo, face), 0, mqo_max_corners);
        for (int j = 0; j < corners; ++j)
            s.corner.push_back(mqo_face_vertex(mqo, face, j));
        faces.push_back(s);
    }
    return split_solids(vertices, faces);
}

blend_result shares_to_weights(std::vector<std::pair<std::int32_t, double>> shares) {
    std::stable_sort(shares.begin(), shares.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    if (shares.size() > static_cast<std::size_t>(max_blend_weights))
        shares.resize(static_cast<std::size_t>(max_blend_weights));
    double sum = 0.0;
    for (const auto& s : shares)
        sum += s.second;
    blend_result r;
    double others = 0.0;
    for (std::size_t i = 0; i < shares.size(); ++i) {
        const double share =
            sum > 0.0 ? shares[i].second / sum : 1.0 / static_cast<double>(shares.size());
        r.weights[i] = {shares[i].first, static_cast<float>(share)};
        if (i > 0) others += static_cast<double>(r.weights[i].weight);
    }
    if (!shares.empty()) r.weights[0].weight = static_cast<float>(1.0 - others);
    r.count = static_cast<int>(shares.size());
    return r;
}

std::int32_t bind_mesh_by_anchors(byte_region& mesh, const byte_region& mqo,
                                  std::span<const bind_bone> bones, const bind_options& options,
                                  std::vector<anchor_bound_object>* counts) {
    const std::vector<bone_solid> solids = read_bone_solids(mqo, bones);
    std::vector<anchor_bound_object> bound;
    std::vector<const bone_solid*> own; // the solids of the current object
    const vertex_rule first = [&](std::int32_t object, const std::string& name, const dvec3& p) {
        if (static_cast<std::size_t>(object) >= bound.size()) {
            bound.resize(static_cast<std::size_t>(object) + 1);
            bound.back().name = name;
            own.clear();
            for (const bone_solid& s : solids)
                if (binds(s.target, name)) own.push_back(&s);
        }
        anchor_bound_object& count = bound.back();
        const blend_result r = weights_inside({p[0], p[1], p[2]}, own);
        ++(r.count > 0 ? count.by_anchor : count.by_sight);
        return r;
    };
    const std::int32_t result = bind_mesh_to_skeleton(mesh, bones, options, first);
    for (const anchor_bound_object& b : bound)
        if (!b.name.empty())
            std::fprintf(stderr,
                         "bind_mesh_by_anchors : Object[%s] %d vertices bound by anchors, %d by "
                         "sight\n",
                         b.name.c_str(), b.by_anchor, b.by_sight);
    if (counts != nullptr) *counts = bound;
    return result;
}

} // namespace ossify
