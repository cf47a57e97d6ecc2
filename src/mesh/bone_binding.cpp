#include "mesh/bone_binding.hpp"

#include <cmath>

#include "base/vector_fields.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

float f32(double value) {
    return static_cast<float>(value);
}

struct sine_cosine {
    float s, c;
};

sine_cosine sine_cosine_of(float angle) {
    return {f32(std::sin(static_cast<double>(angle))), f32(std::cos(static_cast<double>(angle)))};
}

mat3 rotation_z(float a) {
    const auto [s, c] = sine_cosine_of(a);
    return {{c, -s, 0, s, c, 0, 0, 0, 1}};
}

mat3 rotation_y(float a) {
    const auto [s, c] = sine_cosine_of(a);
    return {{c, 0, s, 0, 1, 0, -s, 0, c}};
}

mat3 rotation_x(float a) {
    const auto [s, c] = sine_cosine_of(a);
    return {{1, 0, 0, 0, c, -s, 0, s, c}};
}

// |d|^2 in double: the distance key below only grows with it.
double squared_length(const vector3& d) {
    return static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y +
           static_cast<double>(d.z) * d.z;
}

// sqrt(|d|), both roots rounded to float32: the key that picks the nearest bone.
float distance_key(double squared) {
    const float length = f32(std::sqrt(squared));
    return f32(std::sqrt(static_cast<double>(length)));
}

} // namespace

mat3 bone_local_rotation(float roll, float pitch, float yaw) {
    const mat3 c1 = mat3_mul(rotation_y(-pitch), rotation_z(yaw));
    return mat3_mul(rotation_x(-roll), c1);
}

std::vector<bone_frame> bone_frames(const byte_region& bones, std::int32_t bone_count) {
    std::vector<bone_frame> frames;
    const offset_t first = get_i32(bones, boneobj_header::ofs_bone);
    for (std::int32_t k = 0; k < bone_count; ++k) {
        const offset_t record = first + bone_record::size * k;
        const vector3 angles = get_vector3(bones, record + bone_record::angles);
        const mat3 to_local = bone_local_rotation(angles.x, angles.y, angles.z);
        frames.push_back({get_vector3(bones, record + bone_record::origin_position), to_local,
                          mat3_transpose(to_local)});
    }
    return frames;
}

std::int32_t bind_vertex_to_bones(byte_region& mesh, offset_t vertex, const vector3& p,
                                  const std::vector<bone_frame>& frames, bone_usage& used) {
    std::size_t nearest = 0;
    float nearest_key = 0.0f;
    double nearest_squared = 0.0;
    bool finite = true;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const vector3& o = frames[k].origin;
        const vector3 d = offset_from_origin(p, o);
        const offset_t slot =
            vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * static_cast<offset_t>(k);
        const vector3 local = in_bone_frame(frames[k], d);
        put_vector3(mesh, slot + mesh_bone_slot::position, local);
        finite = finite && is_finite(local);
        // The key grows with the squared length, so a bone no nearer than the
        // nearest so far cannot have a smaller key: its roots are not needed.
        // Ties of the key keep the lower bone number.
        const double squared = squared_length(d);
        if (k > 0 && !(squared < nearest_squared)) continue;
        const float key = distance_key(squared);
        if (k == 0 || key < nearest_key) {
            nearest = k;
            nearest_key = key;
            nearest_squared = squared;
        }
    }
    const auto bone = static_cast<std::int32_t>(nearest);
    put_i32(mesh, vertex + mesh_vertex::weight_bone, bone);
    put_f32(mesh,
            vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * bone + mesh_bone_slot::weight,
            1.0f);
    used[nearest] = true;
    return finite ? 1 : -1;
}

void write_bone_references(byte_region& mesh, offset_t object, const bone_usage& used) {
    std::int32_t count = 0;
    for (std::size_t b = 0; b < used.size(); ++b) {
        if (!used[b]) continue;
        put_i32(mesh, object + mesh_object::bone_ref + 4 * count, static_cast<std::int32_t>(b));
        ++count;
    }
    put_i32(mesh, object + mesh_object::num_bone_ref, count);
}

} // namespace ossify
