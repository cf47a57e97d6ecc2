// Layout of the parsed-MQO record (`mqoobj`, saved as "test.mqoobj"): the
// materials and objects of an MQO model, found through the offsets and counts of
// its header. Little-endian int32 and float32; names NUL-padded to 64 bytes.
#pragma once

#include "base/byte_access.hpp"

namespace ossify {

inline constexpr offset_t mqo_name_width = 64;
inline constexpr int mqo_max_materials = 1024;
inline constexpr int mqo_max_vertices = 4096; // per object
inline constexpr int mqo_max_faces = 4096;    // per object
inline constexpr int mqo_max_corners = 4;

namespace mqoobj_header {
inline constexpr offset_t reserved = 0;      // 72 zero bytes
inline constexpr offset_t ofs_material = 72; // OffsetMaterial
inline constexpr offset_t num_material = 76; // NumMaterial
inline constexpr offset_t ofs_object = 80;   // OffsetObject
inline constexpr offset_t num_object = 84;   // NumObject
inline constexpr offset_t mqo_size = 88;     // MQOSIZE
inline constexpr offset_t size = 92;
static_assert(mqo_size + 4 == size);
} // namespace mqoobj_header

namespace mqo_material {
inline constexpr offset_t name = 0;
inline constexpr offset_t texture = 64;
inline constexpr offset_t size = 128;
static_assert(texture + mqo_name_width == size);
} // namespace mqo_material

namespace mqo_object {
inline constexpr offset_t name = 0;        // Name
inline constexpr offset_t num_vertex = 64; // NumVertex
inline constexpr offset_t ofs_vertex = 68; // OffsetVertex, always 84
inline constexpr offset_t num_face = 72;   // NumFace
inline constexpr offset_t ofs_face = 76;   // OffsetFace
inline constexpr offset_t ofs_next = 80;   // OffsetNext, the object's size; 0 in the last
inline constexpr offset_t size = 84;
static_assert(name + mqo_name_width == num_vertex && ofs_next + 4 == size);
} // namespace mqo_object

inline constexpr offset_t mqo_vertex_size = 12; // float32 x, y, z

namespace mqo_face {
inline constexpr offset_t num_corners = 0;
inline constexpr offset_t vertex = 4;    // int32[4]
inline constexpr offset_t material = 20; // -1 when the face has none
inline constexpr offset_t uv = 24;       // float32[4][2]
inline constexpr offset_t size = 56;
static_assert(vertex + 4 * mqo_max_corners == material && uv + 8 * mqo_max_corners == size);
} // namespace mqo_face

} // namespace ossify
