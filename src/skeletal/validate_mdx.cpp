// Structural check of a loaded MDX: its bone infos and frames lie in the file,
// behind the header, so that editing them in place (bone replacement,
// rescaling) can never change the counts that bound every walk.
#include "skeletal/skeletal_internal.hpp"

namespace ossify {

bool validate_mdx(const byte_region& mdx) {
    const mdx_info info = read_mdx_info(mdx);
    // The bone infos bound the bone count before it sizes the frames.
    if (info.num_bones < 0 || !fits(mdx, info.ofs_bones, mds_bone_info::size * info.num_bones) ||
        (info.num_bones > 0 && info.ofs_bones < mdx_header::size))
        return refuse("ERROR:The bone infos of this MDX lie outside the file.\n");
    if (info.num_frames < 0 ||
        !fits(mdx, info.ofs_frames, frame_size(info.num_bones) * info.num_frames) ||
        (info.num_frames > 0 && info.ofs_frames < mdx_header::size))
        return refuse("ERROR:The frames of this MDX lie outside the file.\n");
    return true;
}

} // namespace ossify
