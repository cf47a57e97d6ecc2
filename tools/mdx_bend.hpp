// Bending one limb of an MDX: every frame turns the subtree of one bone about an
// axis through that bone's position, the way a pose in an animation would. The
// bend tool and its test share it; the tool exists to pose a model for the
// pictures of the modelling guide.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/byte_access.hpp"
#include "skeletal/engine_pose.hpp"

namespace ossify_tools {

// The axis of a bend: a model axis (x, y, z) or an axis of the bent bone
// itself (forward, left, up: the model-space direction of its local axis in
// each frame).
enum class bend_axis { x, y, z, forward, left, up };

// Parses an axis name; false when the text names none.
bool parse_bend_axis(std::string_view text, bend_axis& axis);

// The number of the bone called `name` in a checked MDX, or -1.
std::int32_t find_mdx_bone(const ossify::byte_region& mdx, std::string_view name);

// Turns the subtree of `bone` by `radians` about `axis` in every frame of a
// checked MDX, in place: each subtree bone's rotation R becomes Q·R and each
// offset direction below `bone` is turned by Q. Bones outside the subtree and
// the frame headers (bounds included) keep their bytes. Returns the number of
// bones turned a frame, or -1 when `bone` is not a bone of the MDX.
std::int32_t bend_mdx_subtree(ossify::byte_region& mdx, std::int32_t bone, bend_axis axis,
                              double radians);

} // namespace ossify_tools
