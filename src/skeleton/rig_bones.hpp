// The skeleton of a rigged model: bones drawn as triangles in "bone:" objects,
// linked by shared vertices and by lines, as the modeller's posing tools read
// them. Pure work over plain arrays; build_bones_from_rig writes the result as
// the bone object.
//
// - A triangle's edges sorted by length (of two equal edges the one opposite the
//   lower vertex number counts as longer): the head is the vertex opposite the
//   longest edge, the tip where the longest and the second meet, the up vertex
//   where the longest and the shortest meet.
// - Names from the face's material: a material of one triangle gives its name; a
//   material "NAME[]" of exactly two triangles, one on each side of x = 0, gives
//   "NAME[L]" to the one whose midpoint has x > 0 and "NAME[R]" to the other; any
//   other material of several triangles gives NAME, NAME01, NAME02, ... in face
//   order. Faces without a material share the name "bone".
// - A bone whose head is another bone's tip (in the same object) is its child;
//   else a chain of two-vertex lines from its head to another bone's tip makes it
//   a floating child of that bone. The nearest tip along the lines wins, then the
//   earlier face. Lines with both ends on one triangle are ignored.
// - Bones are numbered depth-first from the roots, siblings in face order (the
//   objects in file order). Several roots get one added bone named "root" at the
//   origin, number 0, that holds them all.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/vector_math.hpp"

namespace ossify {

inline constexpr char rig_root_name[] = "root";

// One face of a bone object: a triangle (3 corners) or a line (2).
struct rig_face {
    std::int32_t object = 0; // index of its object in the model
    std::int32_t face = 0;   // index in its object
    std::int32_t material = -1;
    int corners = 3;
    std::array<std::int32_t, 3> vertex{};
    std::array<vector3, 3> position{};
};

struct rig_bone {
    std::string name;
    std::int32_t object = -1; // -1 for the added root
    std::int32_t face = -1;
    std::int32_t material = -1;
    std::int32_t head = -1, tip = -1, up = -1; // vertex numbers in its object
    vector3 head_position, tip_position, up_position;
    std::int32_t parent = -1; // bone number
    bool floating = false;    // hangs off its parent through lines
};

struct rig_roles {
    int head = 0, tip = 1, up = 2; // corner indices 0..2
    bool near_tie = false;         // two edges differ by less than 1 %
};

// The roles of a triangle's corners.
rig_roles rig_corner_roles(const std::array<vector3, 3>& position,
                           const std::array<std::int32_t, 3>& vertex);

// The bones of the faces, in bone-number order. `material_names` names the
// model's materials. Explains on standard error what it ignores, near ties of
// edge lengths and links that would close a loop.
std::vector<rig_bone> build_rig_bones(std::span<const rig_face> faces,
                                      std::span<const std::string> material_names);

} // namespace ossify
