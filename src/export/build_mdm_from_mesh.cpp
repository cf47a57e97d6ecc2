#include <array>
#include <cstdio>
#include <string>

#include "base/trace_line.hpp"
#include "base/vector_fields.hpp"
#include "export/engine_units.hpp"
#include "export/mdm_writer.hpp"
#include "export/mesh_object_geometry.hpp"
#include "mesh/mesh_record.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

namespace sf = mdm_surface;

using bone_flags = std::array<bool, mesh_max_bones>;

// Bytes the surface of one mesh object takes in the MDM.
offset_t surface_size(const byte_region& mesh, offset_t object, std::int32_t bone_refs) {
    const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
    const offset_t first = object + get_i32(mesh, object + mesh_object::ofs_vertex);
    offset_t size = sf::size;
    for (std::int32_t j = 0; j < vertices; ++j)
        size += mdm_vertex::size + skin_weight::size * get_i32(mesh, first + mesh_vertex::size * j +
                                                                         mesh_vertex::num_weights);
    size += triangle_size * get_i32(mesh, object + mesh_object::num_triangle);
    return size + index_size * (vertices + bone_refs);
}

// Marks the referenced bones of a mesh object and all their ancestors.
bone_flags referenced_bones(const byte_region& mesh, offset_t object, const byte_region& bones) {
    bone_flags used{};
    const auto mark = [&](std::int32_t b) {
        if (b >= 0 && b < mesh_max_bones) used[static_cast<std::size_t>(b)] = true;
    };
    const offset_t first_bone = get_i32(bones, boneobj_header::ofs_bone);
    const std::int32_t refs = get_i32(mesh, object + mesh_object::num_bone_ref);
    for (std::int32_t r = 0; r < refs; ++r) {
        const std::int32_t b = get_i32(mesh, object + mesh_object::bone_ref + 4 * r);
        mark(b);
        const offset_t record = first_bone + bone_record::size * b;
        const std::int32_t depth = get_i32(bones, record + bone_record::num_bone_tree);
        for (std::int32_t a = 0; a < depth && a < bone_max_tree; ++a)
            mark(get_i32(bones, record + bone_record::tree + 4 * a));
    }
    return used;
}

// The vertices in the order they are given up, the last first.
offset_t write_vertices(byte_region& mdm, offset_t at, const byte_region& mesh, offset_t object,
                        int surface, const surface_levels& levels) {
    const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
    const offset_t first = object + get_i32(mesh, object + mesh_object::ofs_vertex);
    offset_t out = at;
    for (std::int32_t j = 0; j < vertices; ++j) {
        const offset_t vertex =
            first + mesh_vertex::size * levels.lod.order[static_cast<std::size_t>(j)];
        const vector3 normal = get_vector3(mesh, vertex + mesh_vertex::normal);
        const float u = get_f32(mesh, vertex + mesh_vertex::uv);
        const float v = get_f32(mesh, vertex + mesh_vertex::uv + 4);
        const std::int32_t weights = get_i32(mesh, vertex + mesh_vertex::num_weights);
        put_vector3(mdm, out + mdm_vertex::normal, normal);
        put_f32(mdm, out + mdm_vertex::tex_coords, u);
        put_f32(mdm, out + mdm_vertex::tex_coords + 4, v);
        put_i32(mdm, out + mdm_vertex::num_weights, weights);
        const float normal_xyz[3] = {normal.x, normal.y, normal.z};
        const float uv[2] = {u, v};
        print_vertex_line("build_mdm_from_mesh", surface, j, vertices, weights, normal_xyz, uv);
        out += mdm_vertex::size;
        for (std::int32_t k = 0; k < weights; ++k, out += skin_weight::size) {
            const std::int32_t b = get_i32(mesh, vertex + mesh_vertex::weight_bone + 4 * k);
            const offset_t slot = vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * b;
            const float weight = get_f32(mesh, slot + mesh_bone_slot::weight);
            const vector3 p = get_vector3(mesh, slot + mesh_bone_slot::position);
            const vector3 offset = to_engine(p);
            put_i32(mdm, out + skin_weight::bone, b);
            put_f32(mdm, out + skin_weight::weight, weight);
            put_vector3(mdm, out + skin_weight::offset, offset);
            const float offset_xyz[3] = {offset.x, offset.y, offset.z};
            print_weight_line("build_mdm_from_mesh", surface, j, vertices, k, b, weight,
                              offset_xyz);
        }
    }
    return out - at;
}

// The triangles in the mesh object's order, numbered as the vertices are stored.
offset_t write_triangles(byte_region& mdm, offset_t at, const surface_levels& levels, int surface) {
    const auto triangles = static_cast<std::int32_t>(levels.triangles.size());
    for (std::int32_t t = 0; t < triangles; ++t) {
        const index_triangle& corners = levels.triangles[static_cast<std::size_t>(t)];
        const offset_t to = at + triangle_size * t;
        for (std::size_t c = 0; c < 3; ++c)
            put_i32(mdm, to + index_size * static_cast<offset_t>(c), corners[c]);
        const int index[3] = {corners[0], corners[1], corners[2]};
        print_triangle_line("build_mdm_from_mesh", surface, t, triangles, index);
    }
    return triangle_size * triangles;
}

offset_t write_bone_refs(byte_region& mdm, offset_t at, offset_t surface_at, const bone_flags& used,
                         std::int32_t bone_count, int surface) {
    std::printf("build_mdm_from_mesh : Surface[%d] RefBones[", surface);
    std::int32_t count = 0;
    for (std::int32_t b = 0; b < bone_count && b < mesh_max_bones; ++b) {
        if (!used[static_cast<std::size_t>(b)]) continue;
        put_i32(mdm, at + index_size * count, b);
        std::printf("%d ", b);
        ++count;
    }
    std::printf("] NumRefBone[%d]\n", count);
    put_i32(mdm, surface_at + sf::num_bone_refs, count);
    return index_size * count;
}

std::int32_t count_flags(const bone_flags& used, std::int32_t bone_count) {
    std::int32_t count = 0;
    for (std::int32_t b = 0; b < bone_count && b < mesh_max_bones; ++b)
        count += used[static_cast<std::size_t>(b)] ? 1 : 0;
    return count;
}

// Writes the surface of mesh object `i` at `at` and returns its size, or -1.
offset_t write_surface(byte_region& mdm, offset_t at, const byte_region& mesh, offset_t object,
                       const byte_region& bones, int i, bool shader_names,
                       const surface_levels& levels) {
    const std::int32_t bone_count = get_i32(bones, boneobj_header::num_bone);
    const bone_flags used = referenced_bones(mesh, object, bones);
    const offset_t size = surface_size(mesh, object, count_flags(used, bone_count));
    const std::string name = get_text(mesh, object + mesh_object::name, 64);
    if (!fits(mdm, at, size)) {
        std::printf("build_mdm_from_mesh : Surface[%d] Name[%s] does not fit the MDM buffer of "
                    "%zu bytes\n",
                    i, name.c_str(), mdm.size);
        return -1;
    }
    // The shader index is the int32 behind the 64-byte name of the first shader record.
    const std::int32_t shaders = get_i32(mesh, object + mesh_object::num_shader);
    const std::int32_t shader_index =
        shaders > 0 ? get_i32(mesh, object + get_i32(mesh, object + mesh_object::ofs_shader) + 68)
                    : 0;
    put_i32(mdm, at + sf::ident, mdm_surface_ident);
    copy_bytes(mdm, at + sf::name, mesh, object + mesh_object::name, skeletal_name_width);
    put_i32(mdm, at + sf::shader_index, shader_index);
    put_i32(mdm, at + sf::min_lod, levels.min_lod);
    put_i32(mdm, at + sf::ofs_header, static_cast<std::int32_t>(-at));
    const offset_t first_shader = object + get_i32(mesh, object + mesh_object::ofs_shader);
    const std::string shader =
        shader_names && shaders > 0 ? get_text(mesh, first_shader, skeletal_name_width) : "";
    put_text(mdm, at + sf::shader, skeletal_name_width, shader.c_str());
    std::printf("build_mdm_from_mesh : Surface[%d] Name[%s] ShaderName[%s]\n", i, name.c_str(),
                shader.c_str());

    const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
    const std::int32_t triangles = get_i32(mesh, object + mesh_object::num_triangle);
    put_i32(mdm, at + sf::num_verts, vertices);
    put_i32(mdm, at + sf::ofs_verts, static_cast<std::int32_t>(sf::size));
    offset_t running = sf::size;
    running += write_vertices(mdm, at + running, mesh, object, i, levels);
    put_i32(mdm, at + sf::num_triangles, triangles);
    put_i32(mdm, at + sf::ofs_triangles, static_cast<std::int32_t>(running));
    running += write_triangles(mdm, at + running, levels, i);
    put_i32(mdm, at + sf::ofs_collapse_map, static_cast<std::int32_t>(running));
    for (std::int32_t j = 0; j < vertices; ++j, running += index_size)
        put_i32(mdm, at + running, levels.lod.collapse[static_cast<std::size_t>(j)]);
    put_i32(mdm, at + sf::ofs_bone_refs, static_cast<std::int32_t>(running));
    running += write_bone_refs(mdm, at + running, at, used, bone_count, i);
    put_i32(mdm, at + sf::ofs_end, static_cast<std::int32_t>(running));
    std::printf("build_mdm_from_mesh : Surface[%d] Summary Vertex[%d] Triangle[%d] Size[%d]\n", i,
                vertices, triangles, static_cast<int>(running));
    return running;
}

void write_header(byte_region& mdm, std::int32_t surfaces, offset_t surfaces_size) {
    const auto end = static_cast<std::int32_t>(mdm_header::size + surfaces_size);
    put_chars(mdm, mdm_header::ident, mdm_header::ident_text);
    put_i32(mdm, mdm_header::version, mdm_header::version_number);
    put_text(mdm, mdm_header::name, skeletal_name_width, mdm_written_name);
    put_f32(mdm, mdm_header::lod_scale, 1.0f);
    put_f32(mdm, mdm_header::lod_bias, 0.0f);
    put_i32(mdm, mdm_header::num_surfaces, surfaces);
    put_i32(mdm, mdm_header::ofs_surfaces, static_cast<std::int32_t>(mdm_header::size));
    put_i32(mdm, mdm_header::num_tags, 0);
    put_i32(mdm, mdm_header::ofs_tags, end);
    put_i32(mdm, mdm_header::ofs_end, end);
}

} // namespace

std::int32_t build_mdm_from_mesh(const byte_region& mesh, byte_region& mdm,
                                 const byte_region& bones, bool shader_names,
                                 std::int32_t lod_min_percent) {
    std::printf("---------------------------------\nFUNCTION CALLED : build_mdm_from_mesh\n"
                "---------------------------------\n");
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    offset_t total = 0;
    const double model_size = mesh_model_size(mesh);
    for (std::int32_t i = 0; i < objects; ++i) {
        const surface_levels levels = mesh_object_levels(mesh, object, model_size, lod_min_percent);
        const offset_t size = write_surface(mdm, mdm_header::size + total, mesh, object, bones, i,
                                            shader_names, levels);
        if (size < 0) return -1;
        total += size;
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    std::printf("Done.\n");
    std::printf("build_mdm_from_mesh : Header...\n");
    write_header(mdm, objects, total);
    std::printf("Done.\n");
    std::printf("MDM Convertion has been done.\n");
    std::printf("MDM size\t\t\t:%d\n", static_cast<int>(mdm_header::size + total));
    return static_cast<std::int32_t>(mdm_header::size + total);
}

} // namespace ossify
