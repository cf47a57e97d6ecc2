// The tags a modeller draws as markers, read as plain positions and axes: one
// per "tag:NAME" material (its last face of three or more corners, in any
// object; the first three corners count, their roles as a bone's) and one per
// "tag:NAME" object whose name no such material has (its first face). A model
// bound to an existing skeleton hangs these on its bones.
#pragma once

#include <string>
#include <vector>

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"

namespace ossify {

struct drawn_tag {
    std::string name; // after "tag:"
    vector3 origin;   // as drawn
    vector3 axes[3];  // directions of the tag's forward, left and up axes
};

// The tag markers of a parsed MQO record, materials first (in material order),
// then objects (in object order). A face naming a vertex its object lacks is
// passed over.
std::vector<drawn_tag> find_marker_tags(const byte_region& mqo);

} // namespace ossify
