// An MD3 file read back as plain data, to test written models by property:
// its frame, and per surface its name, shaders, triangles and vertices.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/vector_fields.hpp"
#include "export/md3_layout.hpp"

namespace ossify_test {

struct md3_surface_data {
    std::string name;
    std::vector<std::string> shaders;
    std::vector<std::array<std::int16_t, 3>> xyz;
    std::vector<std::array<float, 2>> st;
    std::vector<std::array<std::int32_t, 3>> triangles;
};

struct md3_data {
    ossify::vector3 low, high, origin;
    float radius = 0;
    std::vector<md3_surface_data> surfaces;
};

inline md3_data read_md3(const std::string& bytes) {
    using namespace ossify;
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    const byte_region r{copy.data(), copy.size()};
    md3_data d;
    const offset_t frame = get_i32(r, md3_header::ofs_frames);
    d.low = get_vector3(r, frame + md3_frame::bounds_min);
    d.high = get_vector3(r, frame + md3_frame::bounds_max);
    d.origin = get_vector3(r, frame + md3_frame::local_origin);
    d.radius = get_f32(r, frame + md3_frame::radius);
    offset_t at = get_i32(r, md3_header::ofs_surfaces);
    for (std::int32_t s = 0; s < get_i32(r, md3_header::num_surfaces) && !r.fault; ++s) {
        namespace ms = md3_surface;
        md3_surface_data surface;
        surface.name = get_text(r, at + ms::name, md3_name_width);
        const offset_t shaders = at + get_i32(r, at + ms::ofs_shaders);
        for (std::int32_t j = 0; j < get_i32(r, at + ms::num_shaders); ++j)
            surface.shaders.push_back(get_text(r, shaders + ms::shader_size * j, md3_name_width));
        const offset_t st = at + get_i32(r, at + ms::ofs_st);
        const offset_t xyz = at + get_i32(r, at + ms::ofs_xyz_normals);
        for (std::int32_t v = 0; v < get_i32(r, at + ms::num_verts); ++v) {
            surface.st.push_back(
                {get_f32(r, st + ms::st_size * v), get_f32(r, st + ms::st_size * v + 4)});
            const offset_t p = xyz + ms::vertex_size * v;
            surface.xyz.push_back({get_i16(r, p), get_i16(r, p + 2), get_i16(r, p + 4)});
        }
        const offset_t tri = at + get_i32(r, at + ms::ofs_triangles);
        for (std::int32_t t = 0; t < get_i32(r, at + ms::num_triangles); ++t)
            surface.triangles.push_back({get_i32(r, tri + ms::triangle_size * t),
                                         get_i32(r, tri + ms::triangle_size * t + 4),
                                         get_i32(r, tri + ms::triangle_size * t + 8)});
        d.surfaces.push_back(surface);
        at += get_i32(r, at + ms::ofs_end);
    }
    return d;
}

// A triangle as its corners' stored positions (texture coordinates too when
// `with_st`), turned to start at its least corner, so that the winding counts
// but neither the vertex numbers nor the corner it starts from do.
using md3_corner = std::tuple<std::int16_t, std::int16_t, std::int16_t, float, float>;
using md3_triangle = std::array<md3_corner, 3>;

inline std::multiset<md3_triangle> md3_triangle_set(const md3_data& d, bool with_st = true) {
    std::multiset<md3_triangle> set;
    for (const md3_surface_data& s : d.surfaces)
        for (const auto& t : s.triangles) {
            md3_triangle c;
            for (std::size_t k = 0; k < 3; ++k) {
                const auto v = static_cast<std::size_t>(t[k]);
                c[k] = {s.xyz[v][0], s.xyz[v][1], s.xyz[v][2], with_st ? s.st[v][0] : 0.0f,
                        with_st ? s.st[v][1] : 0.0f};
            }
            std::rotate(c.begin(), std::min_element(c.begin(), c.end()), c.end());
            set.insert(c);
        }
    return set;
}

} // namespace ossify_test
