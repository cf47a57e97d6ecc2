// Binding the skin of a rigged model (RIG): each vertex of a "sdef:" object
// follows the bones of the anchor solids it lies in, an object named "...-BONE"
// follows that bone whole, every other object its nearest bones.
//
// A solid belongs to the bone its anchor object's name ends in ("-BONE"); else
// to the bone named by its material (a material "NAME[]" names NAME[L] for a
// solid whose centre has x > 0, NAME[R] otherwise; a material shared by several
// bones, which numbered their names, names none); else to the bone with the
// longest part of its segment inside the solid; else to the bone whose segment
// midpoint lies nearest the solid's centre.
//
// A vertex inside the solids of one bone follows it with weight 1. Inside the
// solids of several bones it is shared by depth: with d_k the distance from the
// vertex to the surface of bone k's deepest solid holding it, w_k = d_k / Σ d
// (the four deepest kept; equal shares when every depth is 0). Inside none, the
// blended-weights rule runs over the distances to the nearest solid of each
// bone that has solids for the object (BLENDWEIGHTS bones; absent or 0: the
// nearest alone). An object without anchor solids is bound by the same rule
// over the bones' segments. Vertices at one position share the weights of the
// first of them bound (objects in order), so seams between objects hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_access.hpp"

namespace ossify {

struct rig_binding_report {
    std::vector<std::int32_t> inside_per_bone;    // vertices lying in the bone's solids
    std::vector<std::int32_t> outside_per_object; // per mesh object: in no solid of its anchors
};

// Rewrites the weights of every mesh object of `mesh`, built from `mqo` without
// its anchor objects, on the rig skeleton `bones`. `most` is BLENDWEIGHTS.
// Returns 1, or -1 when the mesh record does not match the model (the reason
// is printed).
std::int32_t bind_rig_weights(byte_region& mesh, const byte_region& mqo, const byte_region& bones,
                              int most, rig_binding_report* report = nullptr);

} // namespace ossify
