// The mesh record of an imported (glTF) model.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"
#include "gltf/gltf_import.hpp"

namespace ossify {

// Fills the zero-filled `mesh` buffer from `model` and returns the record's
// size, or -1 after printing why (a buffer too small, a value beyond the float
// range, more than 128 joints). Positions are multiplied by `scale` (1 keeps
// the engine's units; the skinned jobs work in the modeller's unit, ten to the
// engine's, as the MQO route does). One mesh object a surface, each with the
// one shader record of its material (the header lists them all, in surface
// order); tags from the model's tags. With `bones` (the bone object built from
// the model's joints, bone b = joint b) each vertex gets its weights, by
// decreasing share, and its position in the frame of every bone.
std::int32_t build_meshes_from_import(byte_region& mesh, const imported_model& model,
                                      const byte_region* bones, double scale);

} // namespace ossify
