// The bone object of a rigged model: the bones of its "bone:" objects written as
// the records the marker convention gives, so that the mesh builder, the MDM
// and MDX writers and the preview take them alike.
#include <cstdio>
#include <string>
#include <vector>

#include "base/vector_fields.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "skeleton/bone_build.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/build_bones.hpp"
#include "skeleton/orientation.hpp"
#include "skeleton/rig_bones.hpp"

namespace ossify {

namespace {

// The mesh builder keeps one bone slot per bone and vertex.
constexpr std::int32_t most_rig_bones = 128;

// The triangles and lines of every "bone:" object; false after a face that
// names a vertex its object lacks.
bool gather_bone_faces(const byte_region& mqo, std::vector<rig_face>& faces) {
    offset_t object = mqo_first_object(mqo);
    for (std::int32_t o = 0; o < mqo_num_object(mqo); ++o, object = mqo_next_object(mqo, object)) {
        const std::string name = mqo_object_name(mqo, object);
        if (!begins_with(name, marker_bone)) continue;
        const std::int32_t vertices = mqo_num_vertex(mqo, object);
        int quads = 0;
        for (std::int32_t f = 0; f < mqo_num_face(mqo, object); ++f) {
            const offset_t face = mqo_face_at(mqo, object, f);
            const int corners = mqo_face_corners(mqo, face);
            if (corners != 2 && corners != 3) {
                ++quads;
                continue;
            }
            rig_face r;
            r.object = o;
            r.face = f;
            r.material = mqo_face_material(mqo, face);
            r.corners = corners;
            for (int j = 0; j < corners; ++j) {
                const auto k = static_cast<std::size_t>(j);
                r.vertex[k] = mqo_face_vertex(mqo, face, j);
                if (r.vertex[k] < 0 || r.vertex[k] >= vertices) {
                    std::printf("build_bones_from_rig : Object[%s] Face[%d] Vertex[%d] is not a "
                                "vertex of the object\n",
                                name.c_str(), f, r.vertex[k]);
                    return false;
                }
                r.position[k] = mqo_vertex(mqo, object, r.vertex[k]);
            }
            faces.push_back(r);
        }
        if (quads > 0)
            std::fprintf(stderr,
                         "build_bones_from_rig : Object[%s] %d faces of more than three corners "
                         "are no bones: ignored\n",
                         name.c_str(), quads);
    }
    return true;
}

std::vector<std::string> material_names(const byte_region& mqo) {
    std::vector<std::string> names;
    for (std::int32_t m = 0; m < mqo_num_material(mqo); ++m)
        names.push_back(mqo_material_name(mqo, m));
    return names;
}

void write_bone(byte_region& boneobj, std::int32_t b, const rig_bone& bone,
                const std::vector<rig_bone>& bones) {
    const offset_t record = bone_record_at(b);
    put_text(boneobj, record + bone_record::name, bone_name_width, bone.name.c_str());
    put_i32(boneobj, record + bone_record::material, bone.material);
    put_i32(boneobj, record + bone_record::face, bone.face);
    const std::int32_t role[3] = {bone.head, bone.tip, bone.up};
    const vector3 position[3] = {bone.head_position, bone.tip_position, bone.up_position};
    const offset_t role_field[3] = {bone_record::origin, bone_record::forward, bone_record::up};
    const offset_t role_position[3] = {bone_record::origin_position, bone_record::forward_position,
                                       bone_record::up_position};
    for (int r = 0; r < 3; ++r) {
        put_i32(boneobj, record + bone_record::face_vertex + 4 * r, role[r]);
        put_vector3(boneobj, record + bone_record::face_position + 12 * r, position[r]);
        put_i32(boneobj, record + role_field[r], role[r]);
        put_vector3(boneobj, record + role_position[r], position[r]);
    }
    put_i32(boneobj, record + bone_record::alternate_origin, -1);
    put_i32(boneobj, record + bone_record::parent, bone.parent);

    // Ancestors, root first.
    std::vector<std::int32_t> chain;
    for (std::int32_t p = bone.parent; p >= 0; p = bones[static_cast<std::size_t>(p)].parent)
        chain.insert(chain.begin(), p);
    if (bone.parent >= 0)
        put_f32(boneobj, record + bone_record::parent_distance,
                point_distance(bones[static_cast<std::size_t>(bone.parent)].head_position,
                               bone.head_position));
    put_i32(boneobj, record + bone_record::num_bone_tree, static_cast<std::int32_t>(chain.size()));
    for (std::size_t i = 0; i < chain.size(); ++i)
        put_i32(boneobj, record + bone_record::tree + 4 * static_cast<offset_t>(i), chain[i]);

    const vector3& h = bone.head_position;
    std::printf("build_bones_from_rig : Bone[%d] Name[%s] Object[%d] Face[%d] Head[%d:%f %f %f] "
                "Tip[%d] Up[%d] Parent[%d]%s\n",
                b, bone.name.c_str(), bone.object, bone.face, bone.head, h.x, h.y, h.z, bone.tip,
                bone.up, bone.parent, bone.floating ? " Floating" : "");
}

} // namespace

std::int32_t build_bones_from_rig(const byte_region& mqo, byte_region& boneobj) {
    std::printf("---------------------------------\nFUNCTION CALLED : build_bones_from_rig\n"
                "---------------------------------\n");
    std::vector<rig_face> faces;
    if (!gather_bone_faces(mqo, faces)) return -1;
    const std::vector<rig_bone> bones = build_rig_bones(faces, material_names(mqo));
    const auto count = static_cast<std::int32_t>(bones.size());
    std::printf("build_bones_from_rig : NumBone[%d]\n", count);
    if (count == 0) {
        std::printf("build_bones_from_rig : No bone triangle in the objects named bone:...\n");
        return -1;
    }
    if (count > most_rig_bones) {
        std::printf("build_bones_from_rig : Too many bones[%d] (at most %d)\n", count,
                    most_rig_bones);
        return -1;
    }
    const offset_t end = bone_record_at(count);
    if (!fits(boneobj, 0, end)) {
        std::printf("build_bones_from_rig : Bone object would grow past the bone buffer[%lld "
                    "bytes]\n",
                    static_cast<long long>(boneobj.size));
        return -1;
    }
    write_boneobj_header(boneobj);
    put_i32(boneobj, boneobj_header::num_bone, count);
    for (std::int32_t b = 0; b < count; ++b)
        write_bone(boneobj, b, bones[static_cast<std::size_t>(b)], bones);

    bone_build build{mqo, boneobj};
    build.num_bone = count;
    const record_kind kind = bone_kind();
    orient_records(build, kind, count);
    relative_fields(build, kind, count);
    put_i32(boneobj, boneobj_header::ofs_end, static_cast<std::int32_t>(end));
    return static_cast<std::int32_t>(end);
}

} // namespace ossify
