// The MDM writer from a mesh record: one surface per mesh object, bone numbers
// of the skeleton, no tags.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

// Writes the MDM into `mdm` (zero-filled) and returns its size, or -1 when it
// would not fit the buffer. With `shader_names` each surface's shader name is
// the name of its mesh object's first shader record; without, it is empty. Each surface's vertices
// are stored in the order the engine gives them up below full detail, the last first, with the
// collapse map and minimum level of detail that go with it; `lod_min_percent` (1 to 100) sets that
// minimum as a share of each surface's vertices, 0 derives it from how far the levels move the
// vertices.
std::int32_t build_mdm_from_mesh(const byte_region& mesh, byte_region& mdm,
                                 const byte_region& bones, bool shader_names = false,
                                 std::int32_t lod_min_percent = 0);

// Writes the skin file the engine chooses images by: one "surface,shader" line
// a mesh object, its name and its first shader record's name, or `shader` for
// every surface when it is not null. Returns the number of lines, or -1 when
// the file cannot be written (the reason is printed).
std::int32_t save_skin_file(const byte_region& mesh, const char* path, const char* shader);

// For a model drawn without a reference MDM: gives `mdm` (as build_mdm_from_mesh
// wrote it, from the same bone object, without tags) one tag per "tag:" record
// of `bones`, written where the tags start. A tag hangs on the bone the skeleton
// builder found for it, lists that bone's ancestors (root first, the bone last)
// and keeps its origin and rows in the bone's frame exactly as a vertex bound to
// that bone keeps its position, so the tag rides on the bone as the skin does.
// Returns the new MDM size, or -1 after printing why (a tag not attached at a
// bone's forward vertex, tags beyond the buffer).
std::int32_t build_mdm_skeleton_tags(const byte_region& bones, byte_region& mdm);

} // namespace ossify
