// The parent search of the skeleton builder: links a bone or tag record to the
// bone whose forward vertex is its origin and walks on to the root.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

// The ancestors of one record, the parent first and the root last.
struct ancestor_list {
    std::int32_t count = 0;
    std::int32_t bone[bone_max_tree] = {};
};

// Walks the chain from the record at offset `record` (record index `k`, for the
// messages) over the first `num_bones` bone records of `boneobj`, setting Parent
// and ParentDistance of every record on the way and appending each parent to
// `ancestors`, which the caller starts empty. Returns 1 when the chain reaches
// the root (the bone whose Parent is -1), 0 when it breaks off, runs back into
// itself or grows past bone_max_tree ancestors; each of these prints why.
int who_is_your_parent(byte_region& boneobj, std::int32_t num_bones, std::int32_t k,
                       offset_t record, ancestor_list& ancestors);

} // namespace ossify
