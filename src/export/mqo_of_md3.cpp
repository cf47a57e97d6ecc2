// The first frame of an MD3 as an MQO model, at the positions that mode 8 with
// the same MD3SCALE stores back unchanged.
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "export/mqo_export.hpp"
#include "export/mqo_surface_object.hpp"

namespace ossify {

namespace {

// The float32 that mode 8 turns back into `stored`: it stores trunc(value ×
// scale) computed in double. The nearest float32 to stored / scale can lie just
// short of it; the next float32 away from zero then does not.
float drawn_coordinate(std::int16_t stored, std::int32_t scale) {
    float value = static_cast<float>(static_cast<double>(stored) / scale);
    const float away = stored < 0 ? -std::numeric_limits<float>::infinity()
                                  : std::numeric_limits<float>::infinity();
    while (std::trunc(static_cast<double>(value) * scale) != stored)
        value = std::nextafter(value, away);
    return value;
}

bone_rotation rows_of(const std::array<std::array<float, 3>, 3>& axis) {
    const auto row = [](const std::array<float, 3>& r) { return dvec3{r[0], r[1], r[2]}; };
    return {row(axis[0]), row(axis[1]), row(axis[2])};
}

} // namespace

bool mqo_of_md3(const md3_model& md3, std::int32_t scale, mqo_document& document) {
    if (md3.frames.size() > 1)
        std::fprintf(stderr, "write_mqo : the MD3 has %zu frames; the first is written\n",
                     md3.frames.size());
    for (const md3_surface_record& surface : md3.surfaces) {
        std::string material = surface.shaders.empty() ? std::string{} : surface.shaders[0].name;
        if (material.empty()) material = surface.name;
        const auto material_index = static_cast<std::int32_t>(document.materials.size());
        document.materials.push_back({material, {}});
        // The first frame's block of vertices.
        std::vector<surface_vertex> vertices;
        for (std::int32_t v = 0; v < surface.num_verts; ++v) {
            const md3_vertex_record& stored = surface.vertices[static_cast<std::size_t>(v)];
            vertices.push_back({{drawn_coordinate(stored.position[0], scale),
                                 drawn_coordinate(stored.position[1], scale),
                                 drawn_coordinate(stored.position[2], scale)},
                                surface.tex_coords[static_cast<std::size_t>(v)]});
        }
        mqo_surface_object object(surface.name, material_index, vertices);
        if (!surface_is_finite(object, surface.name)) return false;
        // The reader has checked every corner.
        for (const auto& t : surface.triangles)
            object.add_triangle(t[0], t[1], t[2]);
        document.objects.push_back(object.finish(surface.name));
    }
    for (std::int32_t t = 0; t < md3.num_tags; ++t) {
        const md3_tag_record& tag = md3.tags[static_cast<std::size_t>(t)];
        if (!add_tag_object(document, tag.name, {tag.origin[0], tag.origin[1], tag.origin[2]},
                            rows_of(tag.axis)))
            return false;
    }
    return true;
}

} // namespace ossify
