// The preview of an MD3 as the engine shows it: positions are the stored
// integers over 64, normals decoded from their two angle bytes, the tags at
// their stored origins and axes. No skeleton, one frame.
#include <cmath>
#include <cstdio>
#include <numbers>

#include "base/vector_fields.hpp"
#include "export/md3_layout.hpp"
#include "preview/preview_model.hpp"
#include "skeletal/stored_pose.hpp"

namespace ossify {

namespace {

constexpr double md3_position_scale = 1.0 / md3_steps_per_unit;

// The high byte is the azimuth, the low byte the zenith, each in 256ths of a turn.
dvec3 decode_md3_normal(std::uint16_t encoded) {
    constexpr double step = 2.0 * std::numbers::pi / 256.0;
    const double azimuth = (encoded >> 8 & 0xFF) * step;
    const double zenith = (encoded & 0xFF) * step;
    return {std::cos(azimuth) * std::sin(zenith), std::sin(azimuth) * std::sin(zenith),
            std::cos(zenith)};
}

bool read_surface(const byte_region& md3, offset_t at, preview_model& model) {
    const std::int32_t num_verts = get_i32(md3, at + md3_surface::num_verts);
    const std::int32_t num_triangles = get_i32(md3, at + md3_surface::num_triangles);
    const offset_t st = at + get_i32(md3, at + md3_surface::ofs_st);
    const offset_t xyz = at + get_i32(md3, at + md3_surface::ofs_xyz_normals);
    const offset_t triangles = at + get_i32(md3, at + md3_surface::ofs_triangles);
    if (num_verts < 0 || num_triangles < 0 || !fits(md3, st, md3_surface::st_size * num_verts) ||
        !fits(md3, xyz, md3_surface::vertex_size * num_verts) ||
        !fits(md3, triangles, md3_surface::triangle_size * num_triangles))
        return false;
    preview_surface surface;
    surface.name = get_text(md3, at + md3_surface::name, md3_name_width);
    surface.material =
        get_i32(md3, at + md3_surface::num_shaders) > 0
            ? get_text(md3, at + get_i32(md3, at + md3_surface::ofs_shaders), md3_name_width)
            : std::string{};
    if (surface.material.empty()) surface.material = surface.name;
    for (std::int32_t v = 0; v < num_verts; ++v) {
        preview_vertex vertex;
        const offset_t p = xyz + md3_surface::vertex_size * v;
        for (std::size_t k = 0; k < 3; ++k)
            vertex.position[k] =
                get_i16(md3, p + md3_surface::coordinate_step * static_cast<offset_t>(k)) *
                md3_position_scale;
        vertex.normal = decode_md3_normal(get_u16(md3, p + md3_surface::vertex_normal));
        vertex.uv = {get_f32(md3, st + md3_surface::st_size * v),
                     get_f32(md3, st + md3_surface::st_size * v + vec3_y)};
        surface.vertices.push_back(vertex);
    }
    for (std::int32_t t = 0; t < num_triangles; ++t) {
        const offset_t c = triangles + md3_surface::triangle_size * t;
        add_triangle(surface,
                     {get_i32(md3, c), get_i32(md3, c + md3_surface::corner_step),
                      get_i32(md3, c + 2 * md3_surface::corner_step)},
                     model);
    }
    model.surfaces.push_back(std::move(surface));
    return true;
}

} // namespace

bool preview_of_md3(const byte_region& md3, preview_model& model) {
    const std::int32_t num_tags = get_i32(md3, md3_header::num_tags);
    const offset_t tags = get_i32(md3, md3_header::ofs_tags);
    const std::int32_t num_surfaces = get_i32(md3, md3_header::num_surfaces);
    bool sound = num_tags >= 0 && num_surfaces >= 0 && fits(md3, tags, md3_tag::size * num_tags);
    for (std::int32_t t = 0; sound && t < num_tags; ++t) {
        const offset_t at = tags + md3_tag::size * t;
        preview_tag tag;
        tag.name = get_text(md3, at + md3_tag::name, md3_name_width);
        tag.offset = get_dvec3(md3, at + md3_tag::origin);
        tag.axis = get_rotation_rows(md3, at + md3_tag::axis);
        model.tags.push_back(std::move(tag));
    }
    offset_t at = get_i32(md3, md3_header::ofs_surfaces);
    for (std::int32_t s = 0; sound && s < num_surfaces; ++s) {
        const std::int32_t size = get_i32(md3, at + md3_surface::ofs_end);
        sound = size >= md3_surface::size && fits(md3, at, size) && read_surface(md3, at, model);
        at += size;
    }
    if (!sound)
        std::printf("ERROR:This MD3 cannot be shown: a count or offset leads outside it.\n");
    return sound;
}

} // namespace ossify
