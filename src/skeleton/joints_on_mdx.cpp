#include "skeleton/joints_on_mdx.hpp"

#include <algorithm>

namespace ossify {

namespace {

// The nearest of `bone` and its ancestors that `matched` holds; -1 when none.
std::int32_t nearest_matched(const std::vector<std::int32_t>& parents,
                             const std::vector<std::int32_t>& matched, std::int32_t bone) {
    for (std::size_t steps = 0; bone >= 0 && steps <= parents.size(); ++steps) {
        const auto i = static_cast<std::size_t>(bone);
        if (i >= parents.size()) return -1;
        if (matched[i] >= 0) return bone;
        bone = parents[i];
    }
    return -1;
}

} // namespace

joint_match match_joints_to_mdx(const std::vector<imported_joint>& joints, const mdx_pose& pose) {
    joint_match match;
    match.joint_of_bone.assign(pose.names.size(), -1);
    for (const imported_joint& joint : joints) {
        std::int32_t bone = -1;
        for (std::size_t b = 0; b < pose.names.size() && bone < 0; ++b)
            if (pose.names[b] == joint.name) bone = static_cast<std::int32_t>(b);
        if (bone >= 0 && match.joint_of_bone[static_cast<std::size_t>(bone)] < 0)
            match.joint_of_bone[static_cast<std::size_t>(bone)] =
                static_cast<std::int32_t>(match.bone_of_joint.size());
        match.bone_of_joint.push_back(bone);
    }
    std::vector<std::int32_t> parents;
    for (const imported_joint& joint : joints)
        parents.push_back(joint.parent);
    for (std::size_t j = 0; j < joints.size(); ++j) {
        const std::int32_t ancestor =
            nearest_matched(parents, match.bone_of_joint, static_cast<std::int32_t>(j));
        match.weight_bone.push_back(
            ancestor < 0 ? -1 : match.bone_of_joint[static_cast<std::size_t>(ancestor)]);
    }
    return match;
}

bool renumber_weights_to_mdx(imported_model& model, const joint_match& match, std::size_t& moved,
                             std::string& error) {
    moved = 0;
    for (imported_surface& surface : model.surfaces)
        for (imported_vertex& vertex : surface.vertices) {
            std::vector<imported_weight> renumbered;
            for (const imported_weight& w : vertex.weights) {
                const auto j = static_cast<std::size_t>(w.joint);
                if (w.joint < 0 || j >= match.weight_bone.size()) continue;
                const std::int32_t bone = match.weight_bone[j];
                if (bone < 0) {
                    error =
                        "Joint[" + model.joints[j].name +
                        "] has weights but neither it nor a joint above it is a bone of the MDX";
                    return false;
                }
                if (bone != match.bone_of_joint[j]) ++moved;
                const auto same =
                    std::find_if(renumbered.begin(), renumbered.end(),
                                 [&](const imported_weight& r) { return r.joint == bone; });
                if (same != renumbered.end())
                    same->weight += w.weight;
                else
                    renumbered.push_back({bone, w.weight});
            }
            std::stable_sort(renumbered.begin(), renumbered.end(),
                             [](const imported_weight& a, const imported_weight& b) {
                                 return a.weight != b.weight ? a.weight > b.weight
                                                             : a.joint < b.joint;
                             });
            vertex.weights = std::move(renumbered);
        }
    return true;
}

sampled_frame frame_on_mdx(const sampled_frame& joints, const imported_model& model,
                           const mdx_pose& pose, const joint_match& match) {
    sampled_frame frame(pose.posed.size());
    for (std::size_t b = 0; b < pose.posed.size(); ++b) {
        const dvec3& bind = pose.posed[b].position;
        const std::int32_t leader =
            nearest_matched(pose.parents, match.joint_of_bone, static_cast<std::int32_t>(b));
        if (leader < 0) {
            frame[b].turn = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
            frame[b].origin = bind;
            continue;
        }
        const auto j =
            static_cast<std::size_t>(match.joint_of_bone[static_cast<std::size_t>(leader)]);
        const joint_pose& moved = joints[j];
        const dvec3& from = model.joints[j].origin;
        const dvec3 arm =
            bone_to_model(moved.turn, {bind[0] - from[0], bind[1] - from[1], bind[2] - from[2]});
        frame[b].turn = moved.turn;
        frame[b].origin = {moved.origin[0] + arm[0], moved.origin[1] + arm[1],
                           moved.origin[2] + arm[2]};
    }
    return frame;
}

} // namespace ossify
