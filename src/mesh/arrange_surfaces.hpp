// The whole-model conversion's last step on the mesh record: every mesh object
// becomes surfaces the engine takes, one material a surface and each within a
// surface's limits, with the shader name of its material.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_access.hpp"
#include "mesh/surface_partition.hpp"

namespace ossify {

// The strictest engine's limits of one surface. A larger vertex limit (for an
// engine that takes more) brings twice as many triangles.
inline constexpr std::int32_t default_surface_vertices = 1024;
inline constexpr std::int32_t triangles_per_surface_vertex = 2;
inline constexpr std::int32_t mdm_surface_vertices_most = 6000;
inline constexpr std::int32_t md3_surface_vertices_most = 4096;

surface_limits limits_for_vertices(std::int32_t vertices);

// The shader name of every shader index of the mesh record (the materials that
// are no markers, in order): the texture path made into a shader name with
// `prefix` in front, or `prefix` and the material's name for a material without
// texture; at most 63 bytes.
std::vector<std::string> material_shader_names(const byte_region& mqo, std::string_view prefix);

// Rewrites the mesh objects of the finished record `mesh`. An object whose
// triangles use several materials becomes one object per material, in material
// order, named OBJECT_MATERIAL; an object beyond `limits` is divided further
// (partition_triangles), its parts named NAME_1, NAME_2, ... Names are cut to
// fit 63 bytes. A divided object keeps only the vertices its triangles use,
// each in every part that uses it (normals, weights and bone-local positions
// copied whole; texture coordinates those of the part's last triangle using
// it), and lists the bones its weights use. Every object then holds one shader
// record, the name of its material's shader, and its triangles shader index 0.
// Standard error lists each divided object and its new surfaces. Returns the
// record's new size, or -1 when it would not fit the buffer (printed).
std::int32_t arrange_surfaces(byte_region& mesh, const std::vector<std::string>& shader_names,
                              const surface_limits& limits);

} // namespace ossify
