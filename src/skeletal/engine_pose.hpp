// How the engine poses a skeleton and skins a mesh on it: a bone's axes from
// its angles, a bone's position from its parent, a vertex from its weights and
// a tag from its bone. Every job that places something the way the engine will
// (the MDS split's tags, the skeleton MDX of an MQO model, the preview, the
// tests) calls these routines; nothing else restates the conventions.
//
// Conventions:
// - A compressed bone frame holds angles 0, 1, 2 = pitch, yaw, roll and offset
//   angles 0, 1 = pitch, yaw, all in model space (not relative to the parent).
// - A bone's rotation R has the rows forward, left, up. A vector o given in the
//   bone's frame is o in model space as R·o = (forward·o, left·o, up·o), so the
//   model-space direction of the bone's local axis j is column j of R.
// - A bone with a parent sits at the parent's position plus its parent distance
//   times the direction of its own offset angles; a root bone sits at the
//   frame's parent offset.
// - A vertex is the sum over its weights of weight × (bone position + R·offset);
//   its normal is R·normal with the R of its first weight's bone.
// - A tag on bone B sits at B's position + R_B·offset, its axis i is R_B·row i.
//
// Arithmetic is double throughout, every expression left to right as written,
// a dot product (a0·b0 + a1·b1) + a2·b2. Callers round to float32 where they
// store a value.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/geometry_double.hpp"

namespace ossify {

// The rows forward, left, up of a bone's rotation.
struct bone_rotation {
    dvec3 forward{1, 0, 0};
    dvec3 left{0, 1, 0};
    dvec3 up{0, 0, 1};
};

struct posed_bone {
    dvec3 position{};
    bone_rotation rotation{};
};

// One bone of a skeleton: its parent (negative for a root) and parent distance.
struct skeleton_bone {
    std::int32_t parent = -1;
    double parent_distance = 0;
};

// A bone frame as the engine stores it, decoded to radians.
struct bone_angles {
    double pitch = 0, yaw = 0, roll = 0;
    double offset_pitch = 0, offset_yaw = 0;
};

// One skin weight: the bone, its weight and the vertex in the bone's frame.
struct engine_weight {
    std::int32_t bone = 0;
    double weight = 0;
    dvec3 offset{};
};

double dot3(const dvec3& a, const dvec3& b);

bone_rotation rotation_from_angles(double pitch, double yaw, double roll);
bone_rotation rotation_from_angles(const bone_angles& angles);

// The direction the offset angles give: (cos p·cos y, cos p·sin y, −sin p).
dvec3 offset_direction(double pitch, double yaw);

// Column j of R: the model-space direction of the bone's local axis j.
dvec3 axis_column(const bone_rotation& r, int j);

// R·o: a vector in the bone's frame taken into model space.
dvec3 bone_to_model(const bone_rotation& r, const dvec3& o);

// The transpose of R·: a model-space vector taken into the bone's frame.
dvec3 model_to_bone(const bone_rotation& r, const dvec3& v);

// The bones of a skeleton in an order that poses every parent before its
// children, and the parent each bone is posed from: -1 for a root, and also for
// a bone whose parent lies outside the skeleton or closes a loop (`sound` is
// then false), so that the walk never runs away on a damaged file.
struct posing_order {
    std::vector<std::size_t> order;
    std::vector<std::int32_t> parents;
    bool sound = true;
};
posing_order posing_order_of(std::span<const skeleton_bone> bones);

// Poses every bone of a frame. `posed` must hold as many entries as `bones`.
// A parent index outside the skeleton, or a parent chain that loops, is posed as
// a root: the walk never runs away on a damaged file. Returns false when it met
// such a bone.
bool pose_skeleton(std::span<const skeleton_bone> bones, std::span<const bone_angles> frame,
                   const dvec3& root_position, std::span<posed_bone> posed);

// A vertex skinned on a posed skeleton. Weights naming a bone outside `posed`
// are left out.
dvec3 skin_vertex(std::span<const engine_weight> weights, std::span<const posed_bone> posed);

// A vertex normal, stored in the frame of the bone of the vertex's first weight,
// turned into model space by that bone. Unturned when there is no such bone.
dvec3 skin_normal(std::span<const engine_weight> weights, std::span<const posed_bone> posed,
                  const dvec3& normal);

// A tag as the engine places it on its attach bone.
struct placed_tag {
    dvec3 origin{};
    bone_rotation axes{}; // world axis i of the tag is row i here
};
placed_tag place_tag(const posed_bone& bone, const dvec3& offset, const bone_rotation& axis);

// The inverse: the tag record (offset and axis in B's frame) that puts a tag at
// `origin` with world axes `axes` when placed on B.
struct tag_record_values {
    dvec3 offset{};
    bone_rotation axis{};
};
tag_record_values tag_on_bone(const posed_bone& bone, const dvec3& origin,
                              const bone_rotation& axes);

// Angles that give a rotation with these rows (pitch, yaw, roll in radians).
// The rows must be orthonormal; at pitch ±90 degrees the roll is folded into
// the yaw.
bone_angles angles_from_rotation(const bone_rotation& r);

// Offset pitch and yaw that point along `direction` (any length but zero).
void offset_angles_from_direction(const dvec3& direction, bone_angles& angles);

// An angle in radians as the engine stores it: degrees × 65536 / 360, rounded,
// wrapped into the int16 range.
std::int16_t compress_angle(double radians);

} // namespace ossify
