// The tags of a mode 9 model taken from its own skeleton (see mdm_writer.hpp).
#include <cstdio>
#include <string>
#include <vector>

#include "base/vector_fields.hpp"
#include "export/engine_units.hpp"
#include "export/mdm_writer.hpp"
#include "mesh/bone_binding.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

// A tag can ride only on the bone at whose forward vertex it was drawn (or
// joined to it by a line): its chain must have found such a bone.
bool attached(const byte_region& bones, offset_t tag, std::int32_t parent,
              std::int32_t bone_count) {
    if (parent < 0 || parent >= bone_count) return false;
    const std::int32_t forward = get_i32(bones, bone_record_at(parent) + bone_record::forward);
    return get_i32(bones, tag + bone_record::origin) == forward ||
           get_i32(bones, tag + bone_record::alternate_origin) == forward;
}

} // namespace

std::int32_t build_mdm_skeleton_tags(const byte_region& bones, byte_region& mdm) {
    std::printf("\nMDM tags from the skeleton...");
    const std::int32_t bone_count = get_i32(bones, boneobj_header::num_bone);
    const std::int32_t tag_count = get_i32(bones, boneobj_header::num_tag);
    const std::int32_t first = get_i32(mdm, mdm_header::ofs_tags);
    const std::vector<bone_frame> frames = bone_frames(bones, bone_count);
    mdm.fault = false;
    offset_t at = first;
    for (std::int32_t t = 0; t < tag_count; ++t) {
        const offset_t tag = bone_record_at(offset_t{bone_count} + t);
        const std::string name = bone_record_name(bones, tag);
        const std::int32_t parent = get_i32(bones, tag + bone_record::parent);
        if (!attached(bones, tag, parent, bone_count)) {
            std::printf("\nbuild_mdm_skeleton_tags : Tag[%d] Name[%s] Origin[%d] is no bone's "
                        "forward vertex: weld the tag's origin to the forward vertex of the bone "
                        "it should ride on\n",
                        t, name.c_str(), get_i32(bones, tag + bone_record::origin));
            return -1;
        }
        const std::int32_t depth = get_i32(bones, tag + bone_record::num_bone_tree);
        const offset_t size = mdm_tag::size + index_size * depth;
        if (depth < 1 || depth > bone_max_tree || !fits(mdm, at, size)) {
            std::printf("\nbuild_mdm_skeleton_tags : Tag[%d] Name[%s] does not fit the MDM "
                        "buffer of %zu bytes\n",
                        t, name.c_str(), mdm.size);
            return -1;
        }
        const bone_frame& frame = frames[static_cast<std::size_t>(parent)];
        put_text(mdm, at + mdm_tag::name, skeletal_name_width, name.c_str());
        const offset_t rows[3] = {bone_record::rmw1, bone_record::rmw2, bone_record::rmw3};
        for (offset_t i = 0; i < 3; ++i)
            put_vector3(mdm, at + mdm_tag::axis + vec3_size * i,
                        in_bone_frame(frame, get_vector3(bones, tag + rows[i])));
        put_i32(mdm, at + mdm_tag::attach_bone, parent);
        const vector3 origin = get_vector3(bones, tag + bone_record::origin_position);
        put_vector3(mdm, at + mdm_tag::offset,
                    to_engine(in_bone_frame(frame, offset_from_origin(origin, frame.origin))));
        put_i32(mdm, at + mdm_tag::num_bone_refs, depth);
        put_i32(mdm, at + mdm_tag::ofs_bone_refs, static_cast<std::int32_t>(mdm_tag::size));
        put_i32(mdm, at + mdm_tag::ofs_end, static_cast<std::int32_t>(size));
        // The tag's ancestors are its bone's chain: root first, the bone last.
        copy_bytes(mdm, at + mdm_tag::size, bones, tag + bone_record::tree, index_size * depth);
        at += size;
    }
    if (mdm.fault || bones.fault) {
        std::printf("\nbuild_mdm_skeleton_tags : a record was read or written out of bounds\n");
        return -1;
    }
    put_i32(mdm, mdm_header::num_tags, tag_count);
    put_i32(mdm, mdm_header::ofs_end, static_cast<std::int32_t>(at));
    std::printf("Done.\n");
    return static_cast<std::int32_t>(at);
}

} // namespace ossify
