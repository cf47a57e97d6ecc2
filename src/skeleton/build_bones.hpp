// The skeleton builder: turns the markers of the MQO object "bone" into the
// bone object (`boneobj`, bone_object.hpp).
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

// Builds the bone object into the zero-filled `boneobj` from the parsed MQO
// record `mqo`, with bone `root_bone` as the root. Returns OffsetEnd, the number
// of bytes to save; -1 when the "bone" object is missing, the root index is
// invalid, a marker face names a vertex the "bone" object lacks or the records
// outgrow the buffer; -3 when a bone or tag cannot reach the root.
std::int32_t build_bones_from_mqo(const byte_region& mqo, byte_region& boneobj,
                                  std::int32_t root_bone);

// Builds the bone object from the "bone:" objects of a rigged model
// (rig_bones.hpp says how bones, names and links are read); MQOROOTBONE plays
// no part. Hidden objects count. Returns OffsetEnd, or -1 when the model has no
// bone triangle, more bones than the mesh builder takes, a face naming a vertex
// its object lacks, or a record that outgrows the buffer.
std::int32_t build_bones_from_rig(const byte_region& mqo, byte_region& boneobj);

} // namespace ossify
