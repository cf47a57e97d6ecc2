#include <cmath>
#include <cstdio>

#include "skeleton/axis_rotation.hpp"
#include "skeleton/orientation.hpp"

namespace ossify {

namespace {

// The skeleton's value of pi, in the Roll correction and the degree line.
constexpr double skeleton_pi = 3.14;

vector3 direction(const vector3& from, const vector3& to) {
    return vec3_normalize(static_cast<float>(static_cast<double>(to.x) - from.x),
                          static_cast<float>(static_cast<double>(to.y) - from.y),
                          static_cast<float>(static_cast<double>(to.z) - from.z));
}

vector3 cross(const vector3& f, const vector3& u) {
    return {static_cast<float>(static_cast<double>(f.y) * u.z - static_cast<double>(f.z) * u.y),
            static_cast<float>(static_cast<double>(f.z) * u.x - static_cast<double>(f.x) * u.z),
            static_cast<float>(static_cast<double>(f.x) * u.y - static_cast<double>(f.y) * u.x)};
}

float dot(const vector3& a, const vector3& b) {
    return static_cast<float>(static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
                              static_cast<double>(a.z) * b.z);
}

bool is_zero(const vector3& v) {
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

bone_angles angles_of_frame(const vector3& f, const vector3& u, const vector3& c) {
    bone_angles a;
    a.pitch = static_cast<float>(-std::asin(static_cast<double>(c.x)));
    const auto cp = static_cast<float>(std::cos(static_cast<double>(a.pitch)));
    const auto sine_side = static_cast<float>(static_cast<double>(u.x) * cp);
    const auto cosine_side = static_cast<float>(static_cast<double>(f.x) * cp);
    a.yaw = static_cast<float>(std::atan2(static_cast<double>(sine_side), cosine_side));
    if (cp != 0.0f) {
        auto s = static_cast<float>(static_cast<double>(c.y) / cp);
        if (s > 1.0f || s < -1.0f)
            s = static_cast<float>(
                s / std::sqrt(static_cast<double>(static_cast<float>(static_cast<double>(s) * s))));
        a.roll = static_cast<float>(std::asin(static_cast<double>(s)));
    }
    if (c.z < 0.0f)
        a.roll = static_cast<float>(a.roll > 0.0f ? skeleton_pi - a.roll : -skeleton_pi - a.roll);
    return a;
}

// Rotates v back by the angles: about z by -Yaw, y by -Pitch, x by -Roll.
vector3 unrotate(const vector3& v, const bone_angles& a) {
    return rotate_about_x(rotate_about_y(rotate_about_z(v, -a.yaw), -a.pitch), -a.roll);
}

double degrees(float angle) {
    return angle / skeleton_pi * 180.0;
}

} // namespace

bone_angles exam_angles_from_vectors(const vector3& origin, const vector3& forward,
                                     const vector3& up) {
    const vector3 f = direction(origin, forward);
    const vector3 u = direction(origin, up);
    const vector3 c = cross(f, u);
    const float d = dot(f, u);
    std::printf("exam_angles_from_vectors : Forward[%f %f %f] Up[%f %f %f] Cross[%f %f %f] "
                "Det[%f]\n",
                f.x, f.y, f.z, u.x, u.y, u.z, c.x, c.y, c.z, d);

    // A zero-length direction has no orientation; it gets the fixed one of angles
    // 0 rather than whatever the formulas make of the zeros (Yaw can come out as
    // pi/2 or pi there).
    const bone_angles a = is_zero(f) || is_zero(u) ? bone_angles{} : angles_of_frame(f, u, c);

    const vector3 f_back = unrotate(f, a);
    const vector3 u_back = unrotate(u, a);
    std::printf("exam_angles_from_vectors : Forward[%f %f %f] Up[%f %f %f]\n", f_back.x, f_back.y,
                f_back.z, u_back.x, u_back.y, u_back.z);
    std::printf("exam_angles_from_vectors : Pitch[%f] Yaw[%f] Roll[%f] Det[%f]\n", degrees(a.pitch),
                degrees(a.yaw), degrees(a.roll), dot(f_back, u_back));
    return a;
}

} // namespace ossify
