#include <cstdio>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

int replace_mdm_tags(const byte_region& reference, byte_region& target) {
    std::printf("\nMDM tag total replacement...");
    const mdm_info from = read_mdm_info(reference);
    const std::int32_t tags_at = get_i32(target, mdm_header::ofs_tags);
    // The target may come from a loader or from a builder, so its offset is
    // checked here; a loaded reference has its tag block inside the file.
    const offset_t block = offset_t{from.ofs_end} - from.ofs_tags;
    if (block < 0 || !fits(reference, from.ofs_tags, block) || tags_at < mdm_header::size ||
        !fits(target, tags_at, block)) {
        std::fprintf(stderr, "ossify: %lld bytes of tags at offset %d of a %zu-byte MDM buffer.\n",
                     static_cast<long long>(block), tags_at, target.size);
        std::printf("ERROR:The replaced tags would not fit the MDM buffer.\n");
        return -1;
    }
    copy_bytes(target, tags_at, reference, from.ofs_tags, block);
    put_i32(target, mdm_header::num_tags, from.num_tags);
    put_i32(target, mdm_header::ofs_end, static_cast<std::int32_t>(block + tags_at));
    std::printf("Done.\n");
    return 1;
}

} // namespace ossify
