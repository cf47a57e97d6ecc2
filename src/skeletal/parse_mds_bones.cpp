#include <cstdint>
#include <cstdio>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

int number_mds_bones(std::int32_t bone_count, const byte_region& bone_infos, bone_table& bone_remap,
                     bone_table& kept_bones) {
    // The count is a signed 8-bit value; a loaded MDS holds at most 127 regular
    // bones among at most 128, which keeps it and both table indexes in range.
    std::int8_t count = 0;
    for (std::int32_t i = 0; i < bone_count && i < max_mds_bones; ++i) {
        bone_remap[static_cast<std::size_t>(i)] = count;
        kept_bones[static_cast<std::size_t>(count)] = i;
        const bool regular = get_i32(bone_infos, bone_info_at(0, i) + mds_bone_info::flags) == 0;
        if (regular && count < max_regular_bones) ++count;
    }
    return count;
}

int parse_mds_bones(std::int32_t bone_count, const byte_region& bone_infos, bone_table& bone_remap,
                    bone_table& kept_bones) {
    std::printf("Parsing MDS Bone...");
    const int count = number_mds_bones(bone_count, bone_infos, bone_remap, kept_bones);
    std::printf("Done.\n");
    std::printf("MDS Bones\t\t\t:%d (Bone %d + Tag %d)\n", bone_count, count, bone_count - count);
    return count;
}

} // namespace ossify
