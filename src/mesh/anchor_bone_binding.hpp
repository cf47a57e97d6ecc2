// Anchor solids on the bones of an existing skeleton (mode 9 with BINDMDX): a
// modder draws closed solids round the parts of a new character, in objects
// named "anchorLABEL|TARGET" or "anchorLABEL|TARGET-BONE" as a rigged model
// does, and names a bone of the MDX by the "-BONE" ending or by the solid's
// material. The solids bind the vertices of the mesh object named TARGET (or
// "sdef:TARGET"): a vertex inside the solids of one bone follows it with
// weight 1, inside those of several it is shared by depth as the rig shares it
// (rig_binding.hpp), and a vertex inside none, or of an object without solids,
// follows the bones in its line of sight (skeleton_binding.hpp). A solid whose
// name and material name no bone of the MDX (or one BINDBONES leaves out)
// binds nothing and is named on standard error.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/byte_access.hpp"
#include "mesh/anchor_solids.hpp"
#include "mesh/blend_weights.hpp"
#include "mesh/skeleton_binding.hpp"
#include "mqo/rig_names.hpp"

namespace ossify {

// Whether the model holds an object named as an anchor ("anchor...|...").
bool has_anchor_objects(const byte_region& mqo);

// Splits an anchor object's name (rig_names.hpp); an object whose name begins
// with "anchor" but holds no '|' is named on standard error under `caller`.
bool read_anchor_name(const std::string& name, const char* caller, anchor_name& out);

// The solids of the anchor object at `object` of the parsed model.
std::vector<anchor_solid> solids_of_object(const byte_region& mqo, offset_t object);

// Sorts (bone, share) pairs by decreasing share, ties by bone, keeps the
// largest few and makes them sum to 1 in float32 (equal shares when all are 0).
blend_result shares_to_weights(std::vector<std::pair<std::int32_t, double>> shares);

struct anchor_bound_object {
    std::string name;
    std::int32_t by_anchor = 0; // vertices inside a solid
    std::int32_t by_sight = 0;  // the others
};

// bind_mesh_to_skeleton with the anchor solids of `mqo` first; `counts` gets one
// entry a mesh object. Returns as bind_mesh_to_skeleton does.
std::int32_t bind_mesh_by_anchors(byte_region& mesh, const byte_region& mqo,
                                  std::span<const bind_bone> bones, const bind_options& options,
                                  std::vector<anchor_bound_object>* counts = nullptr);

} // namespace ossify
