// The engine's posing of test-side skeletons, for the tests that compare what
// the tool writes with where the engine puts it (skin_mdm_vertices skins an MDM).
#pragma once

#include <vector>

#include "base/vector_fields.hpp"
#include "skeletal/engine_pose.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"
#include "support/skeletal_builder.hpp"

namespace ossify_test {

// Frame `f` of a test-side skeleton, posed as the engine poses it.
inline std::vector<ossify::posed_bone> engine_pose(const std::vector<bone_desc>& bones,
                                                   const frame_desc& f) {
    std::vector<ossify::skeleton_bone> skeleton;
    std::vector<ossify::bone_angles> angles;
    for (std::size_t b = 0; b < bones.size(); ++b) {
        skeleton.push_back({bones[b].parent, bones[b].parent_dist});
        const bone_frame_desc d = b < f.bones.size() ? f.bones[b] : bone_frame_desc{};
        const auto rad = [](std::int16_t a) { return ossify::compressed_angle_radians(a); };
        angles.push_back({rad(d.angles[0]), rad(d.angles[1]), rad(d.angles[2]),
                          rad(d.offset_angles[0]), rad(d.offset_angles[1])});
    }
    std::vector<ossify::posed_bone> posed(bones.size());
    ossify::pose_skeleton(skeleton, angles, {f.header[10], f.header[11], f.header[12]}, posed);
    return posed;
}

} // namespace ossify_test
