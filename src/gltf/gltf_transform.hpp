// Transforms of a glTF document: node matrices, world matrices, the sampling
// of animation channels, and the change from glTF's space into the engine's.
// Double precision throughout; nothing here is stored without rounding by the
// writers.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "gltf/gltf_document.hpp"

namespace ossify {

gltf_matrix multiply(const gltf_matrix& a, const gltf_matrix& b);
// The inverse of an affine matrix; none when its linear part is singular.
std::optional<gltf_matrix> inverse_affine(const gltf_matrix& m);
dvec3 transform_point(const gltf_matrix& m, const dvec3& p);
dvec3 transform_direction(const gltf_matrix& m, const dvec3& v);
gltf_matrix matrix_of_trs(const dvec3& t, const gltf_quaternion& r, const dvec3& s);

// A node's translation, rotation and scale, as the rest pose or an animation sets them.
struct node_trs {
    dvec3 translation{};
    gltf_quaternion rotation{0, 0, 0, 1};
    dvec3 scale{1, 1, 1};
    bool fixed_matrix = false; // a node given by a matrix is not animated
    gltf_matrix matrix = gltf_identity;
};
std::vector<node_trs> rest_pose(const gltf_document& document);
gltf_matrix local_matrix(const node_trs& node);

// World matrices of every node (the parent chains are known to end).
std::vector<gltf_matrix> world_matrices(const gltf_document& document,
                                        std::span<const node_trs> pose);

// The first and last key time of an animation (0, 0 without channels).
struct time_span {
    double first = 0, last = 0;
};
time_span animation_span(const gltf_animation& animation);

// The pose at time `t`: the rest pose with every channel of `animation`
// applied, interpolated as glTF defines (step, linear with slerp for
// rotations, cubic spline); times outside the keys hold the end values.
std::vector<node_trs> pose_at(const gltf_document& document, const gltf_animation& animation,
                              double t);

// glTF (metres, y up, front +z) into the engine (inches, z up, front +x): the
// inverse of the preview's root transform.
extern const gltf_matrix gltf_to_engine;
extern const gltf_matrix engine_to_gltf;

// An affine matrix's linear part split into a rotation (rows as the engine's
// bone_rotation: R·o takes the frame's vector into the model) and one scale.
// Fails for a singular, negative, non-uniform (beyond 1e-5) or sheared frame.
struct frame_split {
    bone_rotation rotation;
    double scale = 1;
};
bool split_frame(const gltf_matrix& m, frame_split& split, std::string& why);

} // namespace ossify
