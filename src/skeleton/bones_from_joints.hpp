// The bone object of an imported (glTF) skeleton: one bone record per joint.
#pragma once

#include <cstdint>
#include <span>

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"
#include "gltf/gltf_import.hpp"

namespace ossify {

// Builds the bone object into the zero-filled `boneobj`: bone b is joint b,
// named by its node, with its parent and ancestors (root first), its origin
// × `scale` and the angles whose bone frame (the frame the mesh builder binds
// vertices in) has the joint's axes, and the distance to its parent. The rows
// RMW1..3 and the marker fields stay zero: nothing drew these bones. Returns
// OffsetEnd, or -1 after printing why (no joints, more than 128, a parent chain
// deeper than 128).
// Each of `tags` follows as a tag record on the bone of its joint: its origin
// and axes (RMW1..3) in the model, its chain that bone's ancestors and the bone,
// its origin vertex the bone's forward vertex (the vertex numbers of such a
// bone object are the joints' numbers), so build_mdm_skeleton_tags hangs it there.
std::int32_t build_bones_from_joints(byte_region& boneobj, std::span<const imported_joint> joints,
                                     double scale, std::span<const imported_tag> tags = {});

// Roll, Pitch and Yaw (as x, y, z) whose bone frame has the axes `axes` (rows
// as the engine's bone_rotation: column j is the frame's axis j in the model).
vector3 angles_of_bone_axes(const bone_rotation& axes);

} // namespace ossify
