// One right-handed rotation about a coordinate axis, each changed component
// rounded to float32 from its double formula. The rotation rows and the
// orientation self-check chain three of them.
#pragma once

#include "base/vector_math.hpp"

namespace ossify {

vector3 rotate_about_x(const vector3& v, float angle);
vector3 rotate_about_y(const vector3& v, float angle);
vector3 rotate_about_z(const vector3& v, float angle);

} // namespace ossify
