#include <cstdio>
#include <string>

#include "mesh/mesh_builder.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"

namespace ossify {

std::int32_t search_meshobj(const byte_region& mqo, byte_region& mesh, const byte_region* bones,
                            offset_t& running_size, bool skin_sources_are_meshes,
                            bool anchors_are_meshes) {
    const std::int32_t objects = get_i32(mqo, mqoobj_header::num_object);
    offset_t object = mqo_first_object(mqo);
    offset_t target = get_i32(mesh, mesh_header::ofs_mesh_obj);
    std::int32_t c = 0;
    for (std::int32_t i = 0; i < objects; ++i, object = mqo_next_object(mqo, object)) {
        const std::string name = mqo_object_name(mqo, object);
        if (!is_mesh_object_name(name, skin_sources_are_meshes, anchors_are_meshes)) continue;
        put_text(mesh, target + mesh_object::name, 64, name.c_str());
        const std::int32_t size = build_meshobj(mqo, object, mesh, target, bones);
        put_i32(mesh, target + mesh_object::ofs_end, size);
        if (size == 0) {
            std::printf("search_meshobj : Mesh_Object[%d] Name[%s] Failed to build Mesh Object\n",
                        c, name.c_str());
            return -1;
        }
        running_size += size;
        target += size;
        ++c;
    }
    return c;
}

} // namespace ossify
