#include "export/mesh_object_geometry.hpp"

#include <algorithm>
#include <cmath>

#include "base/vector_fields.hpp"
#include "lod/lod_levels.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

namespace {

dvec3 position_of(const byte_region& mesh, offset_t vertex) {
    const vector3 p = get_vector3(mesh, vertex + mesh_vertex::position);
    return {p.x, p.y, p.z};
}

} // namespace

surface_geometry mesh_object_geometry(const byte_region& mesh, offset_t object) {
    surface_geometry s;
    const std::int32_t vertices = std::max(get_i32(mesh, object + mesh_object::num_vertex), 0);
    const std::int32_t triangles = std::max(get_i32(mesh, object + mesh_object::num_triangle), 0);
    const offset_t first_vertex = object + get_i32(mesh, object + mesh_object::ofs_vertex);
    const offset_t first_triangle = object + get_i32(mesh, object + mesh_object::ofs_triangle);
    for (std::int32_t j = 0; j < vertices; ++j) {
        const offset_t vertex = first_vertex + mesh_vertex::size * j;
        s.positions.push_back(position_of(mesh, vertex));
        s.uvs.push_back(
            {get_f32(mesh, vertex + mesh_vertex::uv), get_f32(mesh, vertex + mesh_vertex::uv + 4)});
        std::vector<std::int32_t> bones;
        const std::int32_t weights =
            std::clamp(get_i32(mesh, vertex + mesh_vertex::num_weights), 0, mesh_max_bones);
        for (std::int32_t k = 0; k < weights; ++k)
            bones.push_back(get_i32(mesh, vertex + mesh_vertex::weight_bone + 4 * k));
        std::sort(bones.begin(), bones.end());
        bones.erase(std::unique(bones.begin(), bones.end()), bones.end());
        s.bone_sets.push_back(std::move(bones));
    }
    for (std::int32_t t = 0; t < triangles; ++t) {
        const offset_t at = first_triangle + mesh_triangle::size * t + mesh_triangle::vertex;
        s.triangles.push_back({get_i32(mesh, at), get_i32(mesh, at + 4), get_i32(mesh, at + 8)});
    }
    return s;
}

double mesh_model_size(const byte_region& mesh) {
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    bool any = false;
    dvec3 lo{}, hi{};
    for (std::int32_t i = 0; i < objects; ++i) {
        const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
        const offset_t first = object + get_i32(mesh, object + mesh_object::ofs_vertex);
        for (std::int32_t j = 0; j < vertices; ++j) {
            const dvec3 p = position_of(mesh, first + mesh_vertex::size * j);
            lo = any ? dvec3{std::min(lo[0], p[0]), std::min(lo[1], p[1]), std::min(lo[2], p[2])}
                     : p;
            hi = any ? dvec3{std::max(hi[0], p[0]), std::max(hi[1], p[1]), std::max(hi[2], p[2])}
                     : p;
            any = true;
        }
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    const double size = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    return std::isfinite(size) ? size : 0.0;
}

surface_levels mesh_object_levels(const byte_region& mesh, offset_t object, double model_size,
                                  std::int32_t min_percent) {
    const surface_geometry s = mesh_object_geometry(mesh, object);
    surface_levels out;
    out.lod = simplify_surface(s);
    out.stored = stored_numbers(out.lod);
    const auto count = static_cast<std::int32_t>(s.positions.size());
    const auto renumber = [&](std::int32_t v) {
        return v >= 0 && v < count ? out.stored[static_cast<std::size_t>(v)] : v;
    };
    for (const index_triangle& t : s.triangles)
        out.triangles.push_back({renumber(t[0]), renumber(t[1]), renumber(t[2])});
    if (min_percent > 0) {
        out.min_lod = render_count_of_percent(count, min_percent);
        return out;
    }
    std::vector<dvec3> positions(s.positions.size());
    for (std::size_t k = 0; k < positions.size(); ++k)
        positions[k] = s.positions[static_cast<std::size_t>(out.lod.order[k])];
    out.min_lod = minimum_render_count(positions, out.triangles, out.lod.collapse,
                                       default_lod_tolerance * model_size, out.lod.outline_kept_to);
    return out;
}

} // namespace ossify
