// The one-frame skeleton MDX of a mode 9 model (see mdx_writer.hpp).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "export/mdx_writer.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/mesh_record.hpp"
#include "skeletal/engine_pose.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

// Lengths of the bone object are in the modeller's unit, the MDX's in the
// engine's, a tenth of it (as the MDM weight offsets).
constexpr float engine_scale = 0.1f;

float to_engine(float length) {
    return static_cast<float>(static_cast<double>(engine_scale) * length);
}

// One bone as the frame stores it.
struct compressed_bone {
    std::array<std::int16_t, 3> angles{};        // pitch, yaw, roll
    std::array<std::int16_t, 2> offset_angles{}; // pitch, yaw
};

// The rotation R the engine applies to a weight offset of bone `frame`: the
// inverse (transpose) of the rotation that took the skin into the bone's frame.
// Row k of R is model axis k as the binding sees it in the bone's frame.
bone_rotation engine_rotation(const bone_frame& frame) {
    bone_rotation r;
    dvec3* rows[3] = {&r.forward, &r.left, &r.up};
    for (std::size_t k = 0; k < 3; ++k) {
        vector3 axis{};
        (k == 0 ? axis.x : k == 1 ? axis.y : axis.z) = 1.0f;
        const vector3 local = rows_dot_vec3(frame.to_local_rows, axis);
        *rows[k] = {local.x, local.y, local.z};
    }
    return r;
}

bool finite_rotation(const bone_rotation& r) {
    for (const dvec3* row : {&r.forward, &r.left, &r.up})
        for (double v : *row)
            if (!std::isfinite(v)) return false;
    return true;
}

bone_angles decoded(const compressed_bone& c) {
    bone_angles a;
    a.pitch = compressed_angle_radians(c.angles[0]);
    a.yaw = compressed_angle_radians(c.angles[1]);
    a.roll = compressed_angle_radians(c.angles[2]);
    a.offset_pitch = compressed_angle_radians(c.offset_angles[0]);
    a.offset_yaw = compressed_angle_radians(c.offset_angles[1]);
    return a;
}

struct frame_bounds {
    vector3 min{}, max{}, local_origin{};
    float radius = 0.0f;
};

// The vertices of `mdm` skinned on `posed`, through `visit`.
template <class Visit>
void for_each_skinned_vertex(const byte_region& mdm, std::span<const posed_bone> posed,
                             Visit visit) {
    const std::int32_t surfaces = get_i32(mdm, mdm_header::num_surfaces);
    offset_t surface = get_i32(mdm, mdm_header::ofs_surfaces);
    std::vector<engine_weight> weights;
    for (std::int32_t s = 0; s < surfaces && !mdm.fault; ++s) {
        const std::int32_t vertices = get_i32(mdm, surface + mdm_surface::num_verts);
        offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
        for (std::int32_t v = 0; v < vertices && !mdm.fault; ++v) {
            const std::int32_t count = get_i32(mdm, vertex + mdm_vertex::num_weights);
            weights.clear();
            offset_t w = vertex + mdm_vertex::weights;
            for (std::int32_t k = 0; k < count && !mdm.fault; ++k, w += skin_weight::size) {
                const vector3 o = get_vector3(mdm, w + skin_weight::offset);
                weights.push_back({get_i32(mdm, w + skin_weight::bone),
                                   get_f32(mdm, w + skin_weight::weight),
                                   {o.x, o.y, o.z}});
            }
            visit(skin_vertex(weights, posed));
            vertex = w;
        }
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
}

frame_bounds bounds_of(const byte_region& mdm, std::span<const posed_bone> posed) {
    std::vector<dvec3> points;
    for_each_skinned_vertex(mdm, posed, [&](const dvec3& p) { points.push_back(p); });
    frame_bounds b;
    if (points.empty()) return b;
    dvec3 lo = points[0], hi = points[0];
    for (const dvec3& p : points)
        for (std::size_t k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    const dvec3 centre = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    double radius = 0;
    for (const dvec3& p : points) {
        const dvec3 d = {p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]};
        radius = std::max(radius, std::sqrt(dot3(d, d)));
    }
    const auto f = [](const dvec3& v) {
        return vector3{static_cast<float>(v[0]), static_cast<float>(v[1]),
                       static_cast<float>(v[2])};
    };
    b.min = f(lo);
    b.max = f(hi);
    b.local_origin = f(centre);
    b.radius = static_cast<float>(radius);
    return b;
}

void write_header(byte_region& mdx, std::int32_t bone_count, std::int32_t root) {
    const offset_t ofs_bones = mdx_header::size + frame_size(bone_count);
    put_chars(mdx, mdx_header::ident, mdx_header::ident_text);
    put_i32(mdx, mdx_header::version, mdx_header::version_number);
    put_text(mdx, mdx_header::name, skeletal_name_width, mdx_written_name);
    put_i32(mdx, mdx_header::num_frames, 1);
    put_i32(mdx, mdx_header::num_bones, bone_count);
    put_i32(mdx, mdx_header::ofs_frames, static_cast<std::int32_t>(mdx_header::size));
    put_i32(mdx, mdx_header::ofs_bones, static_cast<std::int32_t>(ofs_bones));
    put_i32(mdx, mdx_header::torso_parent, root);
    put_i32(mdx, mdx_header::ofs_end,
            static_cast<std::int32_t>(ofs_bones + mds_bone_info::size * bone_count));
}

} // namespace

std::int32_t build_mdx_from_skeleton(const byte_region& bones, const byte_region& mdm,
                                     byte_region& mdx) {
    const std::int32_t count = get_i32(bones, boneobj_header::num_bone);
    if (count < 1 || count > mesh_max_bones) {
        std::printf("build_mdx_from_skeleton : NumBone[%d] is not 1 to %d\n", count,
                    mesh_max_bones);
        return -1;
    }
    const offset_t end = mdx_header::size + frame_size(count) + mds_bone_info::size * count;
    if (!fits(mdx, 0, end)) {
        std::printf("build_mdx_from_skeleton : the MDX of %d bones does not fit its buffer\n",
                    count);
        return -1;
    }

    mdx.fault = false;
    const std::vector<bone_frame> frames = bone_frames(bones, count);
    std::vector<skeleton_bone> skeleton(static_cast<std::size_t>(count));
    std::vector<compressed_bone> stored(static_cast<std::size_t>(count));
    std::int32_t root = -1;
    for (std::int32_t b = 0; b < count; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const offset_t record = bone_record_at(b);
        const std::int32_t parent = get_i32(bones, record + bone_record::parent);
        const bone_rotation r = engine_rotation(frames[i]);
        if (!finite_rotation(r)) {
            std::printf("build_mdx_from_skeleton : Bone[%d] Name[%s] has no orientation: its "
                        "triangle needs three distinct corners\n",
                        b, bone_record_name(bones, record).c_str());
            return -1;
        }
        bone_angles a = angles_from_rotation(r);
        if (parent >= 0 && parent < count) {
            const vector3& from = frames[static_cast<std::size_t>(parent)].origin;
            const vector3& to = frames[i].origin;
            offset_angles_from_direction({static_cast<double>(to.x) - from.x,
                                          static_cast<double>(to.y) - from.y,
                                          static_cast<double>(to.z) - from.z},
                                         a);
            skeleton[i] = {parent,
                           to_engine(get_f32(bones, record + bone_record::parent_distance))};
        } else {
            if (root < 0) root = b;
            skeleton[i] = {-1, 0.0};
        }
        stored[i] = {{compress_angle(a.pitch), compress_angle(a.yaw), compress_angle(a.roll)},
                     {compress_angle(a.offset_pitch), compress_angle(a.offset_yaw)}};
    }
    if (root < 0) {
        std::printf("build_mdx_from_skeleton : the skeleton has no root bone\n");
        return -1;
    }

    const vector3& root_origin = frames[static_cast<std::size_t>(root)].origin;
    const vector3 parent_offset{to_engine(root_origin.x), to_engine(root_origin.y),
                                to_engine(root_origin.z)};
    std::vector<bone_angles> pose;
    for (const compressed_bone& c : stored)
        pose.push_back(decoded(c));
    std::vector<posed_bone> posed(static_cast<std::size_t>(count));
    pose_skeleton(skeleton, pose, {parent_offset.x, parent_offset.y, parent_offset.z}, posed);
    const frame_bounds bounds = bounds_of(mdm, posed);

    write_header(mdx, count, root);
    const offset_t frame = mdx_header::size;
    put_vector3(mdx, frame + mds_frame::bounds_min, bounds.min);
    put_vector3(mdx, frame + mds_frame::bounds_max, bounds.max);
    put_vector3(mdx, frame + mds_frame::local_origin, bounds.local_origin);
    put_f32(mdx, frame + mds_frame::radius, bounds.radius);
    put_vector3(mdx, frame + mds_frame::parent_offset, parent_offset);
    const offset_t infos = frame + frame_size(count);
    for (std::int32_t b = 0; b < count; ++b) {
        const compressed_bone& c = stored[static_cast<std::size_t>(b)];
        const offset_t at = frame + mds_frame::bone_frames + mds_bone_frame::size * b;
        for (std::size_t k = 0; k < 3; ++k)
            put_i16(mdx,
                    at + mds_bone_frame::angles +
                        mds_bone_frame::angle_step * static_cast<offset_t>(k),
                    c.angles[k]);
        for (std::size_t k = 0; k < 2; ++k)
            put_i16(mdx,
                    at + mds_bone_frame::offset_angles +
                        mds_bone_frame::angle_step * static_cast<offset_t>(k),
                    c.offset_angles[k]);
        const offset_t info = infos + mds_bone_info::size * b;
        const offset_t record = bone_record_at(b);
        copy_bytes(mdx, info + mds_bone_info::name, bones, record + bone_record::name,
                   skeletal_name_width);
        const skeleton_bone& s = skeleton[static_cast<std::size_t>(b)];
        put_i32(mdx, info + mds_bone_info::parent, s.parent);
        put_f32(mdx, info + mds_bone_info::torso_weight, 0.0f);
        put_f32(mdx, info + mds_bone_info::parent_dist, static_cast<float>(s.parent_distance));
        put_i32(mdx, info + mds_bone_info::flags, 0);
    }
    if (mdx.fault || bones.fault || mdm.fault) {
        std::printf("build_mdx_from_skeleton : a record was read or written out of bounds\n");
        return -1;
    }
    return static_cast<std::int32_t>(end);
}

} // namespace ossify
