#include "skeleton/mdx_skeleton.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/vector_fields.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"
#include "skeleton/bone_build.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

vector3 to_vector3(const dvec3& v) {
    return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

// Roll, pitch and yaw whose bone-local rotation Ry(p)·Rz(−y)·Rx(−r) (the one
// the mesh builder takes a vertex into a bone's frame with) is the transpose of
// the engine's R: row i of that matrix is column i of R.
vector3 local_angles_of(const bone_rotation& r) {
    const auto a = [&](int i, int j) { return axis_column(r, i)[static_cast<std::size_t>(j)]; };
    const double sb = std::clamp(a(1, 0), -1.0, 1.0);
    const double b = std::asin(sb);
    double roll_c = 0, pitch = 0;
    if (std::abs(std::cos(b)) > 1e-9) {
        roll_c = std::atan2(-a(1, 2), a(1, 1));
        pitch = std::atan2(-a(2, 0), a(0, 0));
    } else {
        // The forward axis along the model's y: only the sum of pitch and roll
        // is defined; keep roll 0.
        pitch = std::atan2(a(0, 2), a(2, 2));
    }
    return {static_cast<float>(-roll_c), static_cast<float>(pitch), static_cast<float>(-b)};
}

// The ancestors of `bone`, root first; false when the chain loops or leaves the
// skeleton.
bool ancestors_of(const mdx_pose& pose, std::size_t bone, std::vector<std::int32_t>& chain) {
    chain.clear();
    std::int32_t parent = pose.parents[bone];
    while (parent >= 0) {
        if (static_cast<std::size_t>(parent) >= pose.parents.size() ||
            chain.size() >= pose.parents.size())
            return false;
        chain.insert(chain.begin(), parent);
        parent = pose.parents[static_cast<std::size_t>(parent)];
    }
    return true;
}

bool is_number(std::string_view text) {
    return !text.empty() && text.size() < 10 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool choose_bones(const mdx_pose& pose, std::string_view list, std::vector<bool>& chosen) {
    const std::size_t count = pose.names.size();
    const bool all = list.find_first_not_of(", \t\r") == std::string_view::npos;
    chosen.assign(count, all);
    if (all) return count > 0;
    while (!list.empty()) {
        const std::size_t start = list.find_first_not_of(", \t\r");
        if (start == std::string_view::npos) break;
        list.remove_prefix(start);
        const std::size_t end = std::min(list.find_first_of(", \t\r"), list.size());
        const std::string_view entry = list.substr(0, end);
        list.remove_prefix(end);
        bool found = false;
        for (std::size_t b = 0; b < count; ++b)
            if (pose.names[b] == entry) {
                chosen[b] = true;
                found = true;
            }
        if (!found && is_number(entry)) {
            const auto b = static_cast<std::size_t>(std::stoul(std::string(entry)));
            found = b < count;
            if (found) chosen[b] = true;
        }
        if (!found) {
            std::fprintf(stderr,
                         "ossify: BINDBONES names \"%.*s\", which is neither the name nor the "
                         "number (0 to %zu) of a bone of the MDX.\n",
                         static_cast<int>(entry.size()), entry.data(), count - 1);
            return false;
        }
    }
    return true;
}

dvec3 modeller_position(const mdx_pose& pose, std::size_t bone) {
    const dvec3& p = pose.posed[bone].position;
    return {modeller_per_engine_unit * p[0], modeller_per_engine_unit * p[1],
            modeller_per_engine_unit * p[2]};
}

std::int32_t pose_mdx_frame(const byte_region& mdx, std::int32_t frame, mdx_pose& pose) {
    const mdx_info info = read_mdx_info(mdx);
    if (frame < 0 || frame >= info.num_frames) {
        if (info.num_frames > 0)
            std::printf("pose_mdx_frame : Frame[%d] is not a frame of the MDX: it has frames 0 to "
                        "%d\n",
                        frame, info.num_frames - 1);
        else
            std::printf("pose_mdx_frame : Frame[%d] is not a frame of the MDX: it has no frames\n",
                        frame);
        return -2;
    }
    if (info.num_bones < 1 || info.num_bones > max_mds_bones) {
        std::printf("pose_mdx_frame : NumBone[%d] is not 1 to %d, the bones an MDM can number\n",
                    info.num_bones, max_mds_bones);
        return -1;
    }
    const std::vector<skeleton_bone> bones =
        read_skeleton_bones(mdx, info.ofs_bones, info.num_bones);
    pose.names.clear();
    pose.parents.clear();
    for (std::int32_t b = 0; b < info.num_bones; ++b) {
        pose.names.push_back(
            get_text(mdx, bone_info_at(info.ofs_bones, b) + mds_bone_info::name, bone_name_width));
        pose.parents.push_back(bones[static_cast<std::size_t>(b)].parent);
    }
    if (!posing_order_of(bones).sound) {
        std::printf("pose_mdx_frame : a parent chain of the MDX leaves its bones or loops\n");
        return -1;
    }
    pose.posed = pose_stored_frame(
        mdx, frame_at(info.ofs_frames, info.num_bones, static_cast<offset_t>(frame)), bones);
    if (mdx.fault) {
        std::printf("pose_mdx_frame : the MDX was read out of bounds\n");
        return -1;
    }
    return 1;
}

std::int32_t build_bones_from_mdx(const mdx_pose& pose, byte_region& boneobj) {
    std::printf("---------------------------------\nFUNCTION CALLED : build_bones_from_mdx\n"
                "---------------------------------\n");
    const auto count = static_cast<std::int32_t>(pose.posed.size());
    const offset_t end = bone_record_at(count);
    if (!fits(boneobj, 0, end)) {
        std::printf("build_bones_from_mdx : Bone object would grow past the bone buffer[%lld "
                    "bytes]\n",
                    static_cast<long long>(boneobj.size));
        return -1;
    }
    write_boneobj_header(boneobj);
    put_i32(boneobj, boneobj_header::num_bone, count);
    put_i32(boneobj, boneobj_header::num_tag, 0);

    std::vector<std::int32_t> chain;
    for (std::int32_t b = 0; b < count; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const offset_t record = bone_record_at(b);
        const posed_bone& bone = pose.posed[i];
        if (!ancestors_of(pose, i, chain) || chain.size() > bone_max_tree) {
            std::printf("build_bones_from_mdx : Bone[%d] Name[%s] cannot reach a root\n", b,
                        pose.names[i].c_str());
            return -1;
        }
        const dvec3 origin = modeller_position(pose, i);
        // The first child's origin, or one unit along the bone's own forward axis.
        dvec3 forward = {origin[0] + bone.rotation.forward[0], origin[1] + bone.rotation.left[0],
                         origin[2] + bone.rotation.up[0]};
        for (std::size_t c = 0; c < pose.parents.size(); ++c)
            if (pose.parents[c] == b) {
                forward = modeller_position(pose, c);
                break;
            }
        const dvec3 up_axis = axis_column(bone.rotation, 2);
        const dvec3 up = {origin[0] + up_axis[0], origin[1] + up_axis[1], origin[2] + up_axis[2]};

        put_text(boneobj, record + bone_record::name, bone_name_width, pose.names[i].c_str());
        put_i32(boneobj, record + bone_record::kind, bone_record::kind_bone);
        put_i32(boneobj, record + bone_record::material, -1);
        put_i32(boneobj, record + bone_record::face, -1);
        for (offset_t k = 0; k < 3; ++k)
            put_i32(boneobj, record + bone_record::face_vertex + 4 * k, -1);
        put_i32(boneobj, record + bone_record::origin, -1);
        put_i32(boneobj, record + bone_record::forward, -1);
        put_i32(boneobj, record + bone_record::up, -1);
        put_vector3(boneobj, record + bone_record::origin_position, to_vector3(origin));
        put_vector3(boneobj, record + bone_record::forward_position, to_vector3(forward));
        put_vector3(boneobj, record + bone_record::up_position, to_vector3(up));
        put_i32(boneobj, record + bone_record::alternate_origin, -1);
        put_i32(boneobj, record + bone_record::parent, pose.parents[i]);
        if (pose.parents[i] >= 0) {
            const dvec3 from = modeller_position(pose, static_cast<std::size_t>(pose.parents[i]));
            const dvec3 d = {origin[0] - from[0], origin[1] - from[1], origin[2] - from[2]};
            put_f32(boneobj, record + bone_record::parent_distance,
                    static_cast<float>(std::sqrt(dot3(d, d))));
        }
        put_vector3(boneobj, record + bone_record::angles, local_angles_of(bone.rotation));
        put_vector3(boneobj, record + bone_record::rmw1, to_vector3(axis_column(bone.rotation, 0)));
        put_vector3(boneobj, record + bone_record::rmw2, to_vector3(axis_column(bone.rotation, 1)));
        put_vector3(boneobj, record + bone_record::rmw3, to_vector3(axis_column(bone.rotation, 2)));
        put_i32(boneobj, record + bone_record::num_bone_tree,
                static_cast<std::int32_t>(chain.size()));
        for (std::size_t a = 0; a < chain.size(); ++a)
            put_i32(boneobj, record + bone_record::tree + 4 * static_cast<offset_t>(a), chain[a]);
        std::printf("build_bones_from_mdx : Bone[%d] Name[%s] Parent[%d] Origin[%f %f %f]\n", b,
                    pose.names[i].c_str(), pose.parents[i], origin[0], origin[1], origin[2]);
    }
    // Relative fields as the marker skeleton has them: own values less the parent's.
    for (std::int32_t b = 0; b < count; ++b) {
        const offset_t record = bone_record_at(b);
        const std::int32_t parent = pose.parents[static_cast<std::size_t>(b)];
        for (offset_t k = 0; k < 12; ++k) {
            const float own = get_f32(boneobj, record + bone_record::angles + 4 * k);
            const float base =
                parent < 0 ? 0.0f
                           : get_f32(boneobj, bone_record_at(parent) + bone_record::angles + 4 * k);
            put_f32(boneobj, record + bone_record::relative_angles + 4 * k,
                    static_cast<float>(static_cast<double>(own) - base));
        }
    }
    put_i32(boneobj, boneobj_header::ofs_end, static_cast<std::int32_t>(end));
    if (boneobj.fault) {
        std::printf("build_bones_from_mdx : a record was written out of bounds\n");
        return -1;
    }
    return static_cast<std::int32_t>(end);
}

} // namespace ossify
