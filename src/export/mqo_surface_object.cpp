#include "export/mqo_surface_object.hpp"

#include <bit>
#include <cmath>
#include <cstdio>
#include <utility>

#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_record.hpp"

namespace ossify {

namespace {

// The bits of a value for the welding key; -0 and 0 are one position.
std::uint32_t key_bits(float value) {
    return std::bit_cast<std::uint32_t>(value == 0.0f ? 0.0f : value);
}

bool is_finite(const surface_vertex& v) {
    return std::isfinite(v.position[0]) && std::isfinite(v.position[1]) &&
           std::isfinite(v.position[2]) && std::isfinite(v.uv[0]) && std::isfinite(v.uv[1]);
}

} // namespace

mqo_surface_object::mqo_surface_object(std::string name, std::int32_t material,
                                       const std::vector<surface_vertex>& vertices)
    : material_(material), vertices_(vertices) {
    object_.name = std::move(name);
    // Welded in the order of the surface's vertices, so the result depends on
    // nothing but the file.
    std::map<std::array<std::uint32_t, 5>, std::int32_t> first_of;
    welded_.reserve(vertices.size());
    for (const surface_vertex& v : vertices) {
        const std::array<std::uint32_t, 5> key{key_bits(v.position[0]), key_bits(v.position[1]),
                                               key_bits(v.position[2]), key_bits(v.uv[0]),
                                               key_bits(v.uv[1])};
        const auto [at, added] =
            first_of.emplace(key, static_cast<std::int32_t>(object_.vertices.size()));
        if (added) object_.vertices.push_back(v.position);
        welded_.push_back(at->second);
    }
}

bool mqo_surface_object::add_triangle(std::int32_t a, std::int32_t b, std::int32_t c) {
    const auto count = static_cast<std::int32_t>(vertices_.size());
    mqo_document_face face;
    face.material = material_;
    face.has_uv = true;
    const std::int32_t corners[3] = {a, b, c};
    for (std::size_t k = 0; k < 3; ++k) {
        if (corners[k] < 0 || corners[k] >= count) return false;
        const auto v = static_cast<std::size_t>(corners[k]);
        face.vertex[k] = welded_[v];
        face.uv[k] = vertices_[v].uv;
    }
    object_.faces.push_back(face);
    return true;
}

std::int32_t mqo_surface_object::first_unfinite_vertex() const {
    for (std::size_t v = 0; v < vertices_.size(); ++v)
        if (!is_finite(vertices_[v])) return static_cast<std::int32_t>(v);
    return -1;
}

mqo_document_object mqo_surface_object::finish(const std::string& surface_name) {
    const std::string& name = object_.name;
    if (!is_mesh_object_name(name, false))
        std::fprintf(stderr,
                     "write_mqo : surface \"%s\" becomes object \"%s\", which modes 8 and 9 take "
                     "for a marker, not a mesh: rename the object in the modeller before "
                     "converting it back\n",
                     surface_name.c_str(), name.c_str());
    if (object_.vertices.size() > static_cast<std::size_t>(mqo_max_vertices) ||
        object_.faces.size() > static_cast<std::size_t>(mqo_max_faces))
        std::fprintf(stderr,
                     "write_mqo : object \"%s\" has %zu vertices and %zu faces; modes 8 and 9 "
                     "read at most %d vertices an object (and %d faces without WHOLEMODEL=1): "
                     "split it in the modeller before converting it back\n",
                     name.c_str(), object_.vertices.size(), object_.faces.size(), mqo_max_vertices,
                     mqo_max_faces);
    return std::move(object_);
}

bool surface_is_finite(const mqo_surface_object& object, const std::string& surface_name) {
    const std::int32_t v = object.first_unfinite_vertex();
    if (v < 0) return true;
    std::printf("write_mqo : Surface[%s] Vertex[%d] has a position or texture coordinate that is "
                "not finite\n",
                surface_name.c_str(), v);
    return false;
}

} // namespace ossify
