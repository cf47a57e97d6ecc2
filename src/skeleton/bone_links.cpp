// The linking steps of the skeleton builder: ancestors, orientation and the
// fields relative to the parent.
#include <cstdio>
#include <string>

#include "base/vector_fields.hpp"
#include "skeleton/bone_build.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/orientation.hpp"
#include "skeleton/parent_search.hpp"

namespace ossify {

namespace {

// The angles and the three rows lie as twelve float32 in a row, and so do their
// relative copies.
constexpr int oriented_values = 12;
static_assert(bone_record::rmw1 == bone_record::angles + 12 &&
              bone_record::rmw2 == bone_record::rmw1 + 12 &&
              bone_record::rmw3 == bone_record::rmw2 + 12);
static_assert(bone_record::relative_rows == bone_record::relative_angles + 12 &&
              bone_record::relative_angles + 4 * oriented_values == bone_record::angles);

} // namespace

bool link_to_root(bone_build& build, const record_kind& kind, std::int32_t count) {
    for (std::int32_t r = 0; r < count; ++r) {
        const offset_t record = bone_record_at(kind.first + r);
        const std::string name = bone_record_name(build.boneobj, record);
        ancestor_list ancestors;
        if (who_is_your_parent(build.boneobj, build.num_bone, r, record, ancestors) == 0) {
            std::printf("build_bones_from_mqo : %s[%d] Name[%s] Cannot reach Root.\n",
                        kind.tree_label, r, name.c_str());
            return false;
        }
        // The search lists the parent first; the record keeps the root first.
        std::printf("build_bones_from_mqo : %s[%d] Name[%s] NumBoneTree[%d] Tree[", kind.tree_label,
                    r, name.c_str(), ancestors.count);
        for (std::int32_t i = 0; i < ancestors.count; ++i) {
            const std::int32_t bone = ancestors.bone[ancestors.count - 1 - i];
            std::printf("%d ", bone);
            put_i32(build.boneobj, record + bone_record::tree + 4 * i, bone);
        }
        std::printf("]\n");
        put_i32(build.boneobj, record + bone_record::num_bone_tree, ancestors.count);
    }
    return true;
}

void orient_records(bone_build& build, const record_kind& kind, std::int32_t count) {
    byte_region& out = build.boneobj;
    for (std::int32_t r = 0; r < count; ++r) {
        const offset_t record = bone_record_at(kind.first + r);
        const bone_angles angles =
            exam_angles_from_vectors(get_vector3(out, record + bone_record::origin_position),
                                     get_vector3(out, record + bone_record::forward_position),
                                     get_vector3(out, record + bone_record::up_position));
        put_vector3(out, record + bone_record::angles, {angles.roll, angles.pitch, angles.yaw});
        const rotation_rows rows = rotation_rows_from_angles(angles);
        put_vector3(out, record + bone_record::rmw1, rows.rmw1);
        put_vector3(out, record + bone_record::rmw2, rows.rmw2);
        put_vector3(out, record + bone_record::rmw3, rows.rmw3);
        if (kind.kind != bone_record::kind_bone) continue;
        std::printf("build_bones_from_mqo : BONE[%d] Name[%s] RMW1[%f %f %f] RMW2[%f %f %f] "
                    "RMW3[%f %f %f]\n",
                    r, bone_record_name(build.boneobj, record).c_str(), rows.rmw1.x, rows.rmw1.y,
                    rows.rmw1.z, rows.rmw2.x, rows.rmw2.y, rows.rmw2.z, rows.rmw3.x, rows.rmw3.y,
                    rows.rmw3.z);
    }
}

void relative_fields(bone_build& build, const record_kind& kind, std::int32_t count) {
    byte_region& out = build.boneobj;
    for (std::int32_t r = 0; r < count; ++r) {
        const offset_t record = bone_record_at(kind.first + r);
        const std::int32_t parent = get_i32(out, record + bone_record::parent);
        for (int i = 0; i < oriented_values; ++i) {
            const float own = get_f32(out, record + bone_record::angles + 4 * i);
            const float relative =
                parent == -1
                    ? own
                    : own - get_f32(out, bone_record_at(parent) + bone_record::angles + 4 * i);
            put_f32(out, record + bone_record::relative_angles + 4 * i, relative);
        }
    }
}

} // namespace ossify
