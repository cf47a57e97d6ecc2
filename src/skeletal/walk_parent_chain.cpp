#include "skeletal/skeletal_internal.hpp"

namespace ossify {

int walk_parent_chain(const byte_region& mds, const mds_info& info, std::int32_t bone,
                      bone_table* visited) {
    // A chain without a cycle visits every bone at most once, so a walk longer
    // than the bone count (or than the table) has met a cycle.
    int count = 0;
    while (bone != -1) {
        if (bone < 0 || bone >= info.num_bones || count >= info.num_bones || count >= max_mds_bones)
            return -1;
        if (visited != nullptr) (*visited)[static_cast<std::size_t>(count)] = bone;
        ++count;
        bone = get_i32(mds, bone_info_at(info.ofs_bones, bone) + mds_bone_info::parent);
    }
    return count;
}

} // namespace ossify
