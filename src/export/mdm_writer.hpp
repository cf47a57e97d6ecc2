// The MDM writer from a mesh record: one surface per mesh object, bone numbers
// of the skeleton, no tags.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

// Writes the MDM into `mdm` (zero-filled) and returns its size, or -1 when it
// would not fit the buffer.
std::int32_t build_mdm_from_mesh(const byte_region& mesh, byte_region& mdm,
                                 const byte_region& bones);

} // namespace ossify
