// A skeleton taken from an existing MDX: one of its frames posed exactly as the
// engine poses it, and the bone object of that pose, so that a model drawn in
// the modeller can be bound to the game's own skeleton (mode 9 with BINDMDX).
// Bone numbers, names and parents are the MDX's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_access.hpp"
#include "skeletal/engine_pose.hpp"

namespace ossify {

// The modeller draws at ten times the engine's size.
inline constexpr double modeller_per_engine_unit = 10.0;

struct mdx_pose {
    std::vector<std::string> names;
    std::vector<std::int32_t> parents; // as stored; -1 for a root
    std::vector<posed_bone> posed;     // in engine units
};

// Poses frame `frame` of a loaded (checked) MDX. Returns 1; -2 after printing
// the MDX's frames when it has no such frame; -1 after printing why when the MDX
// has no bones or more than an MDM can number, or a parent chain leaves the
// skeleton or loops.
std::int32_t pose_mdx_frame(const byte_region& mdx, std::int32_t frame, mdx_pose& pose);

// The bone object of a posed MDX, in the modeller's units: bone b is the MDX's
// bone b with its name, parent and ancestors, its origin at ten times its posed
// position, its forward vertex at its first child's origin (a leaf: one unit
// along its forward axis), and angles that give the mesh builder's bone-local
// rotation of that pose (up to float32 rounding). Its rows RMW1..3 are the
// directions of the bone's own axes. No tags; no marker faces (their indices
// are -1). Returns OffsetEnd, or -1 when it does not fit `boneobj`.
std::int32_t build_bones_from_mdx(const mdx_pose& pose, byte_region& boneobj);

// The bones a list names, by name or by number, separated by commas or blanks;
// an empty list chooses every bone. False, after saying on standard error which
// entry names no bone, or that the list chooses none.
bool choose_bones(const mdx_pose& pose, std::string_view list, std::vector<bool>& chosen);

// Bone b's position in the modeller's units.
dvec3 modeller_position(const mdx_pose& pose, std::size_t bone);

} // namespace ossify
