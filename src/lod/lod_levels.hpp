// Measuring the levels of a collapse order: how far the engine draws a vertex
// from where it belongs, and the fewest vertices a surface may be drawn with.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/geometry_double.hpp"
#include "skeletal/collapse_replay.hpp"

namespace ossify {

// The share of the model's size (its largest extent) that a vertex may be drawn
// away from its place at a surface's minimum level of detail: 5 %, a fifth of
// what the engine's own player meshes allow themselves.
inline constexpr double default_lod_tolerance = 0.05;

// The greatest distance between a vertex used by a triangle and the vertex the
// engine draws in its place at `render_count`. Positions and triangles are in
// stored order.
double worst_displacement(std::span<const dvec3> positions,
                          std::span<const index_triangle> triangles,
                          std::span<const std::int32_t> collapse, std::int32_t render_count);

// The smallest render count from which up to full detail no used vertex is drawn
// more than `tolerance` from its place; never below `floor`.
std::int32_t minimum_render_count(std::span<const dvec3> positions,
                                  std::span<const index_triangle> triangles,
                                  std::span<const std::int32_t> collapse, double tolerance,
                                  std::int32_t floor);

// The minimum level of detail a whole percentage sets (1 to 100): at least that
// share of the vertices, rounded up.
std::int32_t render_count_of_percent(std::int32_t vertex_count, std::int32_t percent);

} // namespace ossify
