// How the engine draws a skinned surface below full detail: only the first
// `render_count` vertices are drawn, every later vertex where its collapse map
// sends it, and a triangle whose corners are no longer three distinct vertices
// is skipped.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace ossify {

using index_triangle = std::array<std::int32_t, 3>;

// The engine's collapse array for `render_count` (clamped to 0..vertex count):
// entry i < render_count is i, entry j at or past it is the entry of map[j].
// The engine never clears its array between surfaces, so a map entry at or past
// j (or outside the surface) reads a value left by another surface: such an
// entry, and every entry that leads through one, is -1 here.
std::vector<std::int32_t> engine_collapse_array(std::span<const std::int32_t> map,
                                                std::int32_t render_count);

// The triangles the engine draws at `render_count`, corners replaced through
// the collapse array, in stored order; those whose corners are not all different
// are dropped. A corner outside the surface or reading a stale entry stays in
// the result as -1 (a stray triangle). `drawn_numbers`, when given, receives
// the number of each drawn triangle in `triangles`.
std::vector<index_triangle> replay_collapse_map(std::span<const std::int32_t> map,
                                                std::span<const index_triangle> triangles,
                                                std::int32_t render_count,
                                                std::vector<std::int32_t>* drawn_numbers = nullptr);

// The vertex count the engine draws at `lod` (0 to 1) for a surface of
// `vertex_count` vertices: (int)(vertex_count * lod), raised to `min_lod`.
std::int32_t engine_render_count(std::int32_t vertex_count, float lod, std::int32_t min_lod);

} // namespace ossify
