// The engine's posing of test-side skeletons and its skinning of MDM files, for
// the tests that compare what the tool writes with where the engine puts it.
#pragma once

#include <vector>

#include "base/vector_fields.hpp"
#include "skeletal/engine_pose.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "support/skeletal_builder.hpp"

namespace ossify_test {

inline ossify::dvec3 dvec_at(const ossify::byte_region& r, ossify::offset_t at) {
    const ossify::vector3 v = ossify::get_vector3(r, at);
    return {v.x, v.y, v.z};
}

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

// Every vertex of every surface of an MDM, skinned on `pose` with its weights.
inline std::vector<std::vector<ossify::dvec3>>
skin_mdm(const ossify::byte_region& mdm, const std::vector<ossify::posed_bone>& pose) {
    using namespace ossify;
    std::vector<std::vector<dvec3>> out;
    offset_t surface = get_i32(mdm, mdm_header::ofs_surfaces);
    for (std::int32_t s = 0; s < get_i32(mdm, mdm_header::num_surfaces); ++s) {
        offset_t at = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
        out.emplace_back();
        for (std::int32_t v = 0; v < get_i32(mdm, surface + mdm_surface::num_verts); ++v) {
            std::vector<engine_weight> weights(
                static_cast<std::size_t>(get_i32(mdm, at + mdm_vertex::num_weights)));
            at += mdm_vertex::size;
            for (engine_weight& w : weights) {
                w = {get_i32(mdm, at + skin_weight::bone), get_f32(mdm, at + skin_weight::weight),
                     dvec_at(mdm, at + skin_weight::offset)};
                at += skin_weight::size;
            }
            out.back().push_back(skin_vertex(weights, pose));
        }
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
    return out;
}

} // namespace ossify_test
