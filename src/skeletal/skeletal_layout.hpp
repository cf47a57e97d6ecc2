// Byte layouts of the skeletal model formats: MDS (skeletal model with its
// animation), MDM (skinned mesh with tags) and MDX (skeleton animation).
//
// Offsets in a file header count from the file start; offsets in a surface
// header or a tag record count from that surface or tag. An end offset is also
// the size of the record it closes. Little-endian int32 and float32 throughout,
// int16 for compressed angles, char[64] for names.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"
#include "base/vector_fields.hpp"

namespace ossify {

inline constexpr offset_t skeletal_name_width = 64;

inline constexpr offset_t f32_size = 4;

// A compressed angle is an int16 turn fraction: radians = value * (1/65536) * 2 * 3.1415.
inline constexpr double compressed_angle_pi = 3.1415;

inline double compressed_angle_radians(std::int16_t value) {
    return value * (1.0 / 65536) * 2 * compressed_angle_pi;
}

// The bone numbering tables hold 128 entries and count regular bones in a signed
// 8-bit value, so an MDS may hold at most 128 bones of which 127 regular bones.
inline constexpr int max_mds_bones = 128;
inline constexpr int max_regular_bones = 127;

namespace mds_header {
inline constexpr char ident_text[] = "MDSW";
inline constexpr int version_number = 4;
inline constexpr offset_t ident = 0;
inline constexpr offset_t version = 4;
inline constexpr offset_t name = 8;
inline constexpr offset_t lod_scale = 72;
inline constexpr offset_t lod_bias = 76;
inline constexpr offset_t num_frames = 80;
inline constexpr offset_t num_bones = 84;
inline constexpr offset_t ofs_frames = 88;
inline constexpr offset_t ofs_bones = 92;
inline constexpr offset_t torso_parent = 96;
inline constexpr offset_t num_surfaces = 100;
inline constexpr offset_t ofs_surfaces = 104;
inline constexpr offset_t ofs_end = 116;
inline constexpr offset_t size = 120;
static_assert(name + skeletal_name_width == lod_scale && ofs_end + 4 == size);
} // namespace mds_header

// Frame header shared by MDS and MDX frames; the compressed bone frames follow it.
namespace mds_frame {
inline constexpr offset_t bounds_min = 0;
inline constexpr offset_t bounds_max = 12;
inline constexpr offset_t local_origin = 24;
inline constexpr offset_t radius = 36;
inline constexpr offset_t parent_offset = 40;
inline constexpr offset_t bone_frames = 52;
inline constexpr offset_t header_size = 52;
inline constexpr int header_floats = 13;
static_assert(parent_offset + 12 == header_size && header_floats * 4 == header_size);
} // namespace mds_frame

namespace mds_bone_frame {
inline constexpr offset_t angles = 0;        // int16[4]: angles 0, 1, 2 and an unused value
inline constexpr offset_t offset_angles = 8; // int16[2]
inline constexpr offset_t angle_step = 2;    // from one int16 angle to the next
inline constexpr offset_t size = 12;
static_assert(offset_angles + 4 == size);
} // namespace mds_bone_frame

// Frame size for a skeleton of `bones` bones (MDS and MDX alike).
inline constexpr offset_t frame_size(offset_t bones) {
    return mds_frame::header_size + mds_bone_frame::size * bones;
}

// Bone info, shared by MDS and MDX.
namespace mds_bone_info {
inline constexpr offset_t name = 0;
inline constexpr offset_t parent = 64;
inline constexpr offset_t torso_weight = 68;
inline constexpr offset_t parent_dist = 72;
inline constexpr offset_t flags = 76;
inline constexpr offset_t size = 80;
static_assert(name + skeletal_name_width == parent && flags + 4 == size);
} // namespace mds_bone_info

// Surface header, shared by MDS and MDM surfaces.
namespace mds_surface {
inline constexpr offset_t ident = 0;
inline constexpr offset_t name = 4;
inline constexpr offset_t shader = 68;
inline constexpr offset_t shader_index = 132;
inline constexpr offset_t min_lod = 136;
inline constexpr offset_t ofs_header = 140;
inline constexpr offset_t num_verts = 144;
inline constexpr offset_t ofs_verts = 148;
inline constexpr offset_t num_triangles = 152;
inline constexpr offset_t ofs_triangles = 156;
inline constexpr offset_t ofs_collapse_map = 160;
inline constexpr offset_t num_bone_refs = 164;
inline constexpr offset_t ofs_bone_refs = 168;
inline constexpr offset_t ofs_end = 172;
inline constexpr offset_t size = 176;
static_assert(name + skeletal_name_width == shader && shader + skeletal_name_width == shader_index);
static_assert(ofs_end + 4 == size);
} // namespace mds_surface
namespace mdm_surface = mds_surface;

inline constexpr int mdm_surface_ident = 9;

// MDS vertex: 32 bytes, then its weights.
namespace mds_vertex {
inline constexpr offset_t normal = 0;
inline constexpr offset_t tex_coords = 12;
inline constexpr offset_t num_weights = 20;
inline constexpr offset_t weights = 32; // after two fields the MDM drops
inline constexpr offset_t size = 32;
} // namespace mds_vertex

// MDM vertex: 24 bytes, then its weights.
namespace mdm_vertex {
inline constexpr offset_t normal = 0;
inline constexpr offset_t tex_coords = 12;
inline constexpr offset_t num_weights = 20;
inline constexpr offset_t weights = 24;
inline constexpr offset_t size = 24;
static_assert(num_weights + 4 == size);
} // namespace mdm_vertex

// Bytes an MDS vertex carries that its MDM copy drops.
inline constexpr offset_t mds_only_vertex_bytes = mds_vertex::size - mdm_vertex::size;

namespace skin_weight {
inline constexpr offset_t bone = 0;
inline constexpr offset_t weight = 4;
inline constexpr offset_t offset = 8;
inline constexpr offset_t size = 20;
static_assert(offset + 12 == size);
} // namespace skin_weight

inline constexpr offset_t triangle_size = 12; // three int32 vertex indexes
inline constexpr offset_t index_size = 4;     // collapse map entries and bone references

namespace mdm_header {
inline constexpr char ident_text[] = "MDMW";
inline constexpr int version_number = 3;
inline constexpr offset_t ident = 0;
inline constexpr offset_t version = 4;
inline constexpr offset_t name = 8;
inline constexpr offset_t lod_scale = 72;
inline constexpr offset_t lod_bias = 76;
inline constexpr offset_t num_surfaces = 80;
inline constexpr offset_t ofs_surfaces = 84;
inline constexpr offset_t num_tags = 88;
inline constexpr offset_t ofs_tags = 92;
inline constexpr offset_t ofs_end = 96;
inline constexpr offset_t size = 100;
static_assert(name + skeletal_name_width == lod_scale && ofs_end + 4 == size);
} // namespace mdm_header

// Name the tool gives every MDM it writes.
inline constexpr char mdm_written_name[] = "models/players/temperate/allied/soldier/body.mdm";

namespace mdm_tag {
inline constexpr offset_t name = 0;
inline constexpr offset_t axis = 64; // float32[3][3], rows 1 to 3
inline constexpr offset_t attach_bone = 100;
inline constexpr offset_t offset = 104;
inline constexpr offset_t num_bone_refs = 116;
inline constexpr offset_t ofs_bone_refs = 120;
inline constexpr offset_t ofs_end = 124;
inline constexpr offset_t size = 128; // before the bone references
static_assert(name + skeletal_name_width == axis && axis + 36 == attach_bone);
static_assert(ofs_end + 4 == size);
} // namespace mdm_tag

namespace mdx_header {
inline constexpr char ident_text[] = "MDXW";
inline constexpr int version_number = 2;
inline constexpr offset_t ident = 0;
inline constexpr offset_t version = 4;
inline constexpr offset_t name = 8;
inline constexpr offset_t num_frames = 72;
inline constexpr offset_t num_bones = 76;
inline constexpr offset_t ofs_frames = 80;
inline constexpr offset_t ofs_bones = 84;
inline constexpr offset_t torso_parent = 88;
inline constexpr offset_t ofs_end = 92;
inline constexpr offset_t size = 96;
static_assert(name + skeletal_name_width == num_frames && ofs_end + 4 == size);
} // namespace mdx_header

// Name the tool gives every MDX it writes.
inline constexpr char mdx_written_name[] = "output/animations/human/base/body.mdx";

} // namespace ossify
