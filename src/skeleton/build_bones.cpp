// The skeleton builder's steps in order: bones first, finished completely, then
// tags hung on them.
#include "skeleton/build_bones.hpp"

#include <cctype>
#include <cstdio>
#include <string>

#include "base/display_text.hpp"
#include "base/text_routines.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "skeleton/bone_build.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

// Index of the first object named exactly "bone" (the object count when there is
// none) and its start.
std::int32_t find_bone_object(const byte_region& mqo, offset_t& bone_object) {
    const std::int32_t num_object = mqo_num_object(mqo);
    bone_object = mqo_first_object(mqo);
    for (std::int32_t i = 0; i < num_object; ++i) {
        if (strequ(mqo_object_name(mqo, bone_object).c_str(), "bone") != 0) return i;
        bone_object = mqo_next_object(mqo, bone_object);
    }
    return num_object;
}

// Names the objects that look meant as the skeleton object, whose name must be
// exactly "bone": any name holding "bone" in some case, such as "Bone", "bones"
// or "bone:arm".
void explain_missing_bone_object(const byte_region& mqo) {
    std::string close;
    bool rigged = false;
    offset_t object = mqo_first_object(mqo);
    for (std::int32_t i = 0; i < mqo_num_object(mqo); ++i) {
        const std::string name = mqo_object_name(mqo, object);
        std::string lower = name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find("bone") != std::string::npos) close += " \"" + name + "\"";
        rigged = rigged || begins_with(name, marker_bone);
        object = mqo_next_object(mqo, object);
    }
    std::fprintf(stderr,
                 "build_bones_from_mqo : the skeleton must be drawn in an object named exactly "
                 "\"bone\" (lower case, nothing before or after).\n");
    if (!close.empty())
        std::fprintf(stderr,
                     "build_bones_from_mqo : objects with a close name:%s; rename the "
                     "skeleton object to bone.\n",
                     text_for_display(close).c_str());
    if (rigged)
        std::fprintf(stderr,
                     "build_bones_from_mqo : bones drawn as triangles in objects named "
                     "bone:NAME, with sdef: and anchor objects, are a rigged model: RIG=1 reads "
                     "it.\n");
}

bool build_bone_records(bone_build& build, std::int32_t root_bone) {
    const record_kind kind = bone_kind();
    build.num_bone = collect_records(build, kind);
    if (build.num_bone < 0) return false;
    put_i32(build.boneobj, boneobj_header::num_bone, build.num_bone);
    if (!find_bone_triangles(build)) return false;
    assign_alternate_origins(build, kind, build.num_bone);
    if (root_bone < 0 || root_bone >= build.num_bone) {
        std::printf("build_bones_from_mqo : Invalid Root Bone Definition!!\n");
        return false;
    }
    put_i32(build.boneobj, bone_record_at(root_bone) + bone_record::parent, -1);
    return true;
}

} // namespace

void write_boneobj_header(byte_region& boneobj) {
    // The four identification characters have no NUL of their own: the version
    // overwrites the one put_text leaves after them.
    put_chars(boneobj, boneobj_header::ident, boneobj_header::ident_text);
    put_i32(boneobj, boneobj_header::version, boneobj_header::version_number);
    put_text(boneobj, boneobj_header::description, boneobj_header::description_width,
             boneobj_header::description_text);
    put_i32(boneobj, boneobj_header::ofs_bone, static_cast<std::int32_t>(boneobj_header::size));
}

std::int32_t build_bones_from_mqo(const byte_region& mqo, byte_region& boneobj,
                                  std::int32_t root_bone) {
    std::printf("---------------------------------\nFUNCTION CALLED : build_bones_from_mqo\n"
                "---------------------------------\n");
    std::printf("build_bones_from_mqo : NumObject[%d] NumMaterial[%d] OffsetObject[%d] "
                "OffsetMaterial[%d]\n",
                mqo_num_object(mqo), mqo_num_material(mqo), get_i32(mqo, mqoobj_header::ofs_object),
                get_i32(mqo, mqoobj_header::ofs_material));
    if (!fits(boneobj, 0, boneobj_header::size)) {
        std::printf("build_bones_from_mqo : Bone object would grow past the bone buffer[%lld "
                    "bytes]\n",
                    static_cast<long long>(boneobj.size));
        return -1;
    }
    write_boneobj_header(boneobj);

    offset_t bone_object = 0;
    const std::int32_t bone_index = find_bone_object(mqo, bone_object);
    std::printf("build_bones_from_mqo : Bone Object[%d]\n", bone_index);
    if (bone_index == mqo_num_object(mqo)) {
        std::printf("build_bones_from_mqo : Bone Object Not Found\n");
        explain_missing_bone_object(mqo);
        return -1;
    }
    bone_build build{mqo, boneobj, bone_object};

    if (!build_bone_records(build, root_bone)) return -1;
    const record_kind bones = bone_kind();
    if (!link_to_root(build, bones, build.num_bone)) return -3;
    orient_records(build, bones, build.num_bone);
    relative_fields(build, bones, build.num_bone);

    const record_kind tags = tag_kind(build);
    build.num_tag = collect_records(build, tags);
    if (build.num_tag < 0) return -1;
    std::printf("build_bones_from_mqo : Tag[%d] found in bone object\n", build.num_tag);
    put_i32(boneobj, boneobj_header::num_tag, build.num_tag);
    if (!find_tag_faces(build)) return -1;
    assign_alternate_origins(build, tags, build.num_tag);
    if (!link_to_root(build, tags, build.num_tag)) return -3;
    orient_records(build, tags, build.num_tag);
    relative_fields(build, tags, build.num_tag);

    const auto end = static_cast<std::int32_t>(bone_record_at(build.num_bone + build.num_tag));
    put_i32(boneobj, boneobj_header::ofs_end, end);
    return end;
}

} // namespace ossify
