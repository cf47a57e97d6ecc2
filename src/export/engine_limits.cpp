#include "export/engine_limits.hpp"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/display_text.hpp"
#include "export/md3_layout.hpp"
#include "skeletal/skeletal_layout.hpp"

namespace ossify {

namespace {

namespace lim = engine_limits;

constexpr offset_t name_field = md3_name_width;
static_assert(name_field == skeletal_name_width && name_field == lim::name_bytes + 1);

struct checker {
    const byte_region& file;
    const char* path;
    int warnings = 0;

    void warn(const std::string& what) {
        std::fprintf(stderr, "ossify: warning: %s: %s\n", text_for_display(path).c_str(),
                     text_for_display(what).c_str());
        ++warnings;
    }
    // The name in a 64-byte field, or a warning when it fills the field.
    std::string name_at(offset_t at, const char* role) {
        const std::string_view field = get_chars(file, at, name_field);
        const std::size_t end = field.find('\0');
        const std::string name(field.substr(0, end));
        if (end == std::string_view::npos)
            warn(std::string(role) + " \"" + name + "\" has a name of " +
                 std::to_string(field.size()) + " bytes; the engine takes at most " +
                 std::to_string(lim::name_bytes) + ": shorten it");
        return name;
    }
    // "<subject> has <value> <noun>" when value passes limit.
    void count(std::int32_t value, std::int32_t limit, const std::string& subject, const char* noun,
               const char* fix) {
        if (value > limit)
            warn(subject + " has " + std::to_string(value) + " " + noun +
                 "; the engine takes at most " + std::to_string(limit) +
                 " and refuses the whole model: " + fix);
    }
    // The model's name and its numbers of surfaces and tags.
    void model_counts(offset_t name, const char* format, std::int32_t surfaces,
                      std::int32_t surface_limit, std::int32_t tags, std::int32_t tag_limit,
                      const char* tag_fix) {
        name_at(name, "the model");
        count(surfaces, surface_limit, format, "surfaces",
              "join objects, or split the model into several");
        count(tags, tag_limit, format, "tags", tag_fix);
    }
    void surface_counts(const std::string& surface, std::int32_t vertices, std::int32_t triangles) {
        const char* fix = "split the object into smaller ones";
        count(vertices, lim::surface_vertices, "surface \"" + surface + "\"", "vertices", fix);
        count(triangles, lim::surface_triangles, "surface \"" + surface + "\"", "triangles", fix);
    }
};

// The stored MD3 positions span less than one engine unit on every axis.
struct extent {
    std::int32_t low[3] = {32767, 32767, 32767}, high[3] = {-32768, -32768, -32768};
    bool any = false;

    void add(const byte_region& md3, offset_t vertex) {
        any = true;
        for (int axis = 0; axis < 3; ++axis) {
            const std::int32_t v = get_i16(md3, vertex + md3_surface::coordinate_step * axis);
            low[axis] = std::min(low[axis], v);
            high[axis] = std::max(high[axis], v);
        }
    }
    std::int32_t largest() const {
        std::int32_t span = 0;
        for (int axis = 0; axis < 3; ++axis)
            span = std::max(span, high[axis] - low[axis]);
        return span;
    }
};

} // namespace

int warn_mdm_engine_limits(const byte_region& mdm, const char* path) {
    checker c{mdm, path};
    const std::int32_t surfaces = get_i32(mdm, mdm_header::num_surfaces);
    const std::int32_t tags = get_i32(mdm, mdm_header::num_tags);
    c.model_counts(mdm_header::name, "the MDM", surfaces, lim::mdm_surfaces, tags, lim::mdm_tags,
                   "remove tags from the reference MDM");
    offset_t at = get_i32(mdm, mdm_header::ofs_surfaces);
    for (std::int32_t s = 0; s < surfaces && !mdm.fault; ++s) {
        const std::string name = c.name_at(at + mdm_surface::name, "surface");
        c.name_at(at + mdm_surface::shader, ("the shader of surface \"" + name + "\"").c_str());
        c.surface_counts(name, get_i32(mdm, at + mdm_surface::num_verts),
                         get_i32(mdm, at + mdm_surface::num_triangles));
        const std::int32_t size = get_i32(mdm, at + mdm_surface::ofs_end);
        if (size <= 0) break;
        at += size;
    }
    at = get_i32(mdm, mdm_header::ofs_tags);
    for (std::int32_t t = 0; t < tags && !mdm.fault; ++t) {
        c.name_at(at + mdm_tag::name, "tag");
        const std::int32_t size = get_i32(mdm, at + mdm_tag::ofs_end);
        if (size <= 0) break;
        at += size;
    }
    return c.warnings;
}

int warn_md3_engine_limits(const byte_region& md3, const char* path) {
    namespace ms = md3_surface;
    checker c{md3, path};
    const std::int32_t surfaces = get_i32(md3, md3_header::num_surfaces);
    const std::int32_t tags = get_i32(md3, md3_header::num_tags);
    c.model_counts(md3_header::name, "the MD3", surfaces, lim::md3_surfaces, tags, lim::md3_tags,
                   "remove tag: objects");
    const offset_t first_tag = get_i32(md3, md3_header::ofs_tags);
    for (std::int32_t t = 0; t < tags && !md3.fault; ++t)
        c.name_at(first_tag + md3_tag::size * t + md3_tag::name, "tag");
    extent size;
    offset_t at = get_i32(md3, md3_header::ofs_surfaces);
    for (std::int32_t s = 0; s < surfaces && !md3.fault; ++s) {
        const std::string name = c.name_at(at + ms::name, "surface");
        const std::int32_t vertices = get_i32(md3, at + ms::num_verts);
        const std::int32_t triangles = get_i32(md3, at + ms::num_triangles);
        c.surface_counts(name, vertices, triangles);
        c.count(vertices, lim::md3_surface_vertices, "surface \"" + name + "\"", "vertices",
                "split the object");
        c.count(triangles, lim::md3_surface_triangles, "surface \"" + name + "\"", "triangles",
                "split the object");
        if (triangles == 0)
            c.warn("surface \"" + name +
                   "\" has no triangles (other tools refuse such a surface): triangulate its "
                   "faces or remove the object");
        const offset_t shaders = at + get_i32(md3, at + ms::ofs_shaders);
        for (std::int32_t j = 0; j < get_i32(md3, at + ms::num_shaders) && !md3.fault; ++j)
            c.name_at(shaders + ms::shader_size * j,
                      ("the shader of surface \"" + name + "\"").c_str());
        const offset_t xyz = at + get_i32(md3, at + ms::ofs_xyz_normals);
        for (std::int32_t v = 0; v < vertices && !md3.fault; ++v)
            size.add(md3, xyz + ms::vertex_size * v);
        const std::int32_t surface_size = get_i32(md3, at + ms::ofs_end);
        if (surface_size <= 0) break;
        at += surface_size;
    }
    if (size.any && size.largest() < md3_steps_per_unit)
        c.warn("the model spans " + std::to_string(size.largest()) +
               " stored steps, less than one engine unit (" + std::to_string(md3_steps_per_unit) +
               " steps), and shows as a speck: set MD3SCALE=64 to store positions at the drawn "
               "size, or draw the model larger");
    return c.warnings;
}

} // namespace ossify
