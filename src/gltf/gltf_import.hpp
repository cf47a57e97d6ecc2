// A glTF document turned into the engine's space (inches, z up, front +x) as
// plain records: the surfaces, the skin's joints with their bind frames, the
// tags, and sampled animations. The mesh and skeleton builders take these.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gltf/gltf_document.hpp"

namespace ossify {

// Weights below this share are dropped (the rest renormalised).
inline constexpr double imported_weight_floor = 0.01;

struct imported_weight {
    std::int32_t joint = 0; // index into imported_model::joints
    double weight = 0;
};

struct imported_vertex {
    dvec3 position{};
    dvec3 normal{};
    bool has_normal = false; // false: computed from the faces by the mesh builder
    std::array<double, 2> uv{};
    std::vector<imported_weight> weights; // by decreasing weight, ties by joint
};

struct imported_surface {
    std::string name;     // the node's or mesh's name, "_N" for primitive N of several
    std::string material; // the glTF material's name
    std::string shader;   // from the base colour texture's image, else the material's name
    std::vector<imported_vertex> vertices;
    std::vector<std::array<std::uint32_t, 3>> triangles;
};

struct imported_joint {
    std::string name;
    std::int32_t parent = -1; // the nearest ancestor joint; a second root hangs on the first
    dvec3 origin{};           // at the bind pose
    bone_rotation axes{};     // the joint's frame at the bind pose, without scale
};

struct imported_tag {
    std::string name;
    dvec3 origin{};
    bone_rotation axes{};    // row i: the tag's axis i (forward, left, up)
    std::int32_t joint = -1; // skinned: the joint it rides on (its nearest ancestor, else the root)
};

struct imported_model {
    std::vector<imported_surface> surfaces;
    std::vector<imported_joint> joints; // empty for a static model
    std::vector<imported_tag> tags;
    std::int32_t skin = -1;                  // the glTF skin the joints come from
    std::vector<gltf_matrix> bind_to_engine; // per joint: C · inverse bind (the bind frame)
    std::vector<gltf_matrix> inverse_bind;   // per joint, from the skin
};

struct import_options {
    bool skinned = false;            // mode 9: bind-pose vertices and the skin's joints
    std::vector<std::string> meshes; // GLTFMESH: keep only these nodes; empty keeps all
};

// The names of a GLTFMESH value: comma-separated, kept as written.
std::vector<std::string> mesh_name_list(const char* value);

// Fills `model` from the default scene. Returns false with a one-line reason
// (naming the node) for what cannot be converted: a primitive that is not made
// of triangles, no mesh, weights on joints beyond the skin, a skinned mesh in
// mode 9 without a skin, a joint chain with non-uniform or negative scale.
// Notes for people (what was left out) go to `notes`, one line each.
bool import_gltf_model(const gltf_document& document, const import_options& options,
                       imported_model& model, std::string& error, std::vector<std::string>& notes);

// One sampled frame: per joint the rotation since the bind pose (R_now · R_bindᵀ,
// rows as bone_rotation) and its origin, in the engine's space.
struct joint_pose {
    bone_rotation turn{};
    dvec3 origin{};
};
using sampled_frame = std::vector<joint_pose>;

// The index of the animation named `name` (empty: the first); -1 when none.
std::int32_t find_animation(const gltf_document& document, const std::string& name);

// Samples animation `animation` at `fps` frames a second from its first to its
// last key (both included) for the joints of `model`. False with a reason when
// a joint's frame cannot be split into rotation and uniform scale.
bool sample_joint_animation(const gltf_document& document, const imported_model& model,
                            std::int32_t animation, double fps, std::vector<sampled_frame>& frames,
                            std::string& error);

} // namespace ossify
