// One MDM tag from an MDS tag bone T with parent B, evaluated as the engine
// poses the skeleton: the offset is T's position relative to B in B's axes, the
// axis T's own axes in B's axes, so that the tag placed on B lands on T.
#include "skeletal/engine_pose.hpp"
#include "skeletal/skeletal_internal.hpp"
#include "skeletal/stored_pose.hpp"

namespace ossify {

offset_t build_mds_tag(const byte_region& mds, const mds_info& info, std::int32_t bone,
                       offset_t frame_at, byte_region& mdm, offset_t mdm_at,
                       const bone_table& bone_remap) {
    const offset_t info_at = bone_info_at(info.ofs_bones, bone);
    const std::int32_t parent = get_i32(mds, info_at + mds_bone_info::parent);
    const bone_angles tag_pose = read_bone_angles(mds, bone_frame_at(frame_at, bone));
    const bone_angles parent_pose = read_bone_angles(mds, bone_frame_at(frame_at, parent));

    copy_bytes(mdm, mdm_at + mdm_tag::name, mds, info_at + mds_bone_info::name,
               skeletal_name_width);
    put_i32(mdm, mdm_at + mdm_tag::attach_bone, remap_bone(bone_remap, parent));

    const bone_rotation attach = rotation_from_angles(parent_pose);
    const bone_rotation own = rotation_from_angles(tag_pose);
    const dvec3 direction = offset_direction(tag_pose.offset_pitch, tag_pose.offset_yaw);
    const double distance = get_f32(mds, info_at + mds_bone_info::parent_dist);
    dvec3 offset{};
    bone_rotation axis;
    dvec3* rows[3] = {&axis.forward, &axis.left, &axis.up};
    const dvec3* own_rows[3] = {&own.forward, &own.left, &own.up};
    for (int j = 0; j < 3; ++j) {
        const dvec3 column = axis_column(attach, j);
        const auto k = static_cast<std::size_t>(j);
        offset[k] = dot3(column, direction) * distance;
        for (std::size_t i = 0; i < 3; ++i)
            (*rows[i])[k] = dot3(*own_rows[i], column);
    }
    put_dvec3(mdm, mdm_at + mdm_tag::offset, offset);
    put_rotation_rows(mdm, mdm_at + mdm_tag::axis, axis);

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
