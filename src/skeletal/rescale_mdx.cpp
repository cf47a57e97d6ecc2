// Rescaling an MDX: frame headers and parent distances.
#include "skeletal/skeletal_internal.hpp"

namespace ossify {

int rescale_mdx(byte_region& mdx, std::int32_t percent) {
    const auto factor = static_cast<float>(percent / 100.0);
    const mdx_info info = read_mdx_info(mdx);
    // Every float of a frame header is a length: bounds, origin, radius, offset.
    for (std::int32_t f = 0; f < info.num_frames; ++f) {
        const offset_t frame = frame_at(info.ofs_frames, info.num_bones, f);
        for (int k = 0; k < mds_frame::header_floats; ++k)
            scale_f32(mdx, frame + f32_size * k, factor);
    }
    for (std::int32_t b = 0; b < info.num_bones; ++b)
        scale_f32(mdx, bone_info_at(info.ofs_bones, b) + mds_bone_info::parent_dist, factor);
    return 1;
}

} // namespace ossify
