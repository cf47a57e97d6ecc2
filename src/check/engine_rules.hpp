// What the loaders of both engines (the original release and its maintained
// successor) accept in a skinned model, for the checker.
#pragma once

#include <cstdint>

#include "export/engine_limits.hpp"
#include "skeletal/skeletal_layout.hpp"

namespace ossify::engine_rules {

// Vertices and triangles of a drawn surface: the original engine is the
// strictest, as the tool's own warnings after writing a file say.
inline constexpr std::int32_t original_surface_vertices = engine_limits::surface_vertices;
inline constexpr std::int32_t original_surface_triangles = engine_limits::surface_triangles;
inline constexpr std::int32_t successor_surface_vertices = 10000;
inline constexpr std::int32_t successor_surface_triangles = 20000;

// The collapse array that levels of detail are drawn through holds this many
// entries in both engines; a larger surface overflows it below full detail.
inline constexpr std::int32_t lod_buffer_vertices = 6000;

inline constexpr std::int32_t skinned_surfaces = engine_limits::mdm_surfaces;
inline constexpr std::int32_t skinned_tags = engine_limits::mdm_tags;
// A static model's own counts, which only the original engine checks.
inline constexpr std::int32_t md3_surfaces = engine_limits::md3_surfaces;
inline constexpr std::int32_t md3_tags = engine_limits::md3_tags;
inline constexpr std::int32_t md3_frames = 1024;
// Bone numbers index arrays of this many entries.
inline constexpr std::int32_t skeleton_bones = max_mds_bones;

// How far the weights of a vertex may sum from 1 before it shrinks or swells
// visibly (float32 rounding of a few weights stays far below).
inline constexpr float weight_sum_tolerance = 0.001f;

} // namespace ossify::engine_rules
