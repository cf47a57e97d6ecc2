// One surface of a game model on its way into an MQO object: its vertices
// welded where position and texture coordinates agree, its triangles, and the
// checks both exports make. Private to the MQO exports.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "mqo/mqo_document.hpp"

namespace ossify {

struct surface_vertex {
    std::array<float, 3> position{};
    std::array<float, 2> uv{};
};

class mqo_surface_object {
  public:
    // The object `name` of material `material`, from the surface's vertices.
    mqo_surface_object(std::string name, std::int32_t material,
                       const std::vector<surface_vertex>& vertices);

    // Adds the triangle of surface vertices a, b, c; false (nothing added)
    // when a corner is not a vertex of the surface.
    bool add_triangle(std::int32_t a, std::int32_t b, std::int32_t c);

    // The first surface vertex with a value that is not finite, or -1.
    std::int32_t first_unfinite_vertex() const;

    // The object, and warnings on standard error where modes 8 and 9 could not
    // read it back (a marker name, more than 4096 vertices or faces).
    mqo_document_object finish(const std::string& surface_name);

  private:
    mqo_document_object object_;
    std::int32_t material_;
    std::vector<surface_vertex> vertices_;
    std::vector<std::int32_t> welded_; // welded index of each surface vertex
};

// Prints "write_mqo : Surface[s] Vertex[v] ..." for a vertex that is not finite
// and returns false; true when all are.
bool surface_is_finite(const mqo_surface_object& object, const std::string& surface_name);

} // namespace ossify
