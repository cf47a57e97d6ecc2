#include "mesh/vertex_fields.hpp"

#include <cmath>

#include "base/vector_fields.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

namespace {

float f32(double value) {
    return static_cast<float>(value);
}

vector3 difference(const vector3& a, const vector3& b) {
    return {f32(static_cast<double>(a.x) - b.x), f32(static_cast<double>(a.y) - b.y),
            f32(static_cast<double>(a.z) - b.z)};
}

} // namespace

// The unit normal of triangle A, B, C: (C - B) x (B - A), normalised.
vector3 face_normal(const vector3& a, const vector3& b, const vector3& c) {
    const vector3 e1 = difference(b, a);
    const vector3 e2 = difference(c, b);
    const auto mul = [](float p, float q) { return static_cast<double>(p) * q; };
    return vec3_normalize(f32(mul(e1.z, e2.y) - mul(e1.y, e2.z)),
                          f32(mul(e1.x, e2.z) - mul(e1.z, e2.x)),
                          f32(mul(e1.y, e2.x) - mul(e1.x, e2.y)));
}

// Widens the bounding box and radius of the mesh header to cover `p`.
void widen_bounds(byte_region& mesh, const vector3& p) {
    const float coordinate[3] = {p.x, p.y, p.z};
    for (int axis = 0; axis < 3; ++axis) {
        const offset_t high = mesh_header::bounds_max + 4 * axis;
        const offset_t low = mesh_header::bounds_min + 4 * axis;
        if (coordinate[axis] > get_f32(mesh, high)) put_f32(mesh, high, coordinate[axis]);
        if (coordinate[axis] < get_f32(mesh, low)) put_f32(mesh, low, coordinate[axis]);
    }
    const double sum = static_cast<double>(p.x) * p.x + static_cast<double>(p.y) * p.y +
                       static_cast<double>(p.z) * p.z;
    const float radius = f32(std::sqrt(sum));
    if (radius > get_f32(mesh, mesh_header::radius)) put_f32(mesh, mesh_header::radius, radius);
}

void write_vertex_normal(byte_region& mesh, offset_t vertex, const vector3& sum) {
    const vector3 n = vec3_normalize(sum.x, sum.y, sum.z);
    // A vertex without a normal (used by no triangle, or by degenerate ones only)
    // keeps the zero normal with both angles 0.
    const bool none = n.x == 0.0f && n.y == 0.0f && n.z == 0.0f;
    put_vector3(mesh, vertex + mesh_vertex::normal, n);
    put_f32(mesh, vertex + mesh_vertex::azimuth,
            none ? 0.0f : f32(std::atan2(static_cast<double>(n.y), static_cast<double>(n.x))));
    put_f32(mesh, vertex + mesh_vertex::zenith,
            none ? 0.0f : f32(std::acos(static_cast<double>(n.z))));
}

} // namespace ossify
