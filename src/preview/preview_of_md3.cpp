// The preview of an MD3 as the engine shows it: positions are the stored
// integers over 64, normals decoded from their two angle bytes, the tags at
// their stored origins and axes. No skeleton, one frame.
#include <cmath>
#include <cstdio>
#include <numbers>

#include "export/md3_layout.hpp"
#include "preview/preview_model.hpp"

namespace ossify {

namespace {

// The engine reads an MD3 position as the stored integer times 1/64.
constexpr double md3_position_scale = 1.0 / 64.0;

// The high byte is the azimuth, the low byte the zenith, each in 256ths of a turn.
dvec3 decode_md3_normal(std::uint16_t encoded) {
    constexpr double step = 2.0 * std::numbers::pi / 256.0;
    const double azimuth = (encoded >> 8 & 0xFF) * step;
    const double zenith = (encoded & 0xFF) * step;
    return {std::cos(azimuth) * std::sin(zenith), std::sin(azimuth) * std::sin(zenith),
            std::cos(zenith)};
}

dvec3 get_dvec3(const byte_region& region, offset_t at) {
    return {get_f32(region, at), get_f32(region, at + 4), get_f32(region, at + 8)};
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
    surface.name = get_text(md3, at + md3_surface::name, 64);
    surface.material = get_i32(md3, at + md3_surface::num_shaders) > 0
                           ? get_text(md3, at + get_i32(md3, at + md3_surface::ofs_shaders), 64)
                           : std::string{};
    if (surface.material.empty()) surface.material = surface.name;
    for (std::int32_t v = 0; v < num_verts; ++v) {
        preview_vertex vertex;
        const offset_t p = xyz + md3_surface::vertex_size * v;
        vertex.position = {get_i16(md3, p) * md3_position_scale,
                           get_i16(md3, p + 2) * md3_position_scale,
                           get_i16(md3, p + 4) * md3_position_scale};
        vertex.normal = decode_md3_normal(get_u16(md3, p + 6));
        vertex.uv = {get_f32(md3, st + md3_surface::st_size * v),
                     get_f32(md3, st + md3_surface::st_size * v + 4)};
        surface.vertices.push_back(vertex);
    }
    for (std::int32_t t = 0; t < num_triangles; ++t) {
        const offset_t c = triangles + md3_surface::triangle_size * t;
        const std::int32_t corner[3] = {get_i32(md3, c), get_i32(md3, c + 4), get_i32(md3, c + 8)};
        bool inside = true;
        for (const std::int32_t i : corner)
            inside = inside && i >= 0 && i < num_verts;
        if (!inside) {
            ++model.triangles_left_out;
            continue;
        }
        surface.triangles.push_back({static_cast<std::uint32_t>(corner[0]),
                                     static_cast<std::uint32_t>(corner[1]),
                                     static_cast<std::uint32_t>(corner[2])});
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
        tag.name = get_text(md3, at + md3_tag::name, 64);
        tag.offset = get_dvec3(md3, at + md3_tag::origin);
        tag.axis = {get_dvec3(md3, at + md3_tag::axis), get_dvec3(md3, at + md3_tag::axis + 12),
                    get_dvec3(md3, at + md3_tag::axis + 24)};
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
