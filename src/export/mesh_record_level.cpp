#include "export/mesh_record_level.hpp"

#include <algorithm>

#include "export/mesh_object_geometry.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

namespace {

namespace mo = mesh_object;

// Copies one mesh object at `at`, with only its first `keep` vertices in level
// order and the triangles drawn with them; returns its new size, or -1.
offset_t write_object_level(const byte_region& mesh, offset_t object, byte_region& out, offset_t at,
                            std::int32_t level) {
    const surface_levels levels = mesh_object_levels(mesh, object, 0.0, 100);
    const auto count = static_cast<std::int32_t>(levels.lod.order.size());
    const std::int32_t keep = level_vertex_count(count, level);
    std::vector<std::int32_t> drawn_numbers;
    const std::vector<index_triangle> drawn =
        replay_collapse_map(levels.lod.collapse, levels.triangles, keep, &drawn_numbers);

    const offset_t shaders = mesh_shader::size * get_i32(mesh, object + mo::num_shader);
    const offset_t trailing = mo::trailing_entry_size * get_i32(mesh, object + mo::num_trailing);
    const offset_t ofs_triangle = mo::size + shaders;
    const offset_t ofs_vertex =
        ofs_triangle + mesh_triangle::size * static_cast<offset_t>(drawn.size());
    const offset_t ofs_trailing = ofs_vertex + mesh_vertex::size * keep;
    const offset_t size = ofs_trailing + trailing;
    if (!fits(out, at, size)) return -1;

    copy_bytes(out, at, mesh, object, mo::size);
    copy_bytes(out, at + mo::size, mesh, object + get_i32(mesh, object + mo::ofs_shader), shaders);
    const offset_t triangles = object + get_i32(mesh, object + mo::ofs_triangle);
    for (std::size_t t = 0; t < drawn.size(); ++t) {
        const offset_t to = at + ofs_triangle + mesh_triangle::size * static_cast<offset_t>(t);
        copy_bytes(out, to, mesh, triangles + mesh_triangle::size * drawn_numbers[t],
                   mesh_triangle::size);
        for (std::size_t c = 0; c < 3; ++c)
            put_i32(out, to + mesh_triangle::vertex + 4 * static_cast<offset_t>(c), drawn[t][c]);
    }
    const offset_t vertices = object + get_i32(mesh, object + mo::ofs_vertex);
    for (std::int32_t k = 0; k < keep; ++k)
        copy_bytes(out, at + ofs_vertex + mesh_vertex::size * k, mesh,
                   vertices + mesh_vertex::size * levels.lod.order[static_cast<std::size_t>(k)],
                   mesh_vertex::size);
    copy_bytes(out, at + ofs_trailing, mesh, object + get_i32(mesh, object + mo::ofs_trailing),
               trailing);
    put_i32(out, at + mo::num_triangle, static_cast<std::int32_t>(drawn.size()));
    put_i32(out, at + mo::num_vertex, keep);
    put_i32(out, at + mo::ofs_shader, static_cast<std::int32_t>(mo::size));
    put_i32(out, at + mo::ofs_triangle, static_cast<std::int32_t>(ofs_triangle));
    put_i32(out, at + mo::ofs_vertex, static_cast<std::int32_t>(ofs_vertex));
    put_i32(out, at + mo::ofs_trailing, static_cast<std::int32_t>(ofs_trailing));
    put_i32(out, at + mo::ofs_end, static_cast<std::int32_t>(size));
    return size;
}

} // namespace

std::int32_t level_vertex_count(std::int32_t count, std::int32_t level) {
    const std::int32_t shift = std::clamp(level, 0, 30);
    const std::int64_t halved = (static_cast<std::int64_t>(count) + (1LL << shift) - 1) >> shift;
    return static_cast<std::int32_t>(std::max<std::int64_t>(halved, std::min(count, 4)));
}

std::int32_t mesh_record_level(const byte_region& mesh, byte_region& out, std::int32_t level) {
    const offset_t first_object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    if (!fits(out, 0, first_object)) return -1;
    copy_bytes(out, 0, mesh, 0, first_object);
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = first_object;
    offset_t at = first_object;
    for (std::int32_t i = 0; i < objects; ++i) {
        const offset_t size = write_object_level(mesh, object, out, at, level);
        if (size < 0) return -1;
        at += size;
        object += get_i32(mesh, object + mo::ofs_end);
    }
    put_i32(out, mesh_header::ofs_end, static_cast<std::int32_t>(at));
    return mesh.fault || out.fault ? -1 : static_cast<std::int32_t>(at);
}

} // namespace ossify
