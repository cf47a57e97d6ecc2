// The animation half of an MDS split: every frame with the compressed bone
// frames of the regular bones, and their bone infos with renumbered parents.
#include <cstdio>
#include <vector>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

void write_mdx_header(byte_region& mdx, std::int32_t num_frames, int regular,
                      std::int32_t torso_parent) {
    const offset_t ofs_bones =
        mdx_header::size + frame_size(regular) * static_cast<offset_t>(num_frames);
    put_chars(mdx, mdx_header::ident, mdx_header::ident_text);
    put_i32(mdx, mdx_header::version, mdx_header::version_number);
    put_text(mdx, mdx_header::name, skeletal_name_width, mdx_written_name);
    put_i32(mdx, mdx_header::num_frames, num_frames);
    put_i32(mdx, mdx_header::num_bones, regular);
    put_i32(mdx, mdx_header::ofs_frames, static_cast<std::int32_t>(mdx_header::size));
    put_i32(mdx, mdx_header::ofs_bones, static_cast<std::int32_t>(ofs_bones));
    put_i32(mdx, mdx_header::torso_parent, torso_parent);
    put_i32(mdx, mdx_header::ofs_end,
            static_cast<std::int32_t>(ofs_bones + mds_bone_info::size * regular));
}

// Consecutive regular bones that stay consecutive in the MDX: their compressed
// frames are copied as one block per frame instead of one copy per bone.
struct bone_run {
    int first_new;
    std::int32_t first_old;
    int count;
};

std::vector<bone_run> runs_of_kept_bones(const bone_table& kept_bones, int regular) {
    std::vector<bone_run> runs;
    for (int j = 0; j < regular; ++j) {
        const std::int32_t old = kept_bones[static_cast<std::size_t>(j)];
        if (!runs.empty() && runs.back().first_old + runs.back().count == old)
            ++runs.back().count;
        else
            runs.push_back({j, old, 1});
    }
    return runs;
}

} // namespace

std::int32_t convert_mds_to_mdx(byte_region& mdx, const byte_region& mds) {
    const mds_info info = read_mds_info(mds);
    std::printf("\n--- Build MDX ---\n\n");
    bone_table bone_remap{};
    bone_table kept_bones{};
    const int regular = parse_mds_bones(
        info.num_bones, sub_region(mds, info.ofs_bones, mds_bone_info::size * info.num_bones),
        bone_remap, kept_bones);
    // The torso parent names an MDS bone like every parent, so it is renumbered too.
    if (info.torso_parent != -1 && (info.torso_parent < 0 || info.torso_parent >= info.num_bones)) {
        std::printf("ERROR:The MDS torso parent %d is not one of its bones.\n", info.torso_parent);
        return -1;
    }
    const std::int32_t torso_parent =
        info.torso_parent == -1 ? -1 : remap_bone(bone_remap, info.torso_parent);

    mdx.fault = false;
    std::printf("Header...");
    write_mdx_header(mdx, info.num_frames, regular, torso_parent);
    std::printf("Done\n");

    std::printf("Frames...");
    const std::vector<bone_run> runs = runs_of_kept_bones(kept_bones, regular);
    for (std::int32_t f = 0; f < info.num_frames; ++f) {
        const offset_t from = frame_at(info.ofs_frames, info.num_bones, f);
        const offset_t to = frame_at(mdx_header::size, regular, f);
        copy_bytes(mdx, to, mds, from, mds_frame::header_size);
        for (const bone_run& run : runs)
            copy_bytes(mdx, to + mds_frame::bone_frames + mds_bone_frame::size * run.first_new, mds,
                       from + mds_frame::bone_frames + mds_bone_frame::size * run.first_old,
                       mds_bone_frame::size * run.count);
    }
    std::printf("Done\n");

    std::printf("Bones...");
    const std::int32_t ofs_bones = get_i32(mdx, mdx_header::ofs_bones);
    for (int j = 0; j < regular; ++j) {
        const offset_t to = bone_info_at(ofs_bones, j);
        copy_bytes(mdx, to, mds,
                   bone_info_at(info.ofs_bones, kept_bones[static_cast<std::size_t>(j)]),
                   mds_bone_info::size);
        const std::int32_t parent = get_i32(mdx, to + mds_bone_info::parent);
        if (parent != -1) put_i32(mdx, to + mds_bone_info::parent, remap_bone(bone_remap, parent));
    }
    std::printf("Done\n");
    if (mdx.fault) {
        std::printf("ERROR:The MDX of this MDS does not fit its buffer.\n");
        return -1;
    }

    const std::int32_t end = get_i32(mdx, mdx_header::ofs_end);
    std::printf("MDX Convertion has been done.\n");
    std::printf("MDX size\t\t\t:%d\n", end);
    return end;
}

} // namespace ossify
