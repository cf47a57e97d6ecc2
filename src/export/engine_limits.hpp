// What the engine that loads the tool's MDM and MD3 files accepts. A file past
// one of these limits is still written whole (the formats hold it), but the
// engine refuses or misdraws the model, so the tool warns after writing it.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

namespace engine_limits {
// The renderer draws a surface in one batch; a larger surface makes the engine
// refuse the whole model. Both formats are held to this.
inline constexpr std::int32_t surface_vertices = 1024;
inline constexpr std::int32_t surface_triangles = 2049;
inline constexpr std::int32_t mdm_surfaces = 32;
inline constexpr std::int32_t mdm_tags = 128;
inline constexpr std::int32_t md3_surfaces = 32;
inline constexpr std::int32_t md3_tags = 16;
inline constexpr std::int32_t md3_surface_vertices = 4096;
inline constexpr std::int32_t md3_surface_triangles = 8192;
inline constexpr offset_t name_bytes = 63; // of a 64-byte field, which needs its NUL
} // namespace engine_limits

// Warn on standard error for each limit that the MDM or MD3 in the buffer
// passes, naming `path`, the surface or tag and what to change. Each returns the
// number of warnings given.
int warn_mdm_engine_limits(const byte_region& mdm, const char* path);
int warn_md3_engine_limits(const byte_region& md3, const char* path);

} // namespace ossify
