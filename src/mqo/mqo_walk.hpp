// Finding materials, objects, vertices and faces in the parsed-MQO record.
#pragma once

#include <cstdint>
#include <string>

#include "driver/vector_access.hpp"
#include "mqo/mqo_record.hpp"

namespace ossify {

inline offset_t mqo_material_at(const byte_region& mqo, std::int32_t index) {
    return get_i32(mqo, mqoobj_header::ofs_material) + mqo_material::size * index;
}

inline std::string mqo_material_name(const byte_region& mqo, std::int32_t index) {
    return get_text(mqo, mqo_material_at(mqo, index) + mqo_material::name, mqo_name_width);
}

inline offset_t mqo_first_object(const byte_region& mqo) {
    return get_i32(mqo, mqoobj_header::ofs_object);
}

// The object after the one at `object`; each object's OffsetNext is its size.
inline offset_t mqo_next_object(const byte_region& mqo, offset_t object) {
    return object + get_i32(mqo, object + mqo_object::ofs_next);
}

inline std::string mqo_object_name(const byte_region& mqo, offset_t object) {
    return get_text(mqo, object + mqo_object::name, mqo_name_width);
}

inline vector3 mqo_vertex(const byte_region& mqo, offset_t object, std::int32_t index) {
    return get_vec3(mqo, object + get_i32(mqo, object + mqo_object::ofs_vertex) +
                             mqo_vertex_size * index);
}

inline offset_t mqo_face_at(const byte_region& mqo, offset_t object, std::int32_t index) {
    return object + get_i32(mqo, object + mqo_object::ofs_face) + mqo_face::size * index;
}

} // namespace ossify
