#include <cstdio>

#include "mesh/mesh_builder.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

namespace {

constexpr offset_t first_section = mesh_header::size;

void write_identification(byte_region& mesh) {
    put_chars(mesh, mesh_header::ident, mesh_header::ident_text);
    put_i32(mesh, mesh_header::version, mesh_header::version_number);
    put_text(mesh, mesh_header::description, sizeof mesh_header::description_text,
             mesh_header::description_text, false);
}

std::int32_t refuse_overflow(const byte_region& mesh) {
    std::printf("build_meshes_from_mqo : The model does not fit the mesh buffer of %zu bytes\n",
                mesh.size);
    return -1;
}

} // namespace

std::int32_t build_meshes_from_mqo(byte_region& mesh, const byte_region& mqo,
                                   const byte_region* bones, bool skin_sources_are_meshes,
                                   bool anchors_are_meshes) {
    put_i32(mesh, mesh_header::ofs_sdef, static_cast<std::int32_t>(first_section));
    std::printf("---------------------------------\nFUNCTION CALLED : build_meshes_from_mqo\n"
                "---------------------------------\n");
    write_identification(mesh);

    const std::int32_t anchors = search_sdefobj(mesh, mqo);
    put_i32(mesh, mesh_header::num_sdef, anchors);
    const offset_t tags_at = first_section + mesh_sdef::size * anchors;
    put_i32(mesh, mesh_header::ofs_tag, static_cast<std::int32_t>(tags_at));
    std::printf("build_meshes_from_mqo : NumSDEF[%d]\n", anchors);

    const std::int32_t tags = search_tagobj(mesh, mqo);
    if (tags < 0) return -1;
    put_i32(mesh, mesh_header::num_tag, tags);
    put_i32(mesh, mesh_header::ofs_shader,
            static_cast<std::int32_t>(tags_at + mesh_tag::size * tags));
    std::printf("build_meshes_from_mqo : NumTag[%d]\n", tags);

    const std::int32_t shaders = build_meshshader(mqo, mesh);
    std::printf("build_meshes_from_mqo : NumShader[%d]\n", shaders);
    if (mesh.fault) return refuse_overflow(mesh);

    offset_t running_size = 0;
    const std::int32_t objects =
        search_meshobj(mqo, mesh, bones, running_size, skin_sources_are_meshes, anchors_are_meshes);
    if (objects < 0) {
        put_i32(mesh, mesh_header::num_mesh_obj, 0);
        std::printf("build_meshes_from_mqo : NumMeshObj[%d]\n", 0);
        return -1;
    }
    put_i32(mesh, mesh_header::num_mesh_obj, objects);
    const offset_t end = get_i32(mesh, mesh_header::ofs_mesh_obj) + running_size;
    put_i32(mesh, mesh_header::ofs_end, static_cast<std::int32_t>(end));
    std::printf("build_meshes_from_mqo : NumMeshObj[%d]\n", objects);
    if (mesh.fault) return refuse_overflow(mesh);
    return static_cast<std::int32_t>(end);
}

} // namespace ossify
