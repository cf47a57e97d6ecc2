// Warnings (standard error) where the bone numbers of two files cannot fit:
// nothing in the engine checks them, and a mismatch only shows as a tangle.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

// Each tag of a checked MDM that hangs on a bone no surface weights or lists
// among its bone references. Returns the number of warnings.
std::int32_t warn_tags_on_unused_bones(const byte_region& mdm);

// Each surface of a checked MDM whose weights or bone references name a bone
// the checked MDX does not have. Returns the number of warnings.
std::int32_t warn_bones_beyond_mdx(const byte_region& mdm, const byte_region& mdx);

} // namespace ossify
