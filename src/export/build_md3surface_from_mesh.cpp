// MD3 surfaces, one per mesh object: header, shaders, triangles, texture
// coordinates and the packed vertices.
#include <cmath>
#include <cstdio>
#include <string>

#include "export/md3_layout.hpp"
#include "export/md3_writer.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

namespace {

namespace ms = md3_surface;

struct surface_counts {
    std::int32_t shaders, vertices, triangles;
};

offset_t surface_size(const surface_counts& c) {
    return ms::size + ms::triangle_size * c.triangles + ms::shader_size * c.shaders +
           (ms::st_size + ms::vertex_size) * c.vertices;
}

void write_surface_header(byte_region& md3, offset_t at, const surface_counts& c) {
    const offset_t ofs_shaders = ms::size + ms::triangle_size * c.triangles;
    const offset_t ofs_st = ofs_shaders + ms::shader_size * c.shaders;
    const offset_t ofs_xyz = ofs_st + ms::st_size * c.vertices;
    put_i32(md3, at + ms::flags, 0);
    put_i32(md3, at + ms::num_frames, 1);
    put_i32(md3, at + ms::num_shaders, c.shaders);
    put_i32(md3, at + ms::num_verts, c.vertices);
    put_i32(md3, at + ms::num_triangles, c.triangles);
    put_i32(md3, at + ms::ofs_triangles, static_cast<std::int32_t>(ms::size));
    put_i32(md3, at + ms::ofs_shaders, static_cast<std::int32_t>(ofs_shaders));
    put_i32(md3, at + ms::ofs_st, static_cast<std::int32_t>(ofs_st));
    put_i32(md3, at + ms::ofs_xyz_normals, static_cast<std::int32_t>(ofs_xyz));
    put_i32(md3, at + ms::ofs_end,
            static_cast<std::int32_t>(ofs_xyz + ms::vertex_size * c.vertices));
}

// A position coordinate times `scale`, truncated toward zero; false when it
// does not fit int16. A scale of 1 leaves the value exactly as it was.
bool md3_coordinate(float value, std::int32_t scale, std::int16_t& stored) {
    const double truncated = std::trunc(static_cast<double>(value) * scale);
    if (!(truncated >= -32768.0 && truncated <= 32767.0)) return false;
    stored = static_cast<std::int16_t>(truncated);
    return true;
}

// Writes the shaders, triangles, texture coordinates and vertices of one surface.
bool write_surface_arrays(byte_region& md3, offset_t at, const byte_region& mesh, offset_t object,
                          const surface_counts& c, const char* shader_name, const std::string& name,
                          std::int32_t scale) {
    offset_t out = at + ms::size;
    const offset_t triangles = object + get_i32(mesh, object + mesh_object::ofs_triangle);
    for (std::int32_t t = 0; t < c.triangles; ++t, out += ms::triangle_size)
        copy_bytes(md3, out, mesh, triangles + mesh_triangle::size * t + mesh_triangle::vertex,
                   ms::triangle_size);
    const offset_t own_shaders = object + get_i32(mesh, object + mesh_object::ofs_shader);
    for (std::int32_t j = 0; j < c.shaders; ++j, out += ms::shader_size) {
        const std::string own =
            shader_name != nullptr
                ? std::string()
                : get_text(mesh, own_shaders + mesh_shader::size * j, md3_name_width);
        put_text(md3, out, md3_name_width, shader_name != nullptr ? shader_name : own.c_str(),
                 false);
        put_i32(md3, out + ms::shader_index, j);
    }
    const offset_t vertices = object + get_i32(mesh, object + mesh_object::ofs_vertex);
    for (std::int32_t v = 0; v < c.vertices; ++v, out += ms::st_size)
        copy_bytes(md3, out, mesh, vertices + mesh_vertex::size * v + mesh_vertex::uv, 8);
    for (std::int32_t v = 0; v < c.vertices; ++v, out += ms::vertex_size) {
        const offset_t vertex = vertices + mesh_vertex::size * v;
        for (int axis = 0; axis < 3; ++axis) {
            const float value = get_f32(mesh, vertex + mesh_vertex::position + 4 * axis);
            std::int16_t stored = 0;
            if (!md3_coordinate(value, scale, stored)) {
                std::printf("build_md3surface_from_mesh : Surface Name[%s] Vertex[%d] "
                            "Position[%f] is outside -32768..32767\n",
                            name.c_str(), v, static_cast<double>(value));
                std::fprintf(stderr,
                             "build_md3surface_from_mesh : surface \"%s\" vertex %d: %c = %f%s%s "
                             "does not fit -32768..32767; %sdraw the model smaller\n",
                             name.c_str(), v, "xyz"[axis], static_cast<double>(value),
                             scale != 1 ? " times MD3SCALE " : "",
                             scale != 1 ? std::to_string(scale).c_str() : "",
                             scale != 1 ? "lower MD3SCALE or " : "");
                return false;
            }
            put_i16(md3, out + ms::coordinate_step * axis, stored);
        }
        put_u16(md3, out + ms::vertex_normal,
                encode_md3_normal(get_f32(mesh, vertex + mesh_vertex::azimuth),
                                  get_f32(mesh, vertex + mesh_vertex::zenith)));
    }
    return true;
}

} // namespace

std::uint16_t encode_md3_normal(float azimuth, float zenith) {
    const auto byte_of = [](float angle) {
        const double scaled = std::trunc(static_cast<double>(angle) / 6.28 * 255.0);
        if (!std::isfinite(scaled)) return 0u;
        return static_cast<unsigned>(static_cast<long long>(scaled)) & 0xFFu;
    };
    return static_cast<std::uint16_t>(byte_of(azimuth) << 8 | byte_of(zenith));
}

std::int32_t build_md3surface_from_mesh(byte_region& md3, const byte_region& mesh,
                                        const char* shader_name, std::int32_t scale) {
    const std::int32_t count = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    offset_t at = get_i32(md3, md3_header::ofs_surfaces);
    offset_t total = 0;
    for (std::int32_t s = 0; s < count; ++s) {
        const std::string name = get_text(mesh, object + mesh_object::name, 64);
        put_chars(md3, at + ms::ident, md3_header::ident_text);
        put_text(md3, at + ms::name, md3_name_width, name.c_str(), false);
        if (name.empty()) {
            std::fprintf(stderr, "MD3 export: mesh object %d has an empty name\n", s);
            return 0;
        }
        const surface_counts c{get_i32(mesh, object + mesh_object::num_shader),
                               get_i32(mesh, object + mesh_object::num_vertex),
                               get_i32(mesh, object + mesh_object::num_triangle)};
        const offset_t size = surface_size(c);
        if (!fits(md3, at, size)) {
            std::printf("build_md3surface_from_mesh : Surface Name[%s] does not fit the MD3 "
                        "buffer of %zu bytes\n",
                        name.c_str(), md3.size);
            return 0;
        }
        write_surface_header(md3, at, c);
        std::printf("build_md3surface_from_mesh : Surface Name[%s] Frame[%d] Shader[%d] "
                    "Vertex[%d] Triangle[%d]\n",
                    name.c_str(), 1, c.shaders, c.vertices, c.triangles);
        if (!write_surface_arrays(md3, at, mesh, object, c, shader_name, name, scale)) return 0;
        at += size;
        total += size;
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    return static_cast<std::int32_t>(total);
}

} // namespace ossify
