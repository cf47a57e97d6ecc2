// The one-frame skeleton MDX of a mode 9 model (see mdx_writer.hpp).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "export/engine_units.hpp"
#include "export/mdx_writer.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/mesh_record.hpp"
#include "skeletal/engine_pose.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

// The rotation R the engine applies to a weight offset of bone `frame`: the
// inverse (transpose) of the rotation that took the skin into the bone's frame.
// Row k of R is model axis k as the binding sees it in the bone's frame.
bone_rotation engine_rotation(const bone_frame& frame) {
    bone_rotation r;
    dvec3* rows[3] = {&r.forward, &r.left, &r.up};
    for (std::size_t k = 0; k < 3; ++k) {
        vector3 axis{};
        (k == 0 ? axis.x : k == 1 ? axis.y : axis.z) = 1.0f;
        const vector3 local = in_bone_frame(frame, axis);
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

bool finite_angles(const bone_angles& a) {
    return std::isfinite(a.pitch) && std::isfinite(a.yaw) && std::isfinite(a.roll) &&
           std::isfinite(a.offset_pitch) && std::isfinite(a.offset_yaw);
}

struct frame_bounds {
    vector3 min{}, max{}, local_origin{};
    float radius = 0.0f;
};

frame_bounds bounds_of(const byte_region& mdm, std::span<const posed_bone> posed) {
    std::vector<dvec3> points;
    for (const std::vector<dvec3>& surface : skin_mdm_vertices(mdm, posed))
        points.insert(points.end(), surface.begin(), surface.end());
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

// The header of an MDX of `frames` frames; the torso parent is written once the
// root is known.
void write_header(byte_region& mdx, std::int32_t bone_count, std::int32_t frames) {
    const offset_t ofs_bones = mdx_header::size + frame_size(bone_count) * frames;
    put_chars(mdx, mdx_header::ident, mdx_header::ident_text);
    put_i32(mdx, mdx_header::version, mdx_header::version_number);
    put_text(mdx, mdx_header::name, skeletal_name_width, mdx_written_name);
    put_i32(mdx, mdx_header::num_frames, frames);
    put_i32(mdx, mdx_header::num_bones, bone_count);
    put_i32(mdx, mdx_header::ofs_frames, static_cast<std::int32_t>(mdx_header::size));
    put_i32(mdx, mdx_header::ofs_bones, static_cast<std::int32_t>(ofs_bones));
    put_i32(mdx, mdx_header::ofs_end,
            static_cast<std::int32_t>(ofs_bones + mds_bone_info::size * bone_count));
}

bone_rotation turned(const bone_rotation& turn, const bone_rotation& r) {
    bone_rotation out;
    const dvec3* rows[3] = {&turn.forward, &turn.left, &turn.up};
    dvec3* into[3] = {&out.forward, &out.left, &out.up};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            (*into[i])[j] = dot3(*rows[i], axis_column(r, static_cast<int>(j)));
    return out;
}

// Writes frame `f` at `frame`: every bone's angles, the root's origin and the
// bounds. Without `motion` the frame is the bound pose itself.
bool write_frame(const byte_region& bones, const byte_region& mdm, byte_region& mdx, offset_t frame,
                 offset_t infos, std::int32_t count, const std::vector<bone_frame>& frames,
                 const skeleton_motion* motion, std::int32_t& root, double& stretch) {
    root = -1;
    for (std::int32_t b = 0; b < count; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const offset_t record = bone_record_at(b);
        const std::int32_t parent = get_i32(bones, record + bone_record::parent);
        bone_rotation r = engine_rotation(frames[i]);
        if (!finite_rotation(r)) {
            std::printf("build_mdx_from_skeleton : Bone[%d] Name[%s] has no orientation: its "
                        "triangle needs three distinct corners\n",
                        b, bone_record_name(bones, record).c_str());
            return false;
        }
        if (motion != nullptr) r = turned((*motion)[i].turn, r);
        bone_angles a = angles_from_rotation(r);
        skeleton_bone s{-1, 0.0};
        if (parent >= 0 && parent < count) {
            s = {parent, to_engine(get_f32(bones, record + bone_record::parent_distance))};
            if (motion == nullptr) {
                const vector3& from = frames[static_cast<std::size_t>(parent)].origin;
                const vector3& to = frames[i].origin;
                offset_angles_from_direction({static_cast<double>(to.x) - from.x,
                                              static_cast<double>(to.y) - from.y,
                                              static_cast<double>(to.z) - from.z},
                                             a);
            } else {
                const dvec3& from = (*motion)[static_cast<std::size_t>(parent)].origin;
                const dvec3& to = (*motion)[i].origin;
                const dvec3 d = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
                offset_angles_from_direction(d, a);
                stretch = std::max(stretch, std::fabs(std::sqrt(dot3(d, d)) - s.parent_distance));
            }
        } else if (root < 0) {
            root = b;
        }
        if (!finite_angles(a)) {
            std::printf("build_mdx_from_skeleton : Bone[%d] Name[%s] has an angle that is not "
                        "finite: its joints lie too far apart\n",
                        b, bone_record_name(bones, record).c_str());
            return false;
        }
        write_bone_angles(mdx, bone_frame_at(frame, b), a);
        if (frame != mdx_header::size) continue; // the bone infos are written once
        const offset_t info = infos + mds_bone_info::size * b;
        copy_bytes(mdx, info + mds_bone_info::name, bones, record + bone_record::name,
                   skeletal_name_width);
        put_i32(mdx, info + mds_bone_info::parent, s.parent);
        put_f32(mdx, info + mds_bone_info::torso_weight, 0.0f);
        put_f32(mdx, info + mds_bone_info::parent_dist, static_cast<float>(s.parent_distance));
        put_i32(mdx, info + mds_bone_info::flags, 0);
    }
    if (root < 0) {
        std::printf("build_mdx_from_skeleton : the skeleton has no root bone\n");
        return false;
    }
    const auto r = static_cast<std::size_t>(root);
    if (motion == nullptr)
        put_vector3(mdx, frame + mds_frame::parent_offset, to_engine(frames[r].origin));
    else
        put_dvec3(mdx, frame + mds_frame::parent_offset, (*motion)[r].origin);

    // The bounds of the model as the engine poses the frame just stored.
    const std::vector<posed_bone> posed = pose_stored_frame(
        mdx, frame, read_skeleton_bones(mdx, static_cast<std::int32_t>(infos), count));
    const frame_bounds bounds = bounds_of(mdm, posed);
    put_vector3(mdx, frame + mds_frame::bounds_min, bounds.min);
    put_vector3(mdx, frame + mds_frame::bounds_max, bounds.max);
    put_vector3(mdx, frame + mds_frame::local_origin, bounds.local_origin);
    put_f32(mdx, frame + mds_frame::radius, bounds.radius);
    return true;
}

std::int32_t build_mdx(const byte_region& bones, const byte_region& mdm, byte_region& mdx,
                       std::span<const skeleton_motion> motion, double& stretch) {
    const std::int32_t count = get_i32(bones, boneobj_header::num_bone);
    if (count < 1 || count > mesh_max_bones) {
        std::printf("build_mdx_from_skeleton : NumBone[%d] is not 1 to %d\n", count,
                    mesh_max_bones);
        return -1;
    }
    const auto frame_count = static_cast<std::int32_t>(motion.empty() ? 1 : motion.size());
    const offset_t end =
        mdx_header::size + frame_size(count) * frame_count + mds_bone_info::size * count;
    if (!fits(mdx, 0, end)) {
        std::printf("build_mdx_from_skeleton : the MDX of %d bones and %d frames does not fit "
                    "its buffer\n",
                    count, frame_count);
        return -1;
    }
    for (const skeleton_motion& m : motion)
        if (m.size() != static_cast<std::size_t>(count)) {
            std::printf("build_mdx_from_skeleton : a frame does not move every bone\n");
            return -1;
        }

    mdx.fault = false;
    const std::vector<bone_frame> frames = bone_frames(bones, count);
    write_header(mdx, count, frame_count);
    const offset_t infos = mdx_header::size + frame_size(count) * frame_count;
    std::int32_t root = -1;
    for (std::int32_t f = 0; f < frame_count; ++f)
        if (!write_frame(bones, mdm, mdx, mdx_header::size + frame_size(count) * f, infos, count,
                         frames, motion.empty() ? nullptr : &motion[static_cast<std::size_t>(f)],
                         root, stretch))
            return -1;
    put_i32(mdx, mdx_header::torso_parent, root);
    if (mdx.fault || bones.fault || mdm.fault) {
        std::printf("build_mdx_from_skeleton : a record was read or written out of bounds\n");
        return -1;
    }
    return static_cast<std::int32_t>(end);
}

} // namespace

std::int32_t build_mdx_from_skeleton(const byte_region& bones, const byte_region& mdm,
                                     byte_region& mdx) {
    double stretch = 0;
    return build_mdx(bones, mdm, mdx, {}, stretch);
}

std::int32_t build_mdx_from_motion(const byte_region& bones, const byte_region& mdm,
                                   std::span<const skeleton_motion> frames, byte_region& mdx,
                                   double& stretch) {
    stretch = 0;
    if (frames.empty()) {
        std::printf("build_mdx_from_skeleton : the animation has no frame\n");
        return -1;
    }
    return build_mdx(bones, mdm, mdx, frames, stretch);
}

} // namespace ossify
