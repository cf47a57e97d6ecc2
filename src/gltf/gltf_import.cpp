#include "gltf/gltf_import.hpp"

#include <algorithm>
#include <cmath>
#include <map>

#include "gltf/gltf_transform.hpp"
#include "gltf/shader_from_image.hpp"

namespace ossify {

namespace {

// Most node poses an animation is sampled for (frames × nodes): far beyond
// what an MDX buffer takes.
constexpr double max_sampled_poses = 2e7;

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string node_label(const gltf_document& d, std::int32_t node) {
    return "node " + std::to_string(node) + " " +
           quoted(d.nodes[static_cast<std::size_t>(node)].name);
}

// The nodes of the scene, each parent before its children, in file order.
std::vector<std::int32_t> scene_nodes(const gltf_document& d) {
    std::vector<std::int32_t> order;
    std::vector<std::int32_t> stack(d.scene.rbegin(), d.scene.rend());
    while (!stack.empty() && order.size() <= d.nodes.size()) {
        const std::int32_t node = stack.back();
        stack.pop_back();
        order.push_back(node);
        const std::vector<std::int32_t>& children =
            d.nodes[static_cast<std::size_t>(node)].children;
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return order;
}

dvec3 unit(const dvec3& v) {
    const double length = std::sqrt(dot3(v, v));
    if (!(length > 0) || !std::isfinite(length)) return {0, 0, 0};
    return {v[0] / length, v[1] / length, v[2] / length};
}

// Column i of R, the frame's axis i in the model.
dvec3 axis_of(const bone_rotation& r, std::size_t i) {
    return {r.forward[i], r.left[i], r.up[i]};
}

// A tag node at `m` (its world matrix already in the engine's space).
bool imported_tag_of(const gltf_document& d, std::int32_t node, const gltf_matrix& m,
                     imported_tag& tag, std::string& error) {
    frame_split split;
    std::string why;
    if (!split_frame(m, split, why)) {
        error = "the tag " + node_label(d, node) + " has " + why;
        return false;
    }
    tag.name = d.nodes[static_cast<std::size_t>(node)].name;
    tag.origin = transform_point(m, {0, 0, 0});
    tag.axes = {axis_of(split.rotation, 0), axis_of(split.rotation, 1), axis_of(split.rotation, 2)};
    return true;
}

bool import_joints(const gltf_document& d, imported_model& model, std::string& error) {
    const gltf_skin& skin = d.skins[static_cast<std::size_t>(model.skin)];
    std::map<std::int32_t, std::int32_t> joint_of_node;
    for (std::size_t j = 0; j < skin.joints.size(); ++j)
        if (!joint_of_node.emplace(skin.joints[j], static_cast<std::int32_t>(j)).second) {
            error = "the skin " + quoted(skin.name) + " lists " + node_label(d, skin.joints[j]) +
                    " twice";
            return false;
        }
    std::int32_t root = -1;
    for (std::size_t j = 0; j < skin.joints.size(); ++j) {
        const std::int32_t node = skin.joints[j];
        imported_joint joint;
        joint.name = d.nodes[static_cast<std::size_t>(node)].name;
        for (std::int32_t up = d.nodes[static_cast<std::size_t>(node)].parent; up >= 0;
             up = d.nodes[static_cast<std::size_t>(up)].parent) {
            const auto it = joint_of_node.find(up);
            if (it != joint_of_node.end()) {
                joint.parent = it->second;
                break;
            }
        }
        const std::optional<gltf_matrix> bind = inverse_affine(skin.inverse_binds[j]);
        if (!bind) {
            error = "the joint " + node_label(d, node) + " has a singular inverse bind matrix";
            return false;
        }
        const gltf_matrix frame = multiply(gltf_to_engine, *bind);
        frame_split split;
        std::string why;
        if (!split_frame(frame, split, why)) {
            error = "the joint " + node_label(d, node) + " has " + why + " at the bind pose";
            return false;
        }
        joint.origin = transform_point(frame, {0, 0, 0});
        joint.axes = split.rotation;
        // The engine places every bone without a parent at the frame's one
        // root position: a second root joint hangs on the first instead.
        if (joint.parent < 0 && root >= 0) joint.parent = root;
        if (joint.parent < 0) root = static_cast<std::int32_t>(j);
        model.joints.push_back(joint);
        model.bind_to_engine.push_back(frame);
        model.inverse_bind.push_back(skin.inverse_binds[j]);
    }
    return true;
}

// Weights of one vertex: merged per joint, normalised, the small ones dropped.
bool vertex_weights(const gltf_primitive& p, std::size_t v, std::size_t joint_count,
                    std::vector<imported_weight>& out, std::string& why) {
    std::map<std::int32_t, double> shares;
    for (std::size_t k = 0; k < 4; ++k) {
        const double w = p.weights[v][k];
        if (!(w > 0)) continue;
        if (p.joints[v][k] >= joint_count) {
            why = "weighs joint " + std::to_string(p.joints[v][k]) + " of a skin of " +
                  std::to_string(joint_count) + " joints";
            return false;
        }
        shares[static_cast<std::int32_t>(p.joints[v][k])] += w;
    }
    const auto normalise = [](std::vector<imported_weight>& ws) {
        double sum = 0;
        for (const imported_weight& w : ws)
            sum += w.weight;
        for (imported_weight& w : ws)
            w.weight /= sum;
    };
    out.clear();
    for (const auto& [joint, w] : shares)
        out.push_back({joint, w});
    if (out.empty()) {
        why = "has no weight";
        return false;
    }
    normalise(out);
    std::erase_if(out, [](const imported_weight& w) { return w.weight < imported_weight_floor; });
    normalise(out);
    std::stable_sort(
        out.begin(), out.end(),
        [](const imported_weight& a, const imported_weight& b) { return a.weight > b.weight; });
    return true;
}

struct placement {
    gltf_matrix points = gltf_identity;  // model positions into the engine
    gltf_matrix normals = gltf_identity; // normals (inverse transpose of `points`)
    bool mirrored = false;
    std::int32_t rigid_joint = -1; // a mesh without skin hung on this joint
    bool skinned = false;
};

gltf_matrix normal_matrix(const gltf_matrix& points) {
    const std::optional<gltf_matrix> inverse = inverse_affine(points);
    gltf_matrix n = gltf_identity;
    if (!inverse) return n;
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            n[c * 4 + r] = (*inverse)[r * 4 + c];
    return n;
}

double determinant(const gltf_matrix& m) {
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

bool import_primitive(const gltf_document& d, std::int32_t node, std::size_t index,
                      const placement& at, const import_options& options, imported_model& model,
                      std::string& error) {
    const gltf_node& n = d.nodes[static_cast<std::size_t>(node)];
    const gltf_mesh& mesh = d.meshes[static_cast<std::size_t>(n.mesh)];
    const gltf_primitive& p = mesh.primitives[index];
    if (p.mode != gltf_mode_triangles) {
        error = node_label(d, node) + ": primitive " + std::to_string(index) +
                " is not made of triangles (mode " + std::to_string(p.mode) +
                "); export it triangulated";
        return false;
    }
    imported_surface s;
    s.name = !n.name.empty()      ? n.name
             : !mesh.name.empty() ? mesh.name
                                  : "mesh" + std::to_string(node);
    if (mesh.primitives.size() > 1) s.name += "_" + std::to_string(index);
    s.material = p.material;
    s.shader = shader_from_image_uri(p.image_uri);
    if (s.shader.empty()) s.shader = p.material;
    const std::size_t joint_count = model.joints.size();
    if (at.skinned && p.weights.empty()) {
        error = node_label(d, node) + ": primitive " + std::to_string(index) +
                " has a skin but no JOINTS_0 and WEIGHTS_0";
        return false;
    }
    for (std::size_t v = 0; v < p.positions.size(); ++v) {
        imported_vertex out;
        out.position = transform_point(at.points, p.positions[v]);
        if (!p.normals.empty()) {
            out.normal = unit(transform_direction(at.normals, p.normals[v]));
            out.has_normal = out.normal != dvec3{0, 0, 0};
        }
        if (!p.uvs.empty()) out.uv = p.uvs[v];
        std::string why;
        if (at.skinned && !vertex_weights(p, v, joint_count, out.weights, why)) {
            error = node_label(d, node) + ": primitive " + std::to_string(index) + " vertex " +
                    std::to_string(v) + " " + why;
            return false;
        }
        if (at.rigid_joint >= 0) out.weights = {{at.rigid_joint, 1.0}};
        s.vertices.push_back(std::move(out));
    }
    const std::size_t corners = p.indices.empty() ? p.positions.size() : p.indices.size();
    for (std::size_t t = 0; t + 2 < corners; t += 3) {
        std::array<std::uint32_t, 3> tri{};
        for (std::size_t k = 0; k < 3; ++k)
            tri[k] = p.indices.empty() ? static_cast<std::uint32_t>(t + k) : p.indices[t + k];
        if (at.mirrored) std::swap(tri[1], tri[2]);
        s.triangles.push_back(tri);
    }
    (void)options;
    model.surfaces.push_back(std::move(s));
    return true;
}

bool kept(const import_options& options, const std::string& name) {
    return options.meshes.empty() ||
           std::find(options.meshes.begin(), options.meshes.end(), name) != options.meshes.end();
}

// Where a mesh node's vertices go: the node's world transform (static), the
// skin's bind space (skinned), or the bind pose of the joint it hangs on.
bool placement_of(const gltf_document& d, std::int32_t node, const std::vector<gltf_matrix>& world,
                  const import_options& options, const imported_model& model, placement& at,
                  std::vector<std::string>& notes, std::string& error) {
    const gltf_node& n = d.nodes[static_cast<std::size_t>(node)];
    gltf_matrix m = multiply(gltf_to_engine, world[static_cast<std::size_t>(node)]);
    if (options.skinned) {
        if (n.skin >= 0 && n.skin != model.skin) {
            error = node_label(d, node) + " uses a second skin; one skin a model";
            return false;
        }
        if (n.skin == model.skin) {
            at.skinned = true;
            m = gltf_to_engine;
        } else {
            const gltf_skin& skin = d.skins[static_cast<std::size_t>(model.skin)];
            for (std::int32_t up = n.parent; up >= 0 && at.rigid_joint < 0;
                 up = d.nodes[static_cast<std::size_t>(up)].parent)
                for (std::size_t j = 0; j < skin.joints.size(); ++j)
                    if (skin.joints[j] == up) {
                        at.rigid_joint = static_cast<std::int32_t>(j);
                        const std::optional<gltf_matrix> rest =
                            inverse_affine(world[static_cast<std::size_t>(up)]);
                        if (rest)
                            m = multiply(model.bind_to_engine[j],
                                         multiply(*rest, world[static_cast<std::size_t>(node)]));
                        break;
                    }
            if (at.rigid_joint < 0) {
                notes.push_back("left out : " + node_label(d, node) +
                                " has no skin and hangs on no joint of the skin");
                return true;
            }
        }
    }
    at.points = m;
    at.normals = normal_matrix(m);
    at.mirrored = determinant(m) < 0;
    return true;
}

} // namespace

std::vector<std::string> mesh_name_list(const char* value) {
    std::vector<std::string> names;
    std::string name;
    for (const char* c = value;; ++c) {
        if (*c == ',' || *c == '\0') {
            if (!name.empty()) names.push_back(name);
            name.clear();
            if (*c == '\0') break;
        } else {
            name.push_back(*c);
        }
    }
    return names;
}

bool import_gltf_model(const gltf_document& d, const import_options& options, imported_model& model,
                       std::string& error, std::vector<std::string>& notes) {
    model = {};
    const std::vector<node_trs> rest = rest_pose(d);
    const std::vector<gltf_matrix> world = world_matrices(d, rest);
    const std::vector<std::int32_t> nodes = scene_nodes(d);
    std::vector<std::int32_t> meshes, tag_nodes;
    for (std::int32_t node : nodes) {
        const gltf_node& n = d.nodes[static_cast<std::size_t>(node)];
        if (n.name.rfind("tag_", 0) == 0) tag_nodes.push_back(node);
        if (n.mesh >= 0 && kept(options, n.name)) meshes.push_back(node);
    }
    if (meshes.empty()) {
        error = options.meshes.empty() ? "the scene has no mesh node"
                                       : "the scene has no mesh node of the names GLTFMESH gives";
        return false;
    }
    if (options.skinned) {
        for (std::int32_t node : meshes)
            if (d.nodes[static_cast<std::size_t>(node)].skin >= 0) {
                model.skin = d.nodes[static_cast<std::size_t>(node)].skin;
                break;
            }
        if (model.skin < 0) {
            error = "no mesh node of the scene has a skin: a skinned model needs a rigged mesh";
            return false;
        }
        if (!import_joints(d, model, error)) return false;
    }
    for (std::int32_t node : tag_nodes) {
        imported_tag tag;
        gltf_matrix m = multiply(gltf_to_engine, world[static_cast<std::size_t>(node)]);
        if (options.skinned) {
            // At the bind pose, where the joint it hangs on takes it.
            for (std::size_t j = 0; j < model.joints.size() && tag.joint < 0; ++j)
                if (model.joints[j].parent < 0) tag.joint = static_cast<std::int32_t>(j);
            const gltf_skin& skin = d.skins[static_cast<std::size_t>(model.skin)];
            for (std::int32_t up = d.nodes[static_cast<std::size_t>(node)].parent; up >= 0;
                 up = d.nodes[static_cast<std::size_t>(up)].parent) {
                const auto it = std::find(skin.joints.begin(), skin.joints.end(), up);
                const std::optional<gltf_matrix> rest =
                    inverse_affine(world[static_cast<std::size_t>(up)]);
                if (it == skin.joints.end() || !rest) continue;
                tag.joint = static_cast<std::int32_t>(it - skin.joints.begin());
                m = multiply(model.bind_to_engine[static_cast<std::size_t>(tag.joint)],
                             multiply(*rest, world[static_cast<std::size_t>(node)]));
                break;
            }
        }
        const std::int32_t joint = tag.joint;
        if (!imported_tag_of(d, node, m, tag, error)) return false;
        tag.joint = joint;
        model.tags.push_back(tag);
    }
    for (std::int32_t node : meshes) {
        placement at;
        if (!placement_of(d, node, world, options, model, at, notes, error)) return false;
        if (options.skinned && !at.skinned && at.rigid_joint < 0) continue;
        const gltf_mesh& mesh =
            d.meshes[static_cast<std::size_t>(d.nodes[static_cast<std::size_t>(node)].mesh)];
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p)
            if (!import_primitive(d, node, p, at, options, model, error)) return false;
    }
    if (model.surfaces.empty()) {
        error = "no mesh of the scene could be converted";
        return false;
    }
    return true;
}

std::int32_t find_animation(const gltf_document& d, const std::string& name) {
    for (std::size_t a = 0; a < d.animations.size(); ++a)
        if (name.empty() || d.animations[a].name == name) return static_cast<std::int32_t>(a);
    return -1;
}

bool sample_joint_animation(const gltf_document& d, const imported_model& model,
                            std::int32_t animation, double fps, std::vector<sampled_frame>& frames,
                            std::string& error) {
    const gltf_animation& a = d.animations[static_cast<std::size_t>(animation)];
    const time_span span = animation_span(a);
    const double length = (span.last - span.first) * fps;
    if (!(fps > 0) || !std::isfinite(length) ||
        (length + 1) * static_cast<double>(d.nodes.size() + 1) > max_sampled_poses) {
        error = "the animation " + quoted(a.name) + " is too long to sample";
        return false;
    }
    const auto count = static_cast<std::size_t>(std::floor(length + 1e-6)) + 1;
    const gltf_skin& skin = d.skins[static_cast<std::size_t>(model.skin)];
    frames.assign(count, {});
    for (std::size_t f = 0; f < count; ++f) {
        const double t = span.first + static_cast<double>(f) / fps;
        const std::vector<gltf_matrix> world = world_matrices(d, pose_at(d, a, t));
        for (std::size_t j = 0; j < model.joints.size(); ++j) {
            // The skinning matrix in the engine's space: bind pose -> this frame.
            const gltf_matrix moved =
                multiply(multiply(gltf_to_engine, world[static_cast<std::size_t>(skin.joints[j])]),
                         multiply(model.inverse_bind[j], engine_to_gltf));
            frame_split split;
            std::string why;
            if (!split_frame(moved, split, why)) {
                error = "the joint " + quoted(model.joints[j].name) + " has " + why + " at time " +
                        std::to_string(t) + " of the animation " + quoted(a.name);
                return false;
            }
            frames[f].push_back({split.rotation, transform_point(moved, model.joints[j].origin)});
        }
    }
    return true;
}

} // namespace ossify
