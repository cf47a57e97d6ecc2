// The tags of a model bound to an existing skeleton (mode 9 with BINDMDX and no
// reference MDM): each tag marker hangs on the skeleton's bone nearest to its
// origin, with its offset and axes in that bone's frame at the bind pose, so the
// engine puts it where it was drawn (at a tenth of the modeller's size).
#pragma once

#include <cstdint>
#include <span>

#include "base/byte_access.hpp"
#include "skeleton/marker_tags.hpp"
#include "skeleton/mdx_skeleton.hpp"

namespace ossify {

// The bone whose posed position lies nearest to `origin` (modeller units);
// ties keep the lower bone number.
std::int32_t nearest_bone(const mdx_pose& pose, const vector3& origin);

// Gives `mdm` (as build_mdm_from_mesh wrote it, without tags) one tag per marker,
// written where the tags start; a tag lists its bone's ancestors, root first,
// and the bone last. Returns the new MDM size, or -1 after printing why.
std::int32_t build_mdm_bound_tags(std::span<const drawn_tag> tags, const mdx_pose& pose,
                                  byte_region& mdm);

} // namespace ossify
