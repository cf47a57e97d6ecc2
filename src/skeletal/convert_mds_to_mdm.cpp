// The mesh half of an MDS split: surfaces with renumbered bones, one tag per tag
// bone evaluated at the base frame, then the MDM header.
#include <cstdio>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

void write_mdm_header(const byte_region& mds, const mds_info& info, byte_region& mdm,
                      offset_t surfaces_size, offset_t tags_size, std::int32_t num_tags) {
    put_chars(mdm, mdm_header::ident, mdm_header::ident_text);
    put_i32(mdm, mdm_header::version, mdm_header::version_number);
    put_text(mdm, mdm_header::name, skeletal_name_width, mdm_written_name);
    put_f32(mdm, mdm_header::lod_scale, get_f32(mds, mds_header::lod_scale));
    put_f32(mdm, mdm_header::lod_bias, get_f32(mds, mds_header::lod_bias));
    put_i32(mdm, mdm_header::num_surfaces, info.num_surfaces);
    put_i32(mdm, mdm_header::ofs_surfaces, static_cast<std::int32_t>(mdm_header::size));
    put_i32(mdm, mdm_header::num_tags, num_tags);
    put_i32(mdm, mdm_header::ofs_tags, static_cast<std::int32_t>(mdm_header::size + surfaces_size));
    put_i32(mdm, mdm_header::ofs_end,
            static_cast<std::int32_t>(mdm_header::size + surfaces_size + tags_size));
}

} // namespace

std::int32_t convert_mds_to_mdm(const byte_region& mds, byte_region& mdm, std::int32_t base_frame) {
    const mds_info info = read_mds_info(mds);
    std::printf("\n--- Build MDM ---\n\n");
    bone_table bone_remap{};
    bone_table kept_bones{};
    parse_mds_bones(info.num_bones,
                    sub_region(mds, info.ofs_bones, mds_bone_info::size * info.num_bones),
                    bone_remap, kept_bones);

    // Writes past the end of the MDM buffer are dropped and flagged; the flag
    // refuses the result below.
    mdm.fault = false;
    std::printf("Surfaces...");
    offset_t mds_at = info.ofs_surfaces;
    offset_t surfaces_size = 0;
    for (int s = 0; s < info.num_surfaces; ++s)
        surfaces_size += copy_mds_surface(mds, mds_at, mdm, mdm_header::size + surfaces_size, s,
                                          surfaces_size, bone_remap, mds_at);
    std::printf("Done.\n");

    std::printf("Tags...");
    if (base_frame < 0 || base_frame >= info.num_frames) {
        std::printf("ERROR: Invalid BASEFRAME value.\n");
        return -1;
    }
    const offset_t frame = frame_at(info.ofs_frames, info.num_bones, base_frame);
    const offset_t tags_at = mdm_header::size + surfaces_size;
    offset_t tags_size = 0;
    std::int32_t num_tags = 0;
    for (std::int32_t b = 0; b < info.num_bones; ++b) {
        if (get_i32(mds, bone_info_at(info.ofs_bones, b) + mds_bone_info::flags) == 0) continue;
        tags_size += build_mds_tag(mds, info, b, frame, mdm, tags_at + tags_size, bone_remap);
        ++num_tags;
    }
    std::printf("Done.\n");
    if (mdm.fault) {
        std::fprintf(stderr, "ossify: the MDM needs %lld bytes, the buffer holds %zu.\n",
                     static_cast<long long>(tags_at + tags_size), mdm.size);
        std::printf("ERROR:The MDM of this MDS does not fit its buffer.\n");
        return -1;
    }

    std::printf("Header...");
    write_mdm_header(mds, info, mdm, surfaces_size, tags_size, num_tags);
    std::printf("Done.\n");
    const std::int32_t end = get_i32(mdm, mdm_header::ofs_end);
    std::printf("MDM Convertion has been done.\n");
    std::printf("MDM size\t\t\t:%d\n", end);
    return end;
}

} // namespace ossify
