// The mesh builder: the mesh object record from a parsed MQO model and, for a
// skinned model, its bone object.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

// Fills the zero-filled `mesh` buffer and returns the record's size, or -1 when
// the model cannot be built (the reason is printed). `bones` is null in mode 8.
// With `skin_sources_are_meshes` (the whole-model conversion) the "sdef:"
// objects are built as meshes too; without `anchors_are_meshes` (a rig, whose
// anchors are binding solids) the "anchor" objects are not.
std::int32_t build_meshes_from_mqo(byte_region& mesh, const byte_region& mqo,
                                   const byte_region* bones, bool skin_sources_are_meshes = false,
                                   bool anchors_are_meshes = true);

// Anchor records; 0 after an invalid anchor name.
std::int32_t search_sdefobj(byte_region& mesh, const byte_region& mqo);

// Tag records from the "tag:" objects; -1 for a tag object without a usable face.
std::int32_t search_tagobj(byte_region& mesh, const byte_region& mqo);

// Shader records from the materials that are no markers.
std::int32_t build_meshshader(const byte_region& mqo, byte_region& mesh);

// Builds the mesh objects and adds their sizes to `running_size`; returns their
// number, or -1 after a mesh object that could not be built.
std::int32_t search_meshobj(const byte_region& mqo, byte_region& mesh, const byte_region* bones,
                            offset_t& running_size, bool skin_sources_are_meshes = false,
                            bool anchors_are_meshes = true);

// One mesh object at `target` from the MQO object at `object`; returns its size,
// or 0 on failure. Widens the bounding box and radius in the mesh header.
std::int32_t build_meshobj(const byte_region& mqo, offset_t object, byte_region& mesh,
                           offset_t target, const byte_region* bones);

} // namespace ossify
