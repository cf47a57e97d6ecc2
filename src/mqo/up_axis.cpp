#include "mqo/up_axis.hpp"

#include "base/vector_fields.hpp"
#include "mqo/mqo_walk.hpp"

namespace ossify {

std::int32_t turn_y_up_to_z_up(byte_region& mqo) {
    std::int32_t turned = 0;
    offset_t object = mqo_first_object(mqo);
    for (std::int32_t i = 0; i < mqo_num_object(mqo); ++i, object = mqo_next_object(mqo, object)) {
        const offset_t first = object + get_i32(mqo, object + mqo_object::ofs_vertex);
        for (std::int32_t v = 0; v < mqo_num_vertex(mqo, object); ++v, ++turned) {
            const offset_t at = first + mqo_vertex_size * v;
            put_vector3(mqo, at, y_up_to_z_up(get_vector3(mqo, at)));
        }
    }
    return turned;
}

std::int32_t turn_z_up_to_y_up(mqo_document& document) {
    std::int32_t turned = 0;
    for (mqo_document_object& object : document.objects)
        for (std::array<float, 3>& p : object.vertices) {
            p = z_up_to_y_up(p);
            ++turned;
        }
    return turned;
}

} // namespace ossify
