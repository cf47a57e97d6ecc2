#include "mqo/mqo_walk.hpp"

#include "base/vector_fields.hpp"

namespace ossify {

offset_t mqo_material_at(const byte_region& mqo, std::int32_t index) {
    return get_i32(mqo, mqoobj_header::ofs_material) + mqo_material::size * index;
}

std::string mqo_material_name(const byte_region& mqo, std::int32_t index) {
    return get_text(mqo, mqo_material_at(mqo, index) + mqo_material::name, mqo_name_width);
}

offset_t mqo_object_at(const byte_region& mqo, std::int32_t index) {
    offset_t object = mqo_first_object(mqo);
    for (std::int32_t i = 0; i < index; ++i)
        object = mqo_next_object(mqo, object);
    return object;
}

std::string mqo_object_name(const byte_region& mqo, offset_t object) {
    return get_text(mqo, object + mqo_object::name, mqo_name_width);
}

vector3 mqo_vertex(const byte_region& mqo, offset_t object, std::int32_t index) {
    return get_vector3(mqo, object + get_i32(mqo, object + mqo_object::ofs_vertex) +
                                mqo_vertex_size * index);
}

offset_t mqo_face_at(const byte_region& mqo, offset_t object, std::int32_t index) {
    return object + get_i32(mqo, object + mqo_object::ofs_face) + mqo_face::size * index;
}

} // namespace ossify
