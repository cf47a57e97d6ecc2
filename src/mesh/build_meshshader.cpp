#include <cstdio>
#include <string>

#include "mesh/mesh_builder.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"

namespace ossify {

std::int32_t build_meshshader(const byte_region& mqo, byte_region& mesh) {
    const offset_t first = get_i32(mesh, mesh_header::ofs_shader);
    const std::int32_t materials = get_i32(mqo, mqoobj_header::num_material);
    for (std::int32_t m = 0; m < materials; ++m) {
        const std::string name = mqo_material_name(mqo, m);
        if (is_marker_material(name)) continue;
        // The header's own count numbers the records as they are written.
        const std::int32_t n = get_i32(mesh, mesh_header::num_shader);
        const offset_t record = first + mesh_shader::size * n;
        if (!fits(mesh, record, mesh_shader::size)) {
            std::printf("build_meshshader : Invalid Shader Name\n");
            return 0;
        }
        put_text(mesh, record + mesh_shader::name, mesh_shader::size, name.c_str(), false);
        put_i32(mesh, mesh_header::num_shader, n + 1);
    }
    const std::int32_t shaders = get_i32(mesh, mesh_header::num_shader);
    put_i32(mesh, mesh_header::ofs_mesh_obj,
            static_cast<std::int32_t>(first + mesh_shader::size * shaders));
    return shaders;
}

} // namespace ossify
