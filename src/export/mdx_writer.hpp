// The skeleton MDX of an MQO model: one frame in which the engine's skinning
// puts every vertex of the mode 9 MDM where the modeller drew it (scaled by 0.1).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_access.hpp"
#include "skeletal/engine_pose.hpp"

namespace ossify {

// Writes into `mdx` (zero-filled) a one-frame MDX of the skeleton in `bones`
// (the bone object of the run), in the bone numbering of the MDM: bone b of the
// MDX is bone record b, named by its "bone:" material, with its parent, the
// distance between the origins × 0.1, torso weight 0 and flags 0; the torso
// parent is the root bone. The frame places the root at 0.1 × its origin and
// gives every bone the rotation that undoes the one its skin was bound with, so
// the skinning of `mdm` (the MDM that build_mdm_from_mesh wrote from the same
// bone object) gives back the drawn model. Bounds, local origin and radius are
// those of `mdm` skinned on that frame.
//
// Saves nothing. Returns the MDX size, or -1 after printing why (a skeleton
// without bones or with more than an MDM can number, a bone without an
// orientation, a buffer too small).
std::int32_t build_mdx_from_skeleton(const byte_region& bones, const byte_region& mdm,
                                     byte_region& mdx);

// One bone in one frame of an animation of such a skeleton: the rotation that
// took it from its bound pose (rows as bone_rotation) and where its origin is,
// in the engine's units.
struct bone_motion {
    bone_rotation turn{};
    dvec3 origin{};
};
using skeleton_motion = std::vector<bone_motion>; // one entry a bone

// The same MDX with one frame per entry of `frames` (each one entry per bone):
// every bone's angles from its turned rotation, its offset angles from the
// direction to its parent's origin, the root's origin as the frame's parent
// offset, and the bounds of `mdm` skinned on the frame. The parent distances
// stay those of the bound skeleton (the format keeps one a bone); `stretch`
// receives the largest difference between a bone's distance to its parent in
// a frame and that distance. Returns the MDX size, or -1 as above.
std::int32_t build_mdx_from_motion(const byte_region& bones, const byte_region& mdm,
                                   std::span<const skeleton_motion> frames, byte_region& mdx,
                                   double& stretch);

} // namespace ossify
