#include <cstdio>
#include <string>
#include <unordered_map>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

// The first target bone of each name: the bone a reference bone of that name
// takes over. One pass instead of a search per reference bone, so that a file
// of many thousand bones stays quick.
std::unordered_map<std::string, std::int32_t> first_bone_of_each_name(const byte_region& mdx,
                                                                      const mdx_info& info) {
    std::unordered_map<std::string, std::int32_t> first;
    first.reserve(static_cast<std::size_t>(info.num_bones));
    for (std::int32_t b = 0; b < info.num_bones; ++b)
        first.emplace(get_text(mdx, bone_info_at(info.ofs_bones, b) + mds_bone_info::name,
                               skeletal_name_width),
                      b);
    return first;
}

} // namespace

int replace_mdx_bones(byte_region& target, const byte_region& reference) {
    const mdx_info into = read_mdx_info(target);
    const mdx_info from = read_mdx_info(reference);
    if (into.num_bones != from.num_bones) {
        std::printf("ERROR: Number of bones not same.\n");
        return -1;
    }
    const auto first = first_bone_of_each_name(target, into);
    std::int32_t replaced = 0;
    for (std::int32_t r = 0; r < from.num_bones; ++r) {
        const offset_t source = bone_info_at(from.ofs_bones, r);
        const auto match =
            first.find(get_text(reference, source + mds_bone_info::name, skeletal_name_width));
        if (match == first.end()) continue;
        const offset_t bone = bone_info_at(into.ofs_bones, match->second);
        put_f32(target, bone + mds_bone_info::parent_dist,
                get_f32(reference, source + mds_bone_info::parent_dist));
        put_f32(target, bone + mds_bone_info::torso_weight,
                get_f32(reference, source + mds_bone_info::torso_weight));
        std::printf("%s\n", match->first.c_str());
        ++replaced;
    }
    if (replaced != from.num_bones) {
        std::printf("ERROR: Insufficient number of replaced bones.\n");
        return -1;
    }
    return 1;
}

} // namespace ossify
