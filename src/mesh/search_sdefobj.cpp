#include <cstdio>
#include <string>

#include "mesh/mesh_builder.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"

namespace ossify {

namespace {

// The first characters an anchor record drops from its object's name.
constexpr std::size_t anchor_prefix_dropped = 5;

// An anchor name must hold a '|' somewhere in bytes 6 to 63 of its name field,
// the bytes after its terminator included.
bool has_anchor_separator(const byte_region& mqo, offset_t object) {
    for (offset_t p = 6; p < mqo_name_width; ++p)
        if (get_u8(mqo, object + mqo_object::name + p) == '|') return true;
    return false;
}

} // namespace

std::int32_t search_sdefobj(byte_region& mesh, const byte_region& mqo) {
    const offset_t first = get_i32(mesh, mesh_header::ofs_sdef);
    const std::int32_t objects = get_i32(mqo, mqoobj_header::num_object);
    offset_t object = mqo_first_object(mqo);
    std::int32_t k = 0;
    for (std::int32_t i = 0; i < objects; ++i, object = mqo_next_object(mqo, object)) {
        const std::string name = mqo_object_name(mqo, object);
        if (!begins_with(name, marker_anchor)) continue;
        const offset_t record = first + mesh_sdef::size * k;
        put_i32(mesh, record + mesh_sdef::object_index, i);
        if (!has_anchor_separator(mqo, object)) {
            std::printf("search_sdefobj : Invalid Anchor Name in Object[%d]\n", i);
            return 0;
        }
        put_text(mesh, record + mesh_sdef::name, 64, name.c_str() + anchor_prefix_dropped);
        ++k;
    }
    return k;
}

} // namespace ossify
