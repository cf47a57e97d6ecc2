// A glTF skeleton laid onto the skeleton of an existing MDX (mode 9 with GLTF
// and BINDMDX): joints matched to the MDX's bones by name, the model's weights
// renumbered into the MDX's bones, and sampled animation frames turned into
// frames of the MDX's bones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gltf/gltf_import.hpp"
#include "skeleton/mdx_skeleton.hpp"

namespace ossify {

struct joint_match {
    std::vector<std::int32_t> bone_of_joint; // the MDX bone of that name; -1 unmatched
    std::vector<std::int32_t> weight_bone;   // where the joint's weights go: its own bone,
                                             // else its nearest matched ancestor's; -1 none
    std::vector<std::int32_t> joint_of_bone; // the matched joint of each MDX bone; -1 none
};

// Matches every joint to the MDX bone of the same name (the first, should two
// bones share one).
joint_match match_joints_to_mdx(const std::vector<imported_joint>& joints, const mdx_pose& pose);

// Renumbers every weight of `model` into the MDX's bones by `match.weight_bone`;
// shares that meet on one bone are added, the weights kept by decreasing share,
// ties by bone. `moved` counts the weights that went to an ancestor's bone.
// False, with the joint's name in `error`, when a weighted joint has neither a
// match nor a matched ancestor.
bool renumber_weights_to_mdx(imported_model& model, const joint_match& match, std::size_t& moved,
                             std::string& error);

// One sampled frame of the glTF's joints as a frame of the MDX's bones (engine
// units): a matched bone turns with its joint and keeps its bind position
// relative to it; a bone the glTF lacks keeps its pose at the bind frame
// relative to its nearest matched ancestor, moving with it, or stays where it
// is at the bind frame when it has none.
sampled_frame frame_on_mdx(const sampled_frame& joints, const imported_model& model,
                           const mdx_pose& pose, const joint_match& match);

} // namespace ossify
