#include <cmath>

#include "skeleton/orientation.hpp"

namespace ossify {

float point_distance(const vector3& a, const vector3& b) {
    const auto dx = static_cast<float>(static_cast<double>(b.x) - a.x);
    const auto dy = static_cast<float>(static_cast<double>(b.y) - a.y);
    const auto dz = static_cast<float>(static_cast<double>(b.z) - a.z);
    auto s = static_cast<float>(static_cast<double>(dx) * dx);
    s = static_cast<float>(s + static_cast<double>(dy) * dy);
    s = static_cast<float>(s + static_cast<double>(dz) * dz);
    return static_cast<float>(std::sqrt(static_cast<double>(s)));
}

vertex_roles assign_vertex_roles(const vector3& p0, const vector3& p1, const vector3& p2,
                                 std::int32_t i0, std::int32_t i1, std::int32_t i2) {
    const float d01 = point_distance(p0, p1);
    const float d02 = point_distance(p0, p2);
    const float d12 = point_distance(p1, p2);
    // Every rule that holds sets the result, so among equal lengths the last wins.
    vertex_roles roles;
    if (d01 <= d02 && d02 <= d12) roles = {i0, i2, i1};
    if (d02 <= d01 && d01 <= d12) roles = {i0, i1, i2};
    if (d01 <= d12 && d12 <= d02) roles = {i1, i2, i0};
    if (d12 <= d01 && d01 <= d02) roles = {i1, i0, i2};
    if (d02 <= d12 && d12 <= d01) roles = {i2, i1, i0};
    if (d12 <= d02 && d02 <= d01) roles = {i2, i0, i1};
    return roles;
}

} // namespace ossify
