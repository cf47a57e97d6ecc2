#include "skeleton/axis_rotation.hpp"
#include "skeleton/orientation.hpp"

namespace ossify {

namespace {

vector3 rotate_axis(const vector3& axis, const bone_angles& angles) {
    const vector3 rolled = rotate_about_x(axis, angles.roll);
    const vector3 pitched = rotate_about_y(rolled, angles.pitch);
    return rotate_about_z(pitched, angles.yaw);
}

} // namespace

rotation_rows rotation_rows_from_angles(const bone_angles& angles) {
    return {rotate_axis({1.0f, 0.0f, 0.0f}, angles), rotate_axis({0.0f, 1.0f, 0.0f}, angles),
            rotate_axis({0.0f, 0.0f, 1.0f}, angles)};
}

} // namespace ossify
