// Reading a finished parsed-MQO record: the walkers that the skeleton and mesh
// builders share. Every access goes through the bounds-checked byte layer.
#pragma once

#include <cstdint>
#include <string>

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"
#include "mqo/mqo_record.hpp"

namespace ossify {

inline std::int32_t mqo_num_material(const byte_region& mqo) {
    return get_i32(mqo, mqoobj_header::num_material);
}
inline std::int32_t mqo_num_object(const byte_region& mqo) {
    return get_i32(mqo, mqoobj_header::num_object);
}

// Start of material `index`.
offset_t mqo_material_at(const byte_region& mqo, std::int32_t index);
std::string mqo_material_name(const byte_region& mqo, std::int32_t index);

// Objects in order: the first at OffsetObject, each next one OffsetNext further.
inline offset_t mqo_first_object(const byte_region& mqo) {
    return get_i32(mqo, mqoobj_header::ofs_object);
}
inline offset_t mqo_next_object(const byte_region& mqo, offset_t object) {
    return object + get_i32(mqo, object + mqo_object::ofs_next);
}

// Start of object `index`, found by walking from the first object.
offset_t mqo_object_at(const byte_region& mqo, std::int32_t index);
std::string mqo_object_name(const byte_region& mqo, offset_t object);
inline std::int32_t mqo_num_vertex(const byte_region& mqo, offset_t object) {
    return get_i32(mqo, object + mqo_object::num_vertex);
}
inline std::int32_t mqo_num_face(const byte_region& mqo, offset_t object) {
    return get_i32(mqo, object + mqo_object::num_face);
}

// Position of vertex `index` of the object.
vector3 mqo_vertex(const byte_region& mqo, offset_t object, std::int32_t index);

// Start of face `index` of the object, and its fields.
offset_t mqo_face_at(const byte_region& mqo, offset_t object, std::int32_t index);
inline std::int32_t mqo_face_corners(const byte_region& mqo, offset_t face) {
    return get_i32(mqo, face + mqo_face::num_corners);
}
inline std::int32_t mqo_face_vertex(const byte_region& mqo, offset_t face, int corner) {
    return get_i32(mqo, face + mqo_face::vertex + 4 * corner);
}
inline std::int32_t mqo_face_material(const byte_region& mqo, offset_t face) {
    return get_i32(mqo, face + mqo_face::material);
}

} // namespace ossify
