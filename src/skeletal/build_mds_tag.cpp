// One MDM tag from an MDS tag bone: placed on its parent, oriented by the
// parent's compressed angles in the base frame.
#include <cmath>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

// Each element is one double expression of double sines and cosines, rounded
// once to float32 when stored; signs (-0 included) come through unchanged.
void put_vector3(byte_region& mdm, offset_t at, double x, double y, double z) {
    put_f32(mdm, at, static_cast<float>(x));
    put_f32(mdm, at + vec3_y, static_cast<float>(y));
    put_f32(mdm, at + vec3_z, static_cast<float>(z));
}

void put_axis(byte_region& mdm, offset_t axis, double A, double B, double C) {
    const double sA = std::sin(A), cA = std::cos(A);
    const double sB = std::sin(B), cB = std::cos(B);
    const double sC = std::sin(C), cC = std::cos(C);
    put_vector3(mdm, axis, cB * cA, sB, -cB * sA);
    put_vector3(mdm, axis + vec3_size, sC * sA - cC * sB * cA, cB * cC, cA * sC + cC * sB * sA);
    put_vector3(mdm, axis + 2 * vec3_size, cC * sA + sC * sB * cA, -cB * sC,
                cA * cC - sC * sB * sA);
}

double angle_at(const byte_region& mds, offset_t at) {
    return compressed_angle_radians(get_i16(mds, at));
}

} // namespace

offset_t build_mds_tag(const byte_region& mds, const mds_info& info, std::int32_t bone,
                       offset_t frame_at, byte_region& mdm, offset_t mdm_at,
                       const bone_table& bone_remap) {
    const offset_t info_at = bone_info_at(info.ofs_bones, bone);
    const std::int32_t parent = get_i32(mds, info_at + mds_bone_info::parent);
    const offset_t pose = frame_at + mds_frame::bone_frames + mds_bone_frame::size * parent;

    copy_bytes(mdm, mdm_at + mdm_tag::name, mds, info_at + mds_bone_info::name,
               skeletal_name_width);
    const offset_t angles = pose + mds_bone_frame::angles;
    put_axis(mdm, mdm_at + mdm_tag::axis, angle_at(mds, angles),
             angle_at(mds, angles + mds_bone_frame::angle_step),
             angle_at(mds, angles + 2 * mds_bone_frame::angle_step));
    put_i32(mdm, mdm_at + mdm_tag::attach_bone, remap_bone(bone_remap, parent));

    // The distance is the tag bone's own; the direction comes from its parent.
    const double distance = get_f32(mds, info_at + mds_bone_info::parent_dist);
    const double o0 = angle_at(mds, pose + mds_bone_frame::offset_angles);
    const double o1 =
        angle_at(mds, pose + mds_bone_frame::offset_angles + mds_bone_frame::angle_step);
    put_vector3(mdm, mdm_at + mdm_tag::offset, distance * std::cos(o1) * std::cos(o0),
                distance * std::cos(o1) * std::sin(o0), -distance * std::sin(o1));

    // The chain from the parent up to the root, stored root first.
    bone_table chain{};
    const int count = walk_parent_chain(mds, info, parent, &chain);
    for (int k = 0; k < count; ++k)
        put_i32(mdm, mdm_at + mdm_tag::size + index_size * k,
                remap_bone(bone_remap, chain[static_cast<std::size_t>(count - 1 - k)]));
    const offset_t size = mdm_tag::size + index_size * count;
    put_i32(mdm, mdm_at + mdm_tag::num_bone_refs, count);
    put_i32(mdm, mdm_at + mdm_tag::ofs_bone_refs, static_cast<std::int32_t>(mdm_tag::size));
    put_i32(mdm, mdm_at + mdm_tag::ofs_end, static_cast<std::int32_t>(size));
    return size;
}

} // namespace ossify
