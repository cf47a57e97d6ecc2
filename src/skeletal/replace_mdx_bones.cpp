#include <cstdio>
#include <string>

#include "driver/text_routines.hpp"
#include "skeletal/skeletal_internal.hpp"

namespace ossify {

int replace_mdx_bones(byte_region& target, const byte_region& reference) {
    const mdx_info into = read_mdx_info(target);
    const mdx_info from = read_mdx_info(reference);
    if (into.num_bones != from.num_bones) {
        std::printf("ERROR: Number of bones not same.\n");
        return -1;
    }
    std::int32_t replaced = 0;
    for (std::int32_t r = 0; r < from.num_bones; ++r) {
        const offset_t source = bone_info_at(from.ofs_bones, r);
        const std::string name =
            get_text(reference, source + mds_bone_info::name, skeletal_name_width);
        for (std::int32_t b = 0; b < into.num_bones; ++b) {
            const offset_t bone = bone_info_at(into.ofs_bones, b);
            const std::string candidate =
                get_text(target, bone + mds_bone_info::name, skeletal_name_width);
            if (strequ(candidate.c_str(), name.c_str()) == 0) continue;
            put_f32(target, bone + mds_bone_info::parent_dist,
                    get_f32(reference, source + mds_bone_info::parent_dist));
            put_f32(target, bone + mds_bone_info::torso_weight,
                    get_f32(reference, source + mds_bone_info::torso_weight));
            std::printf("%s\n", candidate.c_str());
            ++replaced;
            break;
        }
    }
    if (replaced != from.num_bones) {
        std::printf("ERROR: Insufficient number of replaced bones.\n");
        return -1;
    }
    return 1;
}

} // namespace ossify
