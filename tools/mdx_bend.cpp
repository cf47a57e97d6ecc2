#include "mdx_bend.hpp"

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "skeletal/skeletal_headers.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"

namespace ossify_tools {

using namespace ossify;

namespace {

// The rotation by `radians` about the unit vector `k`, as rows: Q·v is
// v cos a + (k × v) sin a + k (k·v)(1 − cos a).
bone_rotation rotation_about(const dvec3& k, double radians) {
    const double c = std::cos(radians), s = std::sin(radians), t = 1 - c;
    bone_rotation q;
    q.forward = {t * k[0] * k[0] + c, t * k[0] * k[1] - s * k[2], t * k[0] * k[2] + s * k[1]};
    q.left = {t * k[0] * k[1] + s * k[2], t * k[1] * k[1] + c, t * k[1] * k[2] - s * k[0]};
    q.up = {t * k[0] * k[2] - s * k[1], t * k[1] * k[2] + s * k[0], t * k[2] * k[2] + c};
    return q;
}

// Q·R: column j of the product is Q times column j of R.
bone_rotation turned(const bone_rotation& q, const bone_rotation& r) {
    bone_rotation out;
    for (int j = 0; j < 3; ++j) {
        const dvec3 column = bone_to_model(q, axis_column(r, j));
        const auto k = static_cast<std::size_t>(j);
        out.forward[k] = column[0];
        out.left[k] = column[1];
        out.up[k] = column[2];
    }
    return out;
}

void put_angle(byte_region& mdx, offset_t at, offset_t k, double radians) {
    put_i16(mdx, at + mds_bone_frame::angle_step * k, compress_angle(radians));
}

} // namespace

bool parse_bend_axis(std::string_view text, bend_axis& axis) {
    static constexpr std::array<std::pair<std::string_view, bend_axis>, 6> names{
        {{"x", bend_axis::x},
         {"y", bend_axis::y},
         {"z", bend_axis::z},
         {"forward", bend_axis::forward},
         {"left", bend_axis::left},
         {"up", bend_axis::up}}};
    for (const auto& [name, value] : names)
        if (text == name) {
            axis = value;
            return true;
        }
    return false;
}

std::int32_t find_mdx_bone(const byte_region& mdx, std::string_view name) {
    const mdx_info info = read_mdx_info(mdx);
    for (std::int32_t b = 0; b < info.num_bones; ++b)
        if (get_text(mdx, bone_info_at(info.ofs_bones, b) + mds_bone_info::name,
                     skeletal_name_width) == name)
            return b;
    return -1;
}

std::int32_t bend_mdx_subtree(byte_region& mdx, std::int32_t bone, bend_axis axis, double radians) {
    const mdx_info info = read_mdx_info(mdx);
    if (bone < 0 || bone >= info.num_bones) return -1;

    // A bone is in the subtree when its parent chain meets `bone`; a chain of
    // more links than bones loops and stops.
    std::vector<bool> inside(static_cast<std::size_t>(info.num_bones), false);
    std::int32_t members = 0;
    for (std::int32_t b = 0; b < info.num_bones; ++b) {
        std::int32_t at = b;
        for (std::int32_t step = 0; step <= info.num_bones && at >= 0 && at < info.num_bones;
             ++step) {
            if (at == bone) {
                inside[static_cast<std::size_t>(b)] = true;
                ++members;
                break;
            }
            at = get_i32(mdx, bone_info_at(info.ofs_bones, at) + mds_bone_info::parent);
        }
    }

    for (std::int32_t f = 0; f < info.num_frames; ++f) {
        const offset_t frame = frame_at(info.ofs_frames, info.num_bones, f);
        const auto rotation_of = [&](std::int32_t b) {
            return rotation_from_angles(read_bone_angles(mdx, bone_frame_at(frame, b)));
        };
        dvec3 k{};
        switch (axis) {
        case bend_axis::x:
            k = {1, 0, 0};
            break;
        case bend_axis::y:
            k = {0, 1, 0};
            break;
        case bend_axis::z:
            k = {0, 0, 1};
            break;
        case bend_axis::forward:
            k = axis_column(rotation_of(bone), 0);
            break;
        case bend_axis::left:
            k = axis_column(rotation_of(bone), 1);
            break;
        case bend_axis::up:
            k = axis_column(rotation_of(bone), 2);
            break;
        }
        const bone_rotation q = rotation_about(k, radians);

        for (std::int32_t b = 0; b < info.num_bones; ++b) {
            if (!inside[static_cast<std::size_t>(b)]) continue;
            const offset_t at = bone_frame_at(frame, b);
            const bone_angles stored = read_bone_angles(mdx, at);
            const bone_angles a = angles_from_rotation(turned(q, rotation_from_angles(stored)));
            put_angle(mdx, at + mds_bone_frame::angles, 0, a.pitch);
            put_angle(mdx, at + mds_bone_frame::angles, 1, a.yaw);
            put_angle(mdx, at + mds_bone_frame::angles, 2, a.roll);
            // The bent bone stays where it is: only the offsets below it turn.
            if (b == bone) continue;
            bone_angles o;
            offset_angles_from_direction(
                bone_to_model(q, offset_direction(stored.offset_pitch, stored.offset_yaw)), o);
            put_angle(mdx, at + mds_bone_frame::offset_angles, 0, o.offset_pitch);
            put_angle(mdx, at + mds_bone_frame::offset_angles, 1, o.offset_yaw);
        }
    }
    return members;
}

} // namespace ossify_tools
