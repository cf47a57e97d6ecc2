#include <cstdio>
#include <vector>

#include "export/bound_tags.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"

namespace ossify {

namespace {

dvec3 engine_vector(const vector3& v, double scale) {
    return {scale * v.x, scale * v.y, scale * v.z};
}

// Root first, `bone` last.
std::vector<std::int32_t> chain_to(const mdx_pose& pose, std::int32_t bone) {
    std::vector<std::int32_t> chain{bone};
    for (std::int32_t b = pose.parents[static_cast<std::size_t>(bone)];
         b >= 0 && chain.size() <= pose.parents.size();
         b = pose.parents[static_cast<std::size_t>(b)])
        chain.insert(chain.begin(), b);
    return chain;
}

} // namespace

std::int32_t nearest_bone(const mdx_pose& pose, const vector3& origin) {
    std::int32_t best = 0;
    double best_distance = 0;
    for (std::size_t b = 0; b < pose.posed.size(); ++b) {
        const dvec3 p = modeller_position(pose, b);
        const dvec3 d = {origin.x - p[0], origin.y - p[1], origin.z - p[2]};
        const double distance = dot3(d, d);
        if (b == 0 || distance < best_distance) {
            best = static_cast<std::int32_t>(b);
            best_distance = distance;
        }
    }
    return best;
}

std::int32_t build_mdm_bound_tags(std::span<const drawn_tag> tags, const mdx_pose& pose,
                                  byte_region& mdm) {
    std::printf("\nMDM tags from the tag markers...\n");
    const std::int32_t first = get_i32(mdm, mdm_header::ofs_tags);
    offset_t at = first;
    mdm.fault = false;
    for (std::size_t t = 0; t < tags.size(); ++t) {
        const drawn_tag& tag = tags[t];
        const std::int32_t bone = nearest_bone(pose, tag.origin);
        const std::vector<std::int32_t> chain = chain_to(pose, bone);
        const auto depth = static_cast<offset_t>(chain.size());
        const offset_t size = mdm_tag::size + index_size * depth;
        if (!fits(mdm, at, size)) {
            std::printf("build_mdm_bound_tags : Tag[%zu] Name[%s] does not fit the MDM buffer of "
                        "%zu bytes\n",
                        t, tag.name.c_str(), mdm.size);
            return -1;
        }
        bone_rotation axes;
        axes.forward = engine_vector(tag.axes[0], 1.0);
        axes.left = engine_vector(tag.axes[1], 1.0);
        axes.up = engine_vector(tag.axes[2], 1.0);
        const tag_record_values v =
            tag_on_bone(pose.posed[static_cast<std::size_t>(bone)],
                        engine_vector(tag.origin, 1.0 / modeller_per_engine_unit), axes);
        put_text(mdm, at + mdm_tag::name, skeletal_name_width, tag.name.c_str());
        put_rotation_rows(mdm, at + mdm_tag::axis, v.axis);
        put_i32(mdm, at + mdm_tag::attach_bone, bone);
        put_dvec3(mdm, at + mdm_tag::offset, v.offset);
        put_i32(mdm, at + mdm_tag::num_bone_refs, static_cast<std::int32_t>(depth));
        put_i32(mdm, at + mdm_tag::ofs_bone_refs, static_cast<std::int32_t>(mdm_tag::size));
        put_i32(mdm, at + mdm_tag::ofs_end, static_cast<std::int32_t>(size));
        for (offset_t k = 0; k < depth; ++k)
            put_i32(mdm, at + mdm_tag::size + index_size * k, chain[static_cast<std::size_t>(k)]);
        std::printf("build_mdm_bound_tags : Tag[%zu] Name[%s] Bone[%d:%s]\n", t, tag.name.c_str(),
                    bone, pose.names[static_cast<std::size_t>(bone)].c_str());
        at += size;
    }
    if (mdm.fault) {
        std::printf("build_mdm_bound_tags : a record was written out of bounds\n");
        return -1;
    }
    put_i32(mdm, mdm_header::num_tags, static_cast<std::int32_t>(tags.size()));
    put_i32(mdm, mdm_header::ofs_end, static_cast<std::int32_t>(at));
    return static_cast<std::int32_t>(at);
}

} // namespace ossify
