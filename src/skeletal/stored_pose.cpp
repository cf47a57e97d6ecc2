#include "skeletal/stored_pose.hpp"

#include <algorithm>

#include "base/vector_fields.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/skeletal_layout.hpp"

namespace ossify {

namespace {

double angle_at(const byte_region& file, offset_t at, offset_t k) {
    return compressed_angle_radians(get_i16(file, at + mds_bone_frame::angle_step * k));
}

void put_angle(byte_region& file, offset_t at, offset_t k, double radians) {
    put_i16(file, at + mds_bone_frame::angle_step * k, compress_angle(radians));
}

} // namespace

dvec3 get_dvec3(const byte_region& file, offset_t at) {
    const vector3 v = get_vector3(file, at);
    return {v.x, v.y, v.z};
}

void put_dvec3(byte_region& file, offset_t at, const dvec3& v) {
    put_vector3(file, at,
                {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])});
}

bone_rotation get_rotation_rows(const byte_region& file, offset_t at) {
    return {get_dvec3(file, at), get_dvec3(file, at + vec3_size),
            get_dvec3(file, at + 2 * vec3_size)};
}

void put_rotation_rows(byte_region& file, offset_t at, const bone_rotation& rows) {
    put_dvec3(file, at, rows.forward);
    put_dvec3(file, at + vec3_size, rows.left);
    put_dvec3(file, at + 2 * vec3_size, rows.up);
}

offset_t bone_frame_at(offset_t frame, offset_t bone) {
    return frame + mds_frame::bone_frames + mds_bone_frame::size * bone;
}

bone_angles read_bone_angles(const byte_region& file, offset_t at) {
    const offset_t turn = at + mds_bone_frame::angles;
    const offset_t offset = at + mds_bone_frame::offset_angles;
    return {angle_at(file, turn, 0), angle_at(file, turn, 1), angle_at(file, turn, 2),
            angle_at(file, offset, 0), angle_at(file, offset, 1)};
}

void write_bone_angles(byte_region& file, offset_t at, const bone_angles& angles) {
    const offset_t turn = at + mds_bone_frame::angles;
    const offset_t offset = at + mds_bone_frame::offset_angles;
    put_angle(file, turn, 0, angles.pitch);
    put_angle(file, turn, 1, angles.yaw);
    put_angle(file, turn, 2, angles.roll);
    put_angle(file, offset, 0, angles.offset_pitch);
    put_angle(file, offset, 1, angles.offset_yaw);
}

std::vector<skeleton_bone> read_skeleton_bones(const byte_region& file, std::int32_t ofs_bones,
                                               std::int32_t count) {
    std::vector<skeleton_bone> bones(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t b = 0; b < bones.size(); ++b) {
        const offset_t at = bone_info_at(ofs_bones, static_cast<offset_t>(b));
        bones[b] = {get_i32(file, at + mds_bone_info::parent),
                    get_f32(file, at + mds_bone_info::parent_dist)};
    }
    return bones;
}

std::vector<posed_bone> pose_stored_frame(const byte_region& file, offset_t frame,
                                          std::span<const skeleton_bone> bones) {
    std::vector<bone_angles> angles(bones.size());
    for (std::size_t b = 0; b < bones.size(); ++b)
        angles[b] = read_bone_angles(file, bone_frame_at(frame, static_cast<offset_t>(b)));
    std::vector<posed_bone> posed(bones.size());
    pose_skeleton(bones, angles, get_dvec3(file, frame + mds_frame::parent_offset), posed);
    return posed;
}

std::vector<engine_weight> read_skin_weights(const byte_region& file, offset_t at,
                                             std::int32_t count) {
    std::vector<engine_weight> weights(static_cast<std::size_t>(std::max(count, 0)));
    for (engine_weight& w : weights) {
        w = {get_i32(file, at + skin_weight::bone), get_f32(file, at + skin_weight::weight),
             get_dvec3(file, at + skin_weight::offset)};
        at += skin_weight::size;
    }
    return weights;
}

std::vector<std::vector<dvec3>> skin_mdm_vertices(const byte_region& mdm,
                                                  std::span<const posed_bone> posed) {
    std::vector<std::vector<dvec3>> surfaces;
    const mdm_info info = read_mdm_info(mdm);
    offset_t surface = info.ofs_surfaces;
    for (std::int32_t s = 0; s < info.num_surfaces && !mdm.fault; ++s) {
        const std::int32_t vertices = get_i32(mdm, surface + mdm_surface::num_verts);
        offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
        surfaces.emplace_back();
        for (std::int32_t v = 0; v < vertices && !mdm.fault; ++v) {
            const std::int32_t count = get_i32(mdm, vertex + mdm_vertex::num_weights);
            surfaces.back().push_back(
                skin_vertex(read_skin_weights(mdm, vertex + mdm_vertex::weights, count), posed));
            vertex += mdm_vertex::weights + skin_weight::size * count;
        }
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
    return surfaces;
}

} // namespace ossify
