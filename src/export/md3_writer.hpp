// The MD3 writer: a static single-frame model from the mesh record.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

// Writes the whole MD3 into `md3` (zero-filled) and returns its size, or -1.
// Every surface shader is `shader_name`; a null `shader_name` gives each surface
// the names of its mesh object's own shader records instead.
// Every vertex position is multiplied by `scale` before it is truncated (the
// engine reads stored positions in 1/64 units; bounds, radius and tags are read
// as stored and are not scaled). Every shader of every surface is named
// `shader_name`; a null name gives each surface the names of its own shader
// records. With `stored_bounds` the frame's bounds, local origin and radius
// are those of the model as the engine reads the stored positions.
std::int32_t build_md3_from_mesh(const byte_region& mesh, byte_region& md3, const char* shader_name,
                                 std::int32_t scale = 1, bool stored_bounds = false);

// The four builders, in the order the writer runs them; each returns the bytes it wrote.
std::int32_t build_md3header_from_mesh(byte_region& md3, const byte_region& mesh);
// With a `stored_scale` (non-zero): the box round the positions times that
// scale, truncated and read in 1/64 units, its centre as the local origin and
// the farthest vertex from that centre as the radius; else the mesh record's
// box and radius with the origin at 0.
std::int32_t build_md3frame_from_mesh(const byte_region& mesh, byte_region& md3,
                                      std::int32_t stored_scale = 0);
std::int32_t build_md3tag_from_mesh(byte_region& md3, const byte_region& mesh);
// The sum of the surface sizes, or 0 on failure (a coordinate times `scale`
// outside -32768..32767, or an empty name).
std::int32_t build_md3surface_from_mesh(byte_region& md3, const byte_region& mesh,
                                        const char* shader_name, std::int32_t scale = 1);

// A position coordinate times `scale`, truncated toward zero; false when it
// does not fit int16. A scale of 1 leaves the value exactly as it was.
bool md3_coordinate(float value, std::int32_t scale, std::int16_t& stored);

// The 16-bit normal of a vertex from its azimuth and zenith in radians: each
// angle / 6.28 * 255 truncated toward zero, of which the low 8 bits are kept.
std::uint16_t encode_md3_normal(float azimuth, float zenith);

} // namespace ossify
