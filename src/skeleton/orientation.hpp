// Orientation of a marker triangle: which corner is the origin, the forward and
// the up vertex, the angles Roll, Pitch and Yaw of M = Rz(Yaw) * Ry(Pitch) *
// Rx(Roll) from the forward and up directions, and the rows RMW1..3 (M applied
// to the unit x, y and z axes). The skeleton builder orients bones and tags with
// these; the mesh builder orients tag objects with them.
#pragma once

#include <cstdint>

#include "base/vector_math.hpp"

namespace ossify {

struct vertex_roles {
    std::int32_t origin = 0;
    std::int32_t forward = 0;
    std::int32_t up = 0;
};

// Roles of the corners p0, p1, p2 (vertex indices i0, i1, i2) by edge length:
// the origin is opposite the longest edge, the up vertex closes the shortest edge
// with it, the forward vertex the middle one. Ties go to the last rule that holds.
vertex_roles assign_vertex_roles(const vector3& p0, const vector3& p1, const vector3& p2,
                                 std::int32_t i0, std::int32_t i1, std::int32_t i2);

// |b - a|: the differences rounded to float32, the sum of squares and the root
// rounded as vec3_normalize rounds them. Edge lengths and ParentDistance.
float point_distance(const vector3& a, const vector3& b);

struct bone_angles {
    float roll = 0.0f;
    float pitch = 0.0f;
    float yaw = 0.0f;
};

// Roll, Pitch and Yaw of the frame whose forward direction points from `origin`
// to `forward` and whose up direction points from `origin` to `up`; prints the
// directions and a self-check. A zero-length direction gives angles 0.
bone_angles exam_angles_from_vectors(const vector3& origin, const vector3& forward,
                                     const vector3& up);

struct rotation_rows {
    vector3 rmw1;
    vector3 rmw2;
    vector3 rmw3;
};

// The unit x, y and z axes rotated about x by Roll, then y by Pitch, then z by Yaw.
rotation_rows rotation_rows_from_angles(const bone_angles& angles);

} // namespace ossify
