#include "skeleton/axis_rotation.hpp"

#include <cmath>

namespace ossify {

vector3 rotate_about_x(const vector3& v, float angle) {
    const double c = std::cos(static_cast<double>(angle));
    const double s = std::sin(static_cast<double>(angle));
    return {v.x, static_cast<float>(v.y * c - v.z * s), static_cast<float>(v.y * s + v.z * c)};
}

vector3 rotate_about_y(const vector3& v, float angle) {
    const double c = std::cos(static_cast<double>(angle));
    const double s = std::sin(static_cast<double>(angle));
    return {static_cast<float>(v.x * c + v.z * s), v.y, static_cast<float>(v.z * c - v.x * s)};
}

vector3 rotate_about_z(const vector3& v, float angle) {
    const double c = std::cos(static_cast<double>(angle));
    const double s = std::sin(static_cast<double>(angle));
    return {static_cast<float>(v.x * c - v.y * s), static_cast<float>(v.x * s + v.y * c), v.z};
}

} // namespace ossify
