// The skeleton MDX of an MQO model: one frame in which the engine's skinning
// puts every vertex of the mode 9 MDM where the modeller drew it (scaled by 0.1).
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

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

} // namespace ossify
