#include "mesh/rig_binding.hpp"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include "base/geometry_double.hpp"
#include "base/vector_fields.hpp"
#include "mesh/anchor_bone_binding.hpp"
#include "mesh/anchor_solids.hpp"
#include "mesh/blend_weights.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "mqo/rig_names.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

struct rig_bone_view {
    std::string name;
    std::int32_t material = -1;
    dvec head, tip;
    bool drawn = true; // false for the added root, which has no triangle
};

struct owned_solid {
    anchor_solid solid;
    std::int32_t bone = -1;
    std::string target; // the skin object it belongs to, without "sdef:"
};

std::vector<rig_bone_view> read_bones(const byte_region& bones) {
    std::vector<rig_bone_view> out;
    const std::int32_t count = get_i32(bones, boneobj_header::num_bone);
    for (std::int32_t b = 0; b < count && b < mesh_max_bones; ++b) {
        const offset_t record = bone_record_at(b);
        rig_bone_view v;
        v.name = bone_record_name(bones, record);
        v.material = get_i32(bones, record + bone_record::material);
        v.head = to_dvec(get_vector3(bones, record + bone_record::origin_position));
        v.tip = to_dvec(get_vector3(bones, record + bone_record::forward_position));
        v.drawn = get_i32(bones, record + bone_record::face) >= 0;
        out.push_back(v);
    }
    return out;
}

std::vector<std::string> names_of(const std::vector<rig_bone_view>& bones) {
    std::vector<std::string> names;
    for (const rig_bone_view& b : bones)
        names.push_back(b.name);
    return names;
}

std::int32_t bone_named(const std::vector<rig_bone_view>& bones, const std::string& name) {
    for (std::size_t b = 0; b < bones.size(); ++b)
        if (bones[b].drawn && bones[b].name == name) return static_cast<std::int32_t>(b);
    return -1;
}

// The bone a solid's material names, or -1.
std::int32_t bone_of_material(const std::vector<rig_bone_view>& bones, const byte_region& mqo,
                              const anchor_solid& solid) {
    if (solid.material < 0 || solid.material >= mqo_num_material(mqo)) return -1;
    const std::string name = mqo_material_name(mqo, solid.material);
    const auto sharing = std::count_if(bones.begin(), bones.end(), [&](const rig_bone_view& b) {
        return b.drawn && b.material == solid.material;
    });
    if (name.ends_with("[]")) {
        const std::string side = solid.centre.x > 0 ? "[L]" : "[R]";
        const std::int32_t paired = bone_named(bones, name.substr(0, name.size() - 2) + side);
        if (paired >= 0) return paired;
    }
    if (sharing > 1) return -1; // numbered names: the material names none of them
    return bone_named(bones, name);
}

std::int32_t bone_inside(const std::vector<rig_bone_view>& bones, const anchor_solid& solid) {
    std::int32_t best = -1;
    double longest = 0.0;
    for (std::size_t b = 0; b < bones.size(); ++b) {
        if (!bones[b].drawn) continue;
        const double part = inside_length(solid, bones[b].head, bones[b].tip);
        if (part > longest) {
            longest = part;
            best = static_cast<std::int32_t>(b);
        }
    }
    return best;
}

std::int32_t bone_nearest(const std::vector<rig_bone_view>& bones, const anchor_solid& solid) {
    std::int32_t best = -1;
    double least = std::numeric_limits<double>::infinity();
    for (std::size_t b = 0; b < bones.size(); ++b) {
        if (!bones[b].drawn) continue;
        const double d = length((bones[b].head + bones[b].tip) * 0.5 - solid.centre);
        if (d < least) {
            least = d;
            best = static_cast<std::int32_t>(b);
        }
    }
    return best;
}

// Every solid of every anchor object, with its bone.
std::vector<owned_solid> read_solids(const byte_region& mqo,
                                     const std::vector<rig_bone_view>& bones) {
    const std::vector<std::string> names = names_of(bones);
    std::vector<owned_solid> out;
    offset_t object = mqo_first_object(mqo);
    for (std::int32_t o = 0; o < mqo_num_object(mqo); ++o, object = mqo_next_object(mqo, object)) {
        const std::string name = mqo_object_name(mqo, object);
        anchor_name anchor;
        if (!read_anchor_name(name, "bind_rig_weights", anchor)) continue;
        std::string target;
        const int named = bone_suffix(anchor.target, names, target);
        const std::vector<anchor_solid> solids = solids_of_object(mqo, object);
        for (std::size_t s = 0; s < solids.size(); ++s) {
            owned_solid owned{solids[s], -1, target};
            const char* by = "name";
            owned.bone = named;
            if (owned.bone < 0) {
                by = "material";
                owned.bone = bone_of_material(bones, mqo, owned.solid);
            }
            if (owned.bone < 0) {
                by = "segment";
                owned.bone = bone_inside(bones, owned.solid);
            }
            if (owned.bone < 0) {
                by = "nearest";
                owned.bone = bone_nearest(bones, owned.solid);
            }
            if (owned.bone < 0) continue;
            std::printf(
                "bind_rig_weights : Anchor[%s] Solid[%zu] Triangle[%zu] Bone[%d:%s] By[%s]\n",
                name.c_str(), s, owned.solid.triangles.size(), owned.bone,
                bones[static_cast<std::size_t>(owned.bone)].name.c_str(), by);
            out.push_back(owned);
        }
    }
    return out;
}

// Maps the candidates' indices of a blend back to bone numbers.
blend_result blend_over(const std::vector<std::int32_t>& candidates,
                        const std::vector<double>& distance, int most) {
    blend_result r = blend_distances(distance, std::max(most, 1));
    for (int k = 0; k < r.count; ++k) {
        blend_weight& w = r.weights[static_cast<std::size_t>(k)];
        w.bone = candidates[static_cast<std::size_t>(w.bone)];
    }
    return r;
}

struct object_binding {
    std::vector<const owned_solid*> solids; // the object's anchor solids
    std::vector<std::int32_t> solid_bones;  // their bones, ascending, once each
    std::int32_t rigid_bone = -1;           // "-BONE" objects
};

struct vertex_binding {
    blend_result weights;
    bool inside = false;
};

vertex_binding bind_vertex(const dvec& p, const object_binding& how,
                           const std::vector<rig_bone_view>& bones, int most,
                           std::vector<std::int32_t>& inside_per_bone) {
    vertex_binding out;
    if (how.rigid_bone >= 0) {
        out.weights.weights[0] = {how.rigid_bone, 1.0f};
        out.weights.count = 1;
        return out;
    }
    if (how.solids.empty()) {
        std::vector<std::int32_t> candidates;
        std::vector<double> distance;
        for (std::size_t b = 0; b < bones.size(); ++b) {
            if (!bones[b].drawn) continue;
            candidates.push_back(static_cast<std::int32_t>(b));
            distance.push_back(segment_distance(p, bones[b].head, bones[b].tip));
        }
        out.weights = blend_over(candidates, distance, most);
        return out;
    }
    // Per bone: the depth in its deepest solid holding p, and the distance to its
    // nearest solid.
    std::map<std::int32_t, double> depth;
    std::map<std::int32_t, double> nearest;
    for (const owned_solid* s : how.solids) {
        const double d = surface_distance(s->solid, p);
        const auto [at, fresh] = nearest.insert({s->bone, d});
        if (!fresh) at->second = std::min(at->second, d);
        if (!inside_solid(s->solid, p)) continue;
        const auto [in, first] = depth.insert({s->bone, d});
        if (!first) in->second = std::max(in->second, d);
    }
    if (!depth.empty()) {
        out.inside = true;
        for (const auto& [bone, d] : depth)
            ++inside_per_bone[static_cast<std::size_t>(bone)];
        out.weights = shares_to_weights({depth.begin(), depth.end()});
        return out;
    }
    std::vector<std::int32_t> candidates;
    std::vector<double> distance;
    for (const auto& [bone, d] : nearest) {
        candidates.push_back(bone);
        distance.push_back(d);
    }
    out.weights = blend_over(candidates, distance, most);
    return out;
}

object_binding binding_of(const std::string& name, const std::vector<owned_solid>& solids,
                          const std::vector<rig_bone_view>& bones) {
    object_binding how;
    const std::string target = skin_target(name);
    if (!target.empty()) {
        for (const owned_solid& s : solids)
            if (s.target == target) how.solids.push_back(&s);
        if (how.solids.empty())
            std::fprintf(stderr,
                         "bind_rig_weights : Object[%s] has no anchor solids: bound to its "
                         "nearest bones\n",
                         name.c_str());
        return how;
    }
    std::string stem;
    how.rigid_bone = bone_suffix(name, names_of(bones), stem);
    return how;
}

using position_key = std::tuple<float, float, float>;

} // namespace

std::int32_t bind_rig_weights(byte_region& mesh, const byte_region& mqo, const byte_region& bones,
                              int most, rig_binding_report* report) {
    std::printf("---------------------------------\nFUNCTION CALLED : bind_rig_weights\n"
                "---------------------------------\n");
    const std::vector<rig_bone_view> skeleton = read_bones(bones);
    const std::vector<owned_solid> solids = read_solids(mqo, skeleton);
    std::set<std::string> targets;
    for (const owned_solid& s : solids) {
        if (!targets.insert(s.target).second) continue;
        bool found = false;
        offset_t o = mqo_first_object(mqo);
        for (std::int32_t i = 0; i < mqo_num_object(mqo) && !found;
             ++i, o = mqo_next_object(mqo, o))
            found = skin_target(mqo_object_name(mqo, o)) == s.target;
        if (!found)
            std::fprintf(stderr,
                         "bind_rig_weights : anchor solids for [%s] find no object named "
                         "sdef:%s\n",
                         s.target.c_str(), s.target.c_str());
    }

    std::vector<std::int32_t> inside_per_bone(skeleton.size(), 0);
    std::vector<std::int32_t> outside_per_object;
    std::map<position_key, blend_result> seam;
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    offset_t source = mqo_first_object(mqo);
    std::int32_t source_index = 0;
    for (std::int32_t i = 0; i < objects; ++i) {
        // The MQO object this mesh object was built from.
        while (source_index < mqo_num_object(mqo) &&
               !is_mesh_object_name(mqo_object_name(mqo, source), true, false)) {
            source = mqo_next_object(mqo, source);
            ++source_index;
        }
        const std::string name = get_text(mesh, object + mesh_object::name, 64);
        if (source_index >= mqo_num_object(mqo) || mqo_object_name(mqo, source) != name) {
            std::printf("bind_rig_weights : Mesh_Object[%d] Name[%s] matches no object of the "
                        "model\n",
                        i, name.c_str());
            return -1;
        }
        const object_binding how = binding_of(name, solids, skeleton);
        const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
        const offset_t first = object + get_i32(mesh, object + mesh_object::ofs_vertex);
        bone_usage used{};
        std::int32_t weight_index = 0;
        std::int32_t outside = 0;
        for (std::int32_t j = 0; j < vertices; ++j) {
            const offset_t vertex = first + mesh_vertex::size * j;
            const vector3 p = get_vector3(mesh, vertex + mesh_vertex::position);
            vertex_binding b = bind_vertex(to_dvec(p), how, skeleton, most, inside_per_bone);
            if (!how.solids.empty() && !b.inside) ++outside;
            if (how.rigid_bone < 0) {
                const auto [at, fresh] = seam.insert({{p.x, p.y, p.z}, b.weights});
                if (!fresh) b.weights = at->second;
            }
            set_vertex_weights(mesh, vertex, b.weights, weight_index, used);
            weight_index += b.weights.count;
        }
        write_bone_references(mesh, object, used);
        outside_per_object.push_back(outside);
        std::printf("bind_rig_weights : Mesh_Object[%d] Name[%s] Vertex[%d] Outside[%d] "
                    "Weights[%d] NumRefBone[%d]\n",
                    i, name.c_str(), vertices, outside, weight_index,
                    get_i32(mesh, object + mesh_object::num_bone_ref));
        if (outside > 0)
            std::fprintf(stderr,
                         "bind_rig_weights : Object[%s] %d of %d vertices lie in no anchor "
                         "solid: bound to the bones of the nearest solids\n",
                         name.c_str(), outside, vertices);
        object += get_i32(mesh, object + mesh_object::ofs_end);
        source = mqo_next_object(mqo, source);
        ++source_index;
    }
    for (std::size_t b = 0; b < skeleton.size(); ++b)
        std::printf("bind_rig_weights : Bone[%zu] Name[%s] Inside[%d]\n", b,
                    skeleton[b].name.c_str(), inside_per_bone[b]);
    if (mesh.fault) {
        std::printf("bind_rig_weights : The mesh record does not hold its %d mesh objects\n",
                    objects);
        return -1;
    }
    if (report != nullptr) *report = {inside_per_bone, outside_per_object};
    return 1;
}

} // namespace ossify
