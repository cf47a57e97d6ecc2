// The checks of a static MD3: the loader's counts, names, and the frame data the
// engine culls and lights the model by (bounds, radius, normals).
#include <algorithm>
#include <cmath>
#include <numbers>

#include "check/check_report.hpp"
#include "check/engine_rules.hpp"
#include "check/file_check.hpp"
#include "export/md3_layout.hpp"
#include "export/md3_reader.hpp"

namespace ossify {

namespace {

namespace rules = engine_rules;

constexpr double step = 1.0 / md3_steps_per_unit;

// A model's own limits in the original engine; its successor does not check them.
void check_counts(file_check& c, const md3_model& model) {
    const char* refused = "the original engine refuses the model";
    c.limit(static_cast<std::int32_t>(model.surfaces.size()), rules::md3_surfaces, "Surfaces",
            refused);
    c.limit(model.num_tags, rules::md3_tags, "Tags", refused);
    c.limit(static_cast<std::int32_t>(model.frames.size()), rules::md3_frames, "Frames", refused);
}

std::array<double, 3> position_of(const md3_vertex_record& v) {
    return {v.position[0] * step, v.position[1] * step, v.position[2] * step};
}

// The unit normal the engine decodes: azimuth and zenith in 255ths of a turn.
std::array<double, 3> normal_of(const md3_vertex_record& v) {
    const double turn = 2.0 * std::numbers::pi / 255.0;
    const double azimuth = (v.normal >> 8) * turn;
    const double zenith = (v.normal & 0xff) * turn;
    return {std::cos(azimuth) * std::sin(zenith), std::sin(azimuth) * std::sin(zenith),
            std::cos(zenith)};
}

// Per vertex of the first frame, the sum of the normals (by area) of the
// triangles around it. Triangles are stored with their front faces wound
// clockwise, so a triangle (a, b, c) faces along (c - a) x (b - a).
std::vector<std::array<double, 3>> face_sides(const md3_surface_record& s) {
    std::vector<std::array<double, 3>> sums(static_cast<std::size_t>(s.num_verts));
    for (const std::array<std::int32_t, 3>& t : s.triangles) {
        const auto a = position_of(s.vertices[static_cast<std::size_t>(t[0])]);
        const auto b = position_of(s.vertices[static_cast<std::size_t>(t[1])]);
        const auto d = position_of(s.vertices[static_cast<std::size_t>(t[2])]);
        const std::array<double, 3> e1 = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
        const std::array<double, 3> e2 = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const std::array<double, 3> n = {e1[1] * e2[2] - e1[2] * e2[1],
                                         e1[2] * e2[0] - e1[0] * e2[2],
                                         e1[0] * e2[1] - e1[1] * e2[0]};
        for (const std::int32_t corner : t)
            for (int axis = 0; axis < 3; ++axis)
                sums[static_cast<std::size_t>(corner)][static_cast<std::size_t>(axis)] +=
                    n[static_cast<std::size_t>(axis)];
    }
    return sums;
}

// Normals of the first frame that face away from every triangle around their
// vertex: the engine lights that side from behind.
void check_normals(file_check& c, const md3_surface_record& s, const std::string& where) {
    if (s.num_frames == 0) return;
    const std::vector<std::array<double, 3>> sides = face_sides(s);
    std::int32_t away = 0, first = 0;
    for (std::int32_t v = 0; v < s.num_verts; ++v) {
        const auto n = normal_of(s.vertices[static_cast<std::size_t>(v)]);
        const auto& side = sides[static_cast<std::size_t>(v)];
        if (n[0] * side[0] + n[1] * side[1] + n[2] * side[2] < 0.0 && away++ == 0) first = v;
    }
    if (away > 0)
        c.add(where + " Vertex[" + std::to_string(first) + "]: " + std::to_string(away) +
              " normals face away from the triangles around their vertex; the engine lights "
              "them from behind");
}

// Each frame's bounds must hold its stored vertices and its radius reach the
// farthest of them from the local origin, or the engine culls the model while
// part of it is in view. The radius may fall short by half a stored step.
void check_frames(file_check& c, const md3_model& model) {
    for (std::size_t f = 0; f < model.frames.size(); ++f) {
        const md3_frame_record& frame = model.frames[f];
        const std::string where = "Frame[" + std::to_string(f) + "] Name[" + frame.name + "]";
        c.name_fits(frame.name, md3_frame::name_width, where);
        std::int32_t outside = 0, first_surface = 0, first_vertex = 0;
        double farthest = 0.0;
        for (std::size_t s = 0; s < model.surfaces.size(); ++s) {
            const md3_surface_record& surface = model.surfaces[s];
            if (f >= static_cast<std::size_t>(surface.num_frames)) continue;
            for (std::int32_t v = 0; v < surface.num_verts; ++v) {
                const auto p =
                    position_of(surface.vertices[f * static_cast<std::size_t>(surface.num_verts) +
                                                 static_cast<std::size_t>(v)]);
                double distance = 0.0;
                bool within = true;
                for (std::size_t axis = 0; axis < 3; ++axis) {
                    within = within && p[axis] >= frame.bounds_min[axis] &&
                             p[axis] <= frame.bounds_max[axis];
                    const double d = p[axis] - frame.local_origin[axis];
                    distance += d * d;
                }
                farthest = std::max(farthest, std::sqrt(distance));
                if (!within && outside++ == 0) {
                    first_surface = static_cast<std::int32_t>(s);
                    first_vertex = v;
                }
            }
        }
        if (outside > 0)
            c.add(where + " Surface[" + std::to_string(first_surface) + "] Vertex[" +
                  std::to_string(first_vertex) + "]: " + std::to_string(outside) +
                  " vertices lie outside the frame's bounds; the engine culls the model while "
                  "they are in view");
        if (!(frame.radius + step / 2 >= farthest)) // a radius that is not a number too
            c.add(where + " Radius[" + std::to_string(frame.radius) +
                  "]: the farthest vertex lies " + std::to_string(farthest) +
                  " from the local origin; the engine culls the model while it is in view");
    }
}

} // namespace

void check_md3_file(const byte_region& md3, const char* path, check_report& report) {
    file_check c{md3, "check_md3", path, report};
    const md3_model model = read_md3(md3);
    c.name_fits(model.name, md3_name_width, "Model");
    check_counts(c, model);
    for (std::int32_t t = 0; t < model.num_tags; ++t) {
        const std::string& name = model.tags[static_cast<std::size_t>(t)].name;
        c.name_fits(name, md3_name_width, "Tag[" + std::to_string(t) + "] Name[" + name + "]");
    }
    for (std::size_t s = 0; s < model.surfaces.size(); ++s) {
        const md3_surface_record& surface = model.surfaces[s];
        const std::string where = "Surface[" + std::to_string(s) + "] Name[" + surface.name + "]";
        c.name_fits(surface.name, md3_name_width, where);
        for (std::size_t k = 0; k < surface.shaders.size(); ++k)
            c.name_fits(surface.shaders[k].name, md3_name_width,
                        where + " Shader[" + std::to_string(k) + "]");
        // The drawn-surface limits are the strictest: the MD3 loader's own
        // 4,096 vertices and 8,192 triangles lie beyond the original's.
        c.engines_limit(surface.num_verts, rules::original_surface_vertices,
                        rules::successor_surface_vertices, where, "Vertex");
        c.engines_limit(static_cast<std::int32_t>(surface.triangles.size()),
                        rules::original_surface_triangles, rules::successor_surface_triangles,
                        where, "Triangle");
        check_normals(c, surface, where);
    }
    check_frames(c, model);
}

} // namespace ossify
