#include "mesh/arrange_surfaces.hpp"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>

#include "base/shader_name.hpp"
#include "base/vector_fields.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"

namespace ossify {

namespace {

constexpr std::size_t name_bytes = 63;
constexpr offset_t name_width = 64;
constexpr offset_t single_shader_list = mesh_shader::size;

// One surface to write: its name, its shader and the triangles of its object.
struct surface_plan {
    std::string name;
    std::int32_t shader = 0;
    std::vector<std::int32_t> triangles;
    bool whole = false; // the object undivided: every vertex kept, in place
};

struct object_view {
    const byte_region& old;
    offset_t at;
    std::int32_t vertices, triangle_count;
    offset_t triangles, first_vertex;

    offset_t triangle(std::int32_t t) const { return triangles + mesh_triangle::size * t; }
    std::int32_t corner(std::int32_t t, int k) const {
        return get_i32(old, triangle(t) + mesh_triangle::vertex + 4 * k);
    }
    offset_t vertex(std::int32_t v) const { return first_vertex + mesh_vertex::size * v; }
};

object_view view_of(const byte_region& old, offset_t at) {
    return {old,
            at,
            get_i32(old, at + mesh_object::num_vertex),
            get_i32(old, at + mesh_object::num_triangle),
            at + get_i32(old, at + mesh_object::ofs_triangle),
            at + get_i32(old, at + mesh_object::ofs_vertex)};
}

std::string suffixed(const std::string& base, const std::string& suffix) {
    return cut_name(base, name_bytes - suffix.size()) + suffix;
}

// The surfaces of one object: by material, then within the limits.
std::vector<surface_plan> plan_object(const object_view& o, const std::string& name,
                                      const std::vector<std::string>& material_names,
                                      const surface_limits& limits) {
    std::map<std::int32_t, std::vector<std::int32_t>> by_shader;
    for (std::int32_t t = 0; t < o.triangle_count; ++t)
        by_shader[get_i32(o.old, o.triangle(t) + mesh_triangle::shader)].push_back(t);
    std::vector<vector3> positions(static_cast<std::size_t>(std::max(o.vertices, 0)));
    for (std::int32_t v = 0; v < o.vertices; ++v)
        positions[static_cast<std::size_t>(v)] =
            get_vector3(o.old, o.vertex(v) + mesh_vertex::position);

    std::vector<surface_plan> plans;
    for (const auto& [shader, list] : by_shader) {
        std::vector<triangle_corners> corners;
        for (const std::int32_t t : list)
            corners.push_back({o.corner(t, 0), o.corner(t, 1), o.corner(t, 2)});
        const std::string material =
            shader >= 0 && static_cast<std::size_t>(shader) < material_names.size()
                ? material_names[static_cast<std::size_t>(shader)]
                : std::string();
        const std::string base =
            by_shader.size() > 1 ? cut_name(name + "_" + material, name_bytes) : name;
        const auto parts = partition_triangles(corners, positions, limits);
        for (std::size_t p = 0; p < parts.size(); ++p) {
            surface_plan plan;
            plan.name = parts.size() > 1 ? suffixed(base, "_" + std::to_string(p + 1)) : base;
            plan.shader = shader;
            for (const std::int32_t local : parts[p])
                plan.triangles.push_back(list[static_cast<std::size_t>(local)]);
            plans.push_back(std::move(plan));
        }
    }
    // An undivided object keeps every vertex in place, unless the vertices no
    // triangle uses would take it past the limit.
    if (plans.size() <= 1 && o.vertices <= limits.vertices) {
        surface_plan whole;
        whole.name = name;
        whole.shader = plans.empty() ? 0 : plans.front().shader;
        whole.triangles = plans.empty() ? std::vector<std::int32_t>{} : plans.front().triangles;
        whole.whole = true;
        return {whole};
    }
    return plans;
}

// Bytes a planned surface takes, with the vertices it keeps.
offset_t surface_bytes(const object_view& o, const surface_plan& plan,
                       std::vector<std::int32_t>& kept) {
    kept.clear();
    if (plan.whole) {
        for (std::int32_t v = 0; v < o.vertices; ++v)
            kept.push_back(v);
    } else {
        for (const std::int32_t t : plan.triangles)
            for (int k = 0; k < 3; ++k)
                kept.push_back(o.corner(t, k));
        std::sort(kept.begin(), kept.end());
        kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    }
    return mesh_object::size + single_shader_list +
           mesh_triangle::size * static_cast<offset_t>(plan.triangles.size()) +
           mesh_vertex::size * static_cast<offset_t>(kept.size());
}

// Writes the planned surface at `target` of `mesh`; its size.
offset_t write_surface(byte_region& mesh, offset_t target, const object_view& o,
                       const surface_plan& plan, const std::string& shader_name,
                       const std::vector<std::int32_t>& kept) {
    const auto triangles = static_cast<std::int32_t>(plan.triangles.size());
    const auto vertices = static_cast<std::int32_t>(kept.size());
    const offset_t ofs_triangle = mesh_object::size + single_shader_list;
    const offset_t ofs_vertex = ofs_triangle + mesh_triangle::size * triangles;
    const offset_t size = ofs_vertex + mesh_vertex::size * vertices;
    fill_zero(mesh, target, size);
    put_text(mesh, target + mesh_object::name, name_width, plan.name.c_str());
    put_i32(mesh, target + mesh_object::num_shader, 1);
    put_i32(mesh, target + mesh_object::num_triangle, triangles);
    put_i32(mesh, target + mesh_object::num_vertex, vertices);
    put_i32(mesh, target + mesh_object::ofs_shader, static_cast<std::int32_t>(mesh_object::size));
    put_i32(mesh, target + mesh_object::ofs_triangle, static_cast<std::int32_t>(ofs_triangle));
    put_i32(mesh, target + mesh_object::ofs_vertex, static_cast<std::int32_t>(ofs_vertex));
    put_i32(mesh, target + mesh_object::ofs_trailing, static_cast<std::int32_t>(size));
    put_i32(mesh, target + mesh_object::ofs_end, static_cast<std::int32_t>(size));
    put_text(mesh, target + mesh_object::size + mesh_shader::name, mesh_shader::size,
             shader_name.c_str());

    // Old vertex number -> new, and the texture coordinates of the last triangle.
    std::vector<std::int32_t> renumber(static_cast<std::size_t>(std::max(o.vertices, 0)), -1);
    for (std::int32_t n = 0; n < vertices; ++n)
        renumber[static_cast<std::size_t>(kept[static_cast<std::size_t>(n)])] = n;
    std::vector<std::array<float, 2>> uv(kept.size());
    for (std::int32_t n = 0; n < vertices; ++n) {
        const offset_t from = o.vertex(kept[static_cast<std::size_t>(n)]) + mesh_vertex::uv;
        uv[static_cast<std::size_t>(n)] = {get_f32(o.old, from), get_f32(o.old, from + 4)};
    }
    for (std::int32_t i = 0; i < triangles; ++i) {
        const std::int32_t t = plan.triangles[static_cast<std::size_t>(i)];
        const offset_t to = target + ofs_triangle + mesh_triangle::size * i;
        copy_bytes(mesh, to, o.old, o.triangle(t), mesh_triangle::size);
        put_i32(mesh, to + mesh_triangle::shader, 0);
        for (int k = 0; k < 3; ++k) {
            const std::int32_t n = renumber[static_cast<std::size_t>(o.corner(t, k))];
            put_i32(mesh, to + mesh_triangle::vertex + 4 * k, n);
            if (!plan.whole)
                uv[static_cast<std::size_t>(n)] = {
                    get_f32(o.old, o.triangle(t) + mesh_triangle::uv + 8 * k),
                    get_f32(o.old, o.triangle(t) + mesh_triangle::uv + 8 * k + 4)};
        }
    }
    bone_usage used{};
    std::int32_t weight_index = 0;
    for (std::int32_t n = 0; n < vertices; ++n) {
        const offset_t to = target + ofs_vertex + mesh_vertex::size * n;
        copy_bytes(mesh, to, o.old, o.vertex(kept[static_cast<std::size_t>(n)]), mesh_vertex::size);
        put_f32(mesh, to + mesh_vertex::uv, uv[static_cast<std::size_t>(n)][0]);
        put_f32(mesh, to + mesh_vertex::uv + 4, uv[static_cast<std::size_t>(n)][1]);
        const std::int32_t weights = get_i32(mesh, to + mesh_vertex::num_weights);
        put_i32(mesh, to + mesh_vertex::first_weight, weight_index);
        weight_index += weights;
        for (std::int32_t k = 0; k < weights && k < mesh_max_bones; ++k) {
            const std::int32_t b = get_i32(mesh, to + mesh_vertex::weight_bone + 4 * k);
            if (b >= 0 && b < mesh_max_bones) used[static_cast<std::size_t>(b)] = true;
        }
    }
    write_bone_references(mesh, target, used);
    return size;
}

void report_division(const std::string& name, const object_view& o,
                     const std::vector<surface_plan>& plans,
                     const std::vector<std::int32_t>& vertex_counts, const surface_limits& limits) {
    std::fprintf(stderr,
                 "ossify: Object[%s] (%d vertices, %d triangles) becomes %zu surfaces, one a "
                 "material and each within %d vertices and %d triangles (name them in a skin "
                 "file):\n",
                 name.c_str(), o.vertices, o.triangle_count, plans.size(), limits.vertices,
                 limits.triangles);
    for (std::size_t p = 0; p < plans.size(); ++p)
        std::fprintf(stderr, "ossify:   %s: %d vertices, %zu triangles\n", plans[p].name.c_str(),
                     vertex_counts[p], plans[p].triangles.size());
}

} // namespace

surface_limits limits_for_vertices(std::int32_t vertices) {
    return {vertices, triangles_per_surface_vertex * vertices};
}

std::vector<std::string> material_shader_names(const byte_region& mqo, std::string_view prefix) {
    std::vector<std::string> names;
    const std::int32_t materials = mqo_num_material(mqo);
    for (std::int32_t m = 0; m < materials; ++m) {
        const std::string name = mqo_material_name(mqo, m);
        if (is_marker_material(name)) continue;
        const std::string texture =
            get_text(mqo, mqo_material_at(mqo, m) + mqo_material::texture, mqo_name_width);
        const std::string shader = texture.empty() ? std::string(prefix) + name
                                                   : shader_name_from_texture(texture, prefix);
        names.push_back(cut_name(shader, name_bytes));
    }
    return names;
}

std::int32_t arrange_surfaces(byte_region& mesh, const std::vector<std::string>& shader_names,
                              const surface_limits& limits) {
    std::printf("---------------------------------\nFUNCTION CALLED : arrange_surfaces\n"
                "---------------------------------\n");
    const offset_t first = get_i32(mesh, mesh_header::ofs_mesh_obj);
    const offset_t end = get_i32(mesh, mesh_header::ofs_end);
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    if (!fits(mesh, first, end - first)) return -1;
    // The objects as built, read from a copy while the record is rewritten.
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(end - first));
    byte_region old{copy.data(), copy.size()};
    copy_bytes(old, 0, mesh, first, end - first);

    std::vector<std::string> material_names;
    const offset_t shader_list = get_i32(mesh, mesh_header::ofs_shader);
    for (std::int32_t s = 0; s < get_i32(mesh, mesh_header::num_shader); ++s)
        material_names.push_back(
            get_text(mesh, shader_list + mesh_shader::size * s + mesh_shader::name, name_width));

    struct planned {
        object_view view;
        std::string name;
        std::vector<surface_plan> plans;
        std::vector<std::vector<std::int32_t>> kept;
    };
    std::vector<planned> all;
    offset_t total = 0;
    offset_t at = 0;
    for (std::int32_t i = 0; i < objects; ++i) {
        const object_view view = view_of(old, at);
        const std::string name = get_text(old, at + mesh_object::name, name_width);
        planned p{view, name, plan_object(view, name, material_names, limits), {}};
        for (const surface_plan& plan : p.plans) {
            p.kept.emplace_back();
            total += surface_bytes(view, plan, p.kept.back());
        }
        all.push_back(std::move(p));
        at += get_i32(old, at + mesh_object::ofs_end);
    }
    if (old.fault || !fits(mesh, first, total) ||
        first + total > std::numeric_limits<std::int32_t>::max()) {
        std::printf("arrange_surfaces : The surfaces do not fit the mesh buffer of %zu bytes\n",
                    mesh.size);
        return -1;
    }
    fill_zero(mesh, first, end - first);

    offset_t target = first;
    std::int32_t count = 0;
    for (const planned& p : all) {
        std::vector<std::int32_t> vertex_counts;
        for (std::size_t s = 0; s < p.plans.size(); ++s) {
            const surface_plan& plan = p.plans[s];
            const std::string shader =
                static_cast<std::size_t>(plan.shader) < shader_names.size() && plan.shader >= 0
                    ? shader_names[static_cast<std::size_t>(plan.shader)]
                    : std::string();
            target += write_surface(mesh, target, p.view, plan, shader, p.kept[s]);
            vertex_counts.push_back(static_cast<std::int32_t>(p.kept[s].size()));
            std::printf("arrange_surfaces : Mesh_Object[%d] Name[%s] Shader[%s] Vertex[%d] "
                        "Triangle[%zu]\n",
                        count, plan.name.c_str(), shader.c_str(), vertex_counts.back(),
                        plan.triangles.size());
            ++count;
        }
        if (p.plans.size() > 1) report_division(p.name, p.view, p.plans, vertex_counts, limits);
    }
    put_i32(mesh, mesh_header::num_mesh_obj, count);
    put_i32(mesh, mesh_header::ofs_end, static_cast<std::int32_t>(target));
    std::printf("arrange_surfaces : NumMeshObj[%d]\n", count);
    return static_cast<std::int32_t>(target);
}

} // namespace ossify
