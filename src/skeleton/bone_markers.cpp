// The marker steps of the skeleton builder: one record per "bone:" or "tag:"
// material, the face of the "bone" object that defines it, alternate origins.
#include <cstdio>
#include <string>

#include "base/display_text.hpp"
#include "base/vector_fields.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "skeleton/bone_build.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/orientation.hpp"

namespace ossify {

namespace {

// A marker's corners must be vertices of the "bone" object: the builder reads
// their positions from its vertex list.
bool corners_exist(const bone_build& build, const record_kind& kind, std::int32_t index,
                   offset_t record, std::int32_t face_index, offset_t face) {
    const std::int32_t num_vertex = mqo_num_vertex(build.mqo, build.bone_object);
    for (int j = 0; j < 3; ++j) {
        const std::int32_t v = mqo_face_vertex(build.mqo, face, j);
        if (v >= 0 && v < num_vertex) continue;
        std::printf("build_bones_from_mqo : %s[%d] Name[%s] Face[%d] Vertex[%d] is not a vertex "
                    "of the bone object\n",
                    kind.label, index, bone_record_name(build.boneobj, record).c_str(), face_index,
                    v);
        std::fprintf(stderr,
                     "build_bones_from_mqo : face %d of the object \"bone\" gives %s [%s] the "
                     "vertex index %d, but the object has vertices 0 to %d; mend the face (a "
                     "missing or non-numeric index reads as -1)\n",
                     face_index, kind.label,
                     text_for_display(bone_record_name(build.boneobj, record)).c_str(), v,
                     num_vertex - 1);
        return false;
    }
    return true;
}

// Stores the face's first three corners and their roles in the record.
void store_marker_face(bone_build& build, offset_t record, std::int32_t face_index, offset_t face) {
    byte_region& out = build.boneobj;
    std::int32_t corner[3];
    vector3 position[3];
    for (int j = 0; j < 3; ++j) {
        corner[j] = mqo_face_vertex(build.mqo, face, j);
        position[j] = mqo_vertex(build.mqo, build.bone_object, corner[j]);
        put_i32(out, record + bone_record::face_vertex + 4 * j, corner[j]);
        put_vector3(out, record + bone_record::face_position + 12 * j, position[j]);
    }
    put_i32(out, record + bone_record::face, face_index);
    const vertex_roles roles =
        assign_vertex_roles(position[0], position[1], position[2], corner[0], corner[1], corner[2]);
    const std::int32_t role[3] = {roles.origin, roles.forward, roles.up};
    const offset_t role_field[3] = {bone_record::origin, bone_record::forward, bone_record::up};
    const offset_t role_position[3] = {bone_record::origin_position, bone_record::forward_position,
                                       bone_record::up_position};
    for (int r = 0; r < 3; ++r) {
        put_i32(out, record + role_field[r], role[r]);
        put_vector3(out, record + role_position[r],
                    mqo_vertex(build.mqo, build.bone_object, role[r]));
    }
}

void warn_no_face(const bone_build& build, const record_kind& kind, std::int32_t index,
                  offset_t record, const char* what) {
    std::fprintf(stderr,
                 "build_bones_from_mqo : %s[%d] [%s] has no %s of its material in the object "
                 "\"bone\"; it keeps vertex 0 as its origin, forward and up vertex\n",
                 kind.label, index,
                 text_for_display(bone_record_name(build.boneobj, record)).c_str(), what);
}

} // namespace

record_kind bone_kind() {
    return {"bone:", "Bone", "BONE", bone_record::kind_bone, 0};
}

record_kind tag_kind(const bone_build& build) {
    return {"tag:", "Tag", "Tag", bone_record::kind_tag, build.num_bone};
}

std::int32_t collect_records(bone_build& build, const record_kind& kind) {
    const std::string prefix = kind.prefix;
    std::int32_t count = 0;
    for (std::int32_t m = 0; m < mqo_num_material(build.mqo); ++m) {
        const std::string name = mqo_material_name(build.mqo, m);
        if (!begins_with(name, prefix)) continue;
        const offset_t record = bone_record_at(kind.first + count);
        if (!fits(build.boneobj, record, bone_record::size)) {
            std::printf("build_bones_from_mqo : Bone object would grow past the bone buffer[%lld "
                        "bytes]\n",
                        static_cast<long long>(build.boneobj.size));
            return -1;
        }
        if (kind.kind != bone_record::kind_bone)
            put_i32(build.boneobj, record + bone_record::kind, kind.kind);
        put_i32(build.boneobj, record + bone_record::material, m);
        const std::string rest = name.substr(prefix.size());
        put_text(build.boneobj, record + bone_record::name, bone_name_width, rest.c_str());
        std::printf("build_bones_from_mqo : %s[%d] Material[%d] Name[%s]\n", kind.label, count, m,
                    rest.c_str());
        ++count;
    }
    return count;
}

bool find_bone_triangles(bone_build& build) {
    const record_kind kind = bone_kind();
    const std::int32_t num_face = mqo_num_face(build.mqo, build.bone_object);
    for (std::int32_t b = 0; b < build.num_bone; ++b) {
        const offset_t record = bone_record_at(b);
        const std::int32_t material = get_i32(build.boneobj, record + bone_record::material);
        bool found = false;
        for (std::int32_t f = 0; f < num_face; ++f) {
            const offset_t face = mqo_face_at(build.mqo, build.bone_object, f);
            if (mqo_face_material(build.mqo, face) != material ||
                mqo_face_corners(build.mqo, face) != 3)
                continue;
            if (!corners_exist(build, kind, b, record, f, face)) return false;
            store_marker_face(build, record, f, face);
            found = true;
            const byte_region& out = build.boneobj;
            const vector3 o = get_vector3(out, record + bone_record::origin_position);
            const vector3 fw = get_vector3(out, record + bone_record::forward_position);
            const vector3 u = get_vector3(out, record + bone_record::up_position);
            std::printf("build_bones_from_mqo : Bone[%d] Face[%d] Origin[%d:%f %f %f] "
                        "Forward[%d:%f %f %f] Up[%d:%f %f %f]\n",
                        b, f, get_i32(out, record + bone_record::origin), o.x, o.y, o.z,
                        get_i32(out, record + bone_record::forward), fw.x, fw.y, fw.z,
                        get_i32(out, record + bone_record::up), u.x, u.y, u.z);
        }
        if (!found) warn_no_face(build, kind, b, record, "triangle");
    }
    return true;
}

bool find_tag_faces(bone_build& build) {
    const record_kind kind = tag_kind(build);
    const std::int32_t num_face = mqo_num_face(build.mqo, build.bone_object);
    for (std::int32_t t = 0; t < build.num_tag; ++t) {
        const offset_t record = bone_record_at(kind.first + t);
        const std::int32_t material = get_i32(build.boneobj, record + bone_record::material);
        bool found = false;
        for (std::int32_t f = 0; f < num_face; ++f) {
            const offset_t face = mqo_face_at(build.mqo, build.bone_object, f);
            if (mqo_face_material(build.mqo, face) != material) continue;
            if (!corners_exist(build, kind, t, record, f, face)) return false;
            store_marker_face(build, record, f, face);
            found = true;
        }
        if (!found) warn_no_face(build, kind, t, record, "face");
        const byte_region& out = build.boneobj;
        std::printf(
            "build_bones_from_mqo : Tag[%d] Face[%d] Origin[%d] Forward[%d] Up[%d]\n", t,
            get_i32(out, record + bone_record::face), get_i32(out, record + bone_record::origin),
            get_i32(out, record + bone_record::forward), get_i32(out, record + bone_record::up));
    }
    return true;
}

void assign_alternate_origins(bone_build& build, const record_kind& kind, std::int32_t count) {
    for (std::int32_t r = 0; r < count; ++r)
        put_i32(build.boneobj, bone_record_at(kind.first + r) + bone_record::alternate_origin, -1);
    const std::int32_t num_face = mqo_num_face(build.mqo, build.bone_object);
    for (std::int32_t f = 0; f < num_face; ++f) {
        const offset_t face = mqo_face_at(build.mqo, build.bone_object, f);
        if (mqo_face_corners(build.mqo, face) != 2) continue;
        const std::int32_t ends[2] = {mqo_face_vertex(build.mqo, face, 0),
                                      mqo_face_vertex(build.mqo, face, 1)};
        for (std::int32_t r = 0; r < count; ++r) {
            const offset_t record = bone_record_at(kind.first + r);
            const std::int32_t origin = get_i32(build.boneobj, record + bone_record::origin);
            std::int32_t alternate;
            if (origin == ends[0])
                alternate = ends[1];
            else if (origin == ends[1])
                alternate = ends[0];
            else
                continue;
            put_i32(build.boneobj, record + bone_record::alternate_origin, alternate);
            std::printf("build_bones_from_mqo : %s[%d] Alternate Origin[%d].\n", kind.tree_label, r,
                        alternate);
        }
    }
}

} // namespace ossify
