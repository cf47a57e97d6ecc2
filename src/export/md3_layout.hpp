// Layout of the MD3 files the tool writes: a static model of one frame.
#pragma once

#include "base/byte_access.hpp"

namespace ossify {

// Names (model, surface, shader, tag) are NUL-padded 64-byte fields.
inline constexpr offset_t md3_name_width = 64;

// The engine reads a stored position as this many steps to one unit.
inline constexpr std::int32_t md3_steps_per_unit = 64;

namespace md3_header {
inline constexpr char ident_text[] = "IDP3";
inline constexpr int version_number = 15;
inline constexpr offset_t ident = 0;
inline constexpr offset_t version = 4;
inline constexpr offset_t name = 8;
inline constexpr offset_t flags = 72;
inline constexpr offset_t num_frames = 76;
inline constexpr offset_t num_tags = 80;
inline constexpr offset_t num_surfaces = 84;
inline constexpr offset_t num_skins = 88;
inline constexpr offset_t ofs_frames = 92;
inline constexpr offset_t ofs_tags = 96;
inline constexpr offset_t ofs_surfaces = 100;
inline constexpr offset_t ofs_end = 104;
inline constexpr offset_t size = 108;
static_assert(name + md3_name_width == flags && ofs_end + 4 == size);
} // namespace md3_header

namespace md3_frame {
inline constexpr char frame_name[] = "frame_0001";
inline constexpr offset_t bounds_min = 0;
inline constexpr offset_t bounds_max = 12;
inline constexpr offset_t local_origin = 24;
inline constexpr offset_t radius = 36;
inline constexpr offset_t name = 40; // char[16]
inline constexpr offset_t name_width = 16;
inline constexpr offset_t size = 56;
static_assert(name + name_width == size);
} // namespace md3_frame

namespace md3_tag {
inline constexpr offset_t name = 0;
inline constexpr offset_t origin = md3_name_width;
inline constexpr offset_t axis = 76;
inline constexpr offset_t size = 112;
static_assert(origin + 12 == axis && axis + 36 == size);
} // namespace md3_tag

namespace md3_surface {
inline constexpr offset_t ident = 0;
inline constexpr offset_t name = 4;
inline constexpr offset_t flags = 68;
inline constexpr offset_t num_frames = 72;
inline constexpr offset_t num_shaders = 76;
inline constexpr offset_t num_verts = 80;
inline constexpr offset_t num_triangles = 84;
inline constexpr offset_t ofs_triangles = 88;
inline constexpr offset_t ofs_shaders = 92;
inline constexpr offset_t ofs_st = 96;
inline constexpr offset_t ofs_xyz_normals = 100;
inline constexpr offset_t ofs_end = 104;
inline constexpr offset_t size = 108;
inline constexpr offset_t triangle_size = 12;
inline constexpr offset_t corner_step = 4;  // an int32 vertex index per corner
inline constexpr offset_t shader_size = 68; // name char[64], index int32
inline constexpr offset_t st_size = 8;
inline constexpr offset_t vertex_size = 8;               // int16 x, y, z, uint16 normal
inline constexpr offset_t coordinate_step = 2;           // from x to y to z of a vertex
inline constexpr offset_t vertex_normal = 6;             // high byte azimuth, low byte zenith
inline constexpr offset_t shader_index = md3_name_width; // after the shader's name
static_assert(name + md3_name_width == flags && ofs_end + 4 == size);
static_assert(3 * coordinate_step == vertex_normal && vertex_normal + 2 == vertex_size);
static_assert(shader_index + 4 == shader_size && 3 * corner_step == triangle_size);
} // namespace md3_surface

} // namespace ossify
