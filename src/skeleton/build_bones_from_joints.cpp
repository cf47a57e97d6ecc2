#include <cmath>
#include <cstdio>

#include "base/geometry_double.hpp"
#include "base/vector_fields.hpp"
#include "skeleton/bone_build.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/bones_from_joints.hpp"

namespace ossify {

namespace {

// A bone's ancestors, root first; false when the chain is deeper than the record holds.
bool ancestors_of(std::span<const imported_joint> joints, std::size_t bone,
                  std::vector<std::int32_t>& tree) {
    tree.clear();
    for (std::int32_t up = joints[bone].parent; up >= 0;
         up = joints[static_cast<std::size_t>(up)].parent) {
        if (tree.size() >= static_cast<std::size_t>(bone_max_tree)) return false;
        tree.insert(tree.begin(), up);
    }
    return true;
}

} // namespace

vector3 angles_of_bone_axes(const bone_rotation& axes) {
    // The mesh builder's frame takes a model vector v into the bone as
    // Ry(pitch)·Rz(-yaw)·Rx(-roll)·v, so the axes are A = Rx(roll)·Rz(yaw)·Ry(-pitch).
    const dvec3* a[3] = {&axes.forward, &axes.left, &axes.up};
    const auto at = [&](int r, int c) {
        return (*a[static_cast<std::size_t>(r)])[static_cast<std::size_t>(c)];
    };
    const double sy = std::fmax(-1.0, std::fmin(1.0, -at(0, 1)));
    const double yaw = std::asin(sy);
    double roll = 0, turn = 0; // turn = -pitch
    if (std::fabs(sy) < 1 - 1e-12) {
        turn = std::atan2(at(0, 2), at(0, 0));
        roll = std::atan2(at(2, 1), at(1, 1));
    } else {
        turn = std::atan2(sy * at(1, 2), sy * at(1, 0));
    }
    return {static_cast<float>(roll), static_cast<float>(-turn), static_cast<float>(yaw)};
}

std::int32_t build_bones_from_joints(byte_region& boneobj, std::span<const imported_joint> joints,
                                     double scale, std::span<const imported_tag> tags) {
    std::printf("---------------------------------\nFUNCTION CALLED : build_bones_from_gltf\n"
                "---------------------------------\n");
    const auto count = static_cast<std::int32_t>(joints.size());
    if (count < 1 || count > bone_max_tree) {
        std::printf("build_bones_from_gltf : NumBone[%d] is not 1 to %d\n", count, bone_max_tree);
        return -1;
    }
    const auto tag_count = static_cast<std::int32_t>(tags.size());
    const offset_t end = bone_record_at(offset_t{count} + tag_count);
    if (!fits(boneobj, 0, end)) {
        std::printf("build_bones_from_gltf : the bones do not fit their buffer\n");
        return -1;
    }
    write_boneobj_header(boneobj);
    put_i32(boneobj, boneobj_header::num_bone, count);
    put_i32(boneobj, boneobj_header::num_tag, tag_count);
    put_i32(boneobj, boneobj_header::ofs_end, static_cast<std::int32_t>(end));
    std::vector<std::int32_t> tree;
    for (std::int32_t b = 0; b < count; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const imported_joint& joint = joints[i];
        const offset_t record = bone_record_at(b);
        if (!ancestors_of(joints, i, tree)) {
            std::printf("build_bones_from_gltf : Bone[%d] Name[%s] lies deeper than %d bones\n", b,
                        joint.name.c_str(), bone_max_tree);
            return -1;
        }
        const vector3 origin = scaled_to_float(joint.origin, scale);
        const vector3 angles = angles_of_bone_axes(joint.axes);
        put_text(boneobj, record + bone_record::name, bone_name_width, joint.name.c_str());
        put_i32(boneobj, record + bone_record::kind, bone_record::kind_bone);
        put_i32(boneobj, record + bone_record::material, b);
        put_i32(boneobj, record + bone_record::forward, b);
        put_i32(boneobj, record + bone_record::face, -1);
        put_vector3(boneobj, record + bone_record::origin_position, origin);
        put_i32(boneobj, record + bone_record::parent, joint.parent);
        if (joint.parent >= 0) {
            const dvec3& from = joints[static_cast<std::size_t>(joint.parent)].origin;
            const dvec3 d = {joint.origin[0] - from[0], joint.origin[1] - from[1],
                             joint.origin[2] - from[2]};
            put_f32(boneobj, record + bone_record::parent_distance,
                    static_cast<float>(std::sqrt(dot3(d, d)) * scale));
        }
        put_vector3(boneobj, record + bone_record::angles, angles);
        put_i32(boneobj, record + bone_record::num_bone_tree,
                static_cast<std::int32_t>(tree.size()));
        for (std::size_t k = 0; k < tree.size(); ++k)
            put_i32(boneobj, record + bone_record::tree + 4 * static_cast<offset_t>(k), tree[k]);
        std::printf("build_bones_from_gltf : Bone[%d] Name[%s] Parent[%d] Origin[%f %f %f]\n", b,
                    joint.name.c_str(), joint.parent, static_cast<double>(origin.x),
                    static_cast<double>(origin.y), static_cast<double>(origin.z));
    }
    for (std::int32_t t = 0; t < tag_count; ++t) {
        const imported_tag& tag = tags[static_cast<std::size_t>(t)];
        const offset_t record = bone_record_at(offset_t{count} + t);
        if (tag.joint < 0 || tag.joint >= count) {
            std::printf("build_bones_from_gltf : Tag[%d] Name[%s] rides on no bone\n", t,
                        tag.name.c_str());
            return -1;
        }
        ancestors_of(joints, static_cast<std::size_t>(tag.joint), tree);
        tree.push_back(tag.joint);
        put_text(boneobj, record + bone_record::name, bone_name_width, tag.name.c_str());
        put_i32(boneobj, record + bone_record::kind, bone_record::kind_tag);
        put_i32(boneobj, record + bone_record::face, -1);
        put_i32(boneobj, record + bone_record::origin, tag.joint);
        put_i32(boneobj, record + bone_record::alternate_origin, -1);
        put_i32(boneobj, record + bone_record::parent, tag.joint);
        put_vector3(boneobj, record + bone_record::origin_position,
                    scaled_to_float(tag.origin, scale));
        put_vector3(boneobj, record + bone_record::rmw1, scaled_to_float(tag.axes.forward, 1));
        put_vector3(boneobj, record + bone_record::rmw2, scaled_to_float(tag.axes.left, 1));
        put_vector3(boneobj, record + bone_record::rmw3, scaled_to_float(tag.axes.up, 1));
        put_i32(boneobj, record + bone_record::num_bone_tree,
                static_cast<std::int32_t>(tree.size()));
        for (std::size_t k = 0; k < tree.size() && k < bone_max_tree; ++k)
            put_i32(boneobj, record + bone_record::tree + 4 * static_cast<offset_t>(k), tree[k]);
    }
    if (boneobj.fault) {
        std::printf("build_bones_from_gltf : a record was written out of bounds\n");
        return -1;
    }
    return static_cast<std::int32_t>(end);
}

} // namespace ossify
