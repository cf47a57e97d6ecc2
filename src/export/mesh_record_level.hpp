// A coarser copy of a mesh record, for the level-of-detail files of an MD3.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

// The engine looks for NAME_1.md3 to NAME_3.md3 beside NAME.md3.
inline constexpr std::int32_t max_md3_lods = 3;

// Writes into `out` (zero-filled) the mesh record `mesh` at level `level` (1, 2,
// 3, ...): each mesh object keeps about half the vertices of the level before
// (the count halved `level` times, rounded up, and never below four or the
// object's own count), the ones the level-of-detail order keeps longest, and
// the triangles the engine's collapse rule still draws with them. Header,
// tags, shaders and every other field are copied unchanged. Returns the size,
// or -1 when it does not fit `out`.
std::int32_t mesh_record_level(const byte_region& mesh, byte_region& out, std::int32_t level);

// The vertex count of a surface of `count` vertices at `level`.
std::int32_t level_vertex_count(std::int32_t count, std::int32_t level);

} // namespace ossify
