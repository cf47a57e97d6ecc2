// The counts and offsets of an MDS, MDM or MDX header, read once into a plain
// record so that validators and operations name them instead of re-reading them.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"
#include "skeletal/skeletal_layout.hpp"

namespace ossify {

struct mds_info {
    std::int32_t num_frames;
    std::int32_t num_bones;
    std::int32_t ofs_frames;
    std::int32_t ofs_bones;
    std::int32_t torso_parent;
    std::int32_t num_surfaces;
    std::int32_t ofs_surfaces;
    std::int32_t ofs_end;
};

struct mdm_info {
    std::int32_t num_surfaces;
    std::int32_t ofs_surfaces;
    std::int32_t num_tags;
    std::int32_t ofs_tags;
    std::int32_t ofs_end;
};

struct mdx_info {
    std::int32_t num_frames;
    std::int32_t num_bones;
    std::int32_t ofs_frames;
    std::int32_t ofs_bones;
    std::int32_t torso_parent;
    std::int32_t ofs_end;
};

inline mds_info read_mds_info(const byte_region& mds) {
    return {get_i32(mds, mds_header::num_frames),   get_i32(mds, mds_header::num_bones),
            get_i32(mds, mds_header::ofs_frames),   get_i32(mds, mds_header::ofs_bones),
            get_i32(mds, mds_header::torso_parent), get_i32(mds, mds_header::num_surfaces),
            get_i32(mds, mds_header::ofs_surfaces), get_i32(mds, mds_header::ofs_end)};
}

inline mdm_info read_mdm_info(const byte_region& mdm) {
    return {get_i32(mdm, mdm_header::num_surfaces), get_i32(mdm, mdm_header::ofs_surfaces),
            get_i32(mdm, mdm_header::num_tags), get_i32(mdm, mdm_header::ofs_tags),
            get_i32(mdm, mdm_header::ofs_end)};
}

inline mdx_info read_mdx_info(const byte_region& mdx) {
    return {get_i32(mdx, mdx_header::num_frames),   get_i32(mdx, mdx_header::num_bones),
            get_i32(mdx, mdx_header::ofs_frames),   get_i32(mdx, mdx_header::ofs_bones),
            get_i32(mdx, mdx_header::torso_parent), get_i32(mdx, mdx_header::ofs_end)};
}

// Where bone b's info record starts (MDS and MDX alike).
inline offset_t bone_info_at(std::int32_t ofs_bones, offset_t bone) {
    return ofs_bones + mds_bone_info::size * bone;
}

// Where frame f starts in a file of `bones` bones (MDS and MDX alike).
inline offset_t frame_at(std::int32_t ofs_frames, offset_t bones, offset_t frame) {
    return ofs_frames + frame_size(bones) * frame;
}

// The bytes of the collapse map of the MDS surface at `surface`: its surfaces
// lie packed, so the map runs from its offset to the bone references' (a
// damaged file may give a negative count, which the validator refuses).
inline offset_t mds_collapse_map_bytes(const byte_region& mds, offset_t surface) {
    return get_i32(mds, surface + mds_surface::ofs_bone_refs) -
           offset_t{get_i32(mds, surface + mds_surface::ofs_collapse_map)};
}

} // namespace ossify
