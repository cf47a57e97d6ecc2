// One mesh object from one MQO object: shader list, triangles with face normals,
// one vertex record per MQO vertex with its smoothed normal and, given a
// skeleton, its binding to the nearest bone.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/vector_fields.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/mesh_builder.hpp"
#include "mesh/mesh_record.hpp"
#include "mesh/vertex_fields.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

constexpr std::int32_t max_materials = 128;
constexpr std::int32_t max_vertices = 4096;

// Tables private to one mesh object.
struct object_tables {
    std::vector<std::int32_t> material_map;
    std::vector<vector3> normal_sums;
    std::vector<float> uv;
};

void add_to(vector3& sum, const vector3& n) {
    sum = {sum.x + n.x, sum.y + n.y, sum.z + n.z};
}

// Writes the shader records and fills the material map; the count of shaders.
std::int32_t write_shader_list(const byte_region& mqo, byte_region& mesh, offset_t target,
                               std::vector<std::int32_t>& material_map) {
    const std::int32_t materials = get_i32(mqo, mqoobj_header::num_material);
    put_i32(mesh, target + mesh_object::ofs_shader, static_cast<std::int32_t>(mesh_object::size));
    std::int32_t n = 0;
    material_map.assign(static_cast<std::size_t>(materials), -1);
    for (std::int32_t j = 0; j < materials; ++j) {
        const std::string name = mqo_material_name(mqo, j);
        if (is_marker_material(name)) continue;
        put_text(mesh, target + mesh_object::size + mesh_shader::size * n, mesh_shader::size,
                 name.c_str(), false);
        material_map[static_cast<std::size_t>(j)] = n++;
    }
    put_i32(mesh, target + mesh_object::num_shader, n);
    return n;
}

std::int32_t count_triangles(const byte_region& mqo, offset_t object) {
    const std::int32_t faces = get_i32(mqo, object + mqo_object::num_face);
    std::int32_t count = 0;
    for (std::int32_t f = 0; f < faces; ++f)
        count += get_i32(mqo, mqo_face_at(mqo, object, f) + mqo_face::num_corners) == 3 ? 1 : 0;
    return count;
}

// Writes the triangles of the three-corner faces; false after a face that
// cannot be exported (the reason is printed).
bool write_triangles(const byte_region& mqo, offset_t object, byte_region& mesh, offset_t first,
                     object_tables& tables) {
    const std::int32_t faces = get_i32(mqo, object + mqo_object::num_face);
    const std::int32_t vertices = get_i32(mqo, object + mqo_object::num_vertex);
    const auto materials = static_cast<std::int32_t>(tables.material_map.size());
    std::int32_t t = 0;
    for (std::int32_t f = 0; f < faces; ++f) {
        const offset_t face = mqo_face_at(mqo, object, f);
        if (get_i32(mqo, face + mqo_face::num_corners) != 3) continue;
        const std::int32_t m = get_i32(mqo, face + mqo_face::material);
        if (m < 0 || m >= materials || tables.material_map[static_cast<std::size_t>(m)] < 0) {
            std::printf("build_meshobj : Invalid Material Index in Face[%d] Refer[%d]\n", f, m);
            return false;
        }
        std::int32_t index[3];
        for (int k = 0; k < 3; ++k) {
            index[k] = get_i32(mqo, face + mqo_face::vertex + 4 * k);
            if (index[k] < 0 || index[k] >= vertices) {
                std::printf("build_meshobj : Invalid Vertex Index in Face[%d] Refer[%d] "
                            "(the object has %d vertices)\n",
                            f, index[k], vertices);
                return false;
            }
        }
        const offset_t triangle = first + mesh_triangle::size * t;
        put_i32(mesh, triangle + mesh_triangle::shader,
                tables.material_map[static_cast<std::size_t>(m)]);
        for (int k = 0; k < 3; ++k) {
            const auto slot = static_cast<std::size_t>(index[k]);
            const float u = get_f32(mqo, face + mqo_face::uv + 8 * k);
            const float v = get_f32(mqo, face + mqo_face::uv + 8 * k + 4);
            put_i32(mesh, triangle + mesh_triangle::vertex + 4 * k, index[k]);
            put_f32(mesh, triangle + mesh_triangle::uv + 8 * k, u);
            put_f32(mesh, triangle + mesh_triangle::uv + 8 * k + 4, v);
            tables.uv[2 * slot] = u;
            tables.uv[2 * slot + 1] = v;
        }
        const vector3 normal =
            face_normal(mqo_vertex(mqo, object, index[0]), mqo_vertex(mqo, object, index[1]),
                        mqo_vertex(mqo, object, index[2]));
        if (!is_finite(normal)) {
            std::printf("build_meshobj : Face[%d] has no finite normal: its coordinates are too "
                        "large\n",
                        f);
            return false;
        }
        put_vector3(mesh, triangle + mesh_triangle::normal, normal);
        for (const std::int32_t i : index)
            add_to(tables.normal_sums[static_cast<std::size_t>(i)], normal);
        ++t;
    }
    return true;
}

// The normal and its angles of a finished vertex, and the radius it may have
// widened: a value beyond the float range would reach the exported model.
bool vertex_is_finite(const byte_region& mesh, offset_t vertex) {
    return is_finite(get_vector3(mesh, vertex + mesh_vertex::normal)) &&
           std::isfinite(get_f32(mesh, vertex + mesh_vertex::azimuth)) &&
           std::isfinite(get_f32(mesh, vertex + mesh_vertex::zenith)) &&
           std::isfinite(get_f32(mesh, mesh_header::radius));
}

} // namespace

std::int32_t build_meshobj(const byte_region& mqo, offset_t object, byte_region& mesh,
                           offset_t target, const byte_region* bones) {
    const std::string name = mqo_object_name(mqo, object);
    put_text(mesh, target + mesh_object::name, 64, name.c_str());

    const std::int32_t materials = get_i32(mqo, mqoobj_header::num_material);
    const std::int32_t vertices = get_i32(mqo, object + mqo_object::num_vertex);
    const std::int32_t bone_count =
        bones == nullptr ? 0 : get_i32(*bones, boneobj_header::num_bone);
    if (materials > max_materials) {
        std::printf("build_meshobj : Too many materials[%d] in the model (at most %d)\n", materials,
                    max_materials);
        return 0;
    }
    if (vertices < 0 || vertices > max_vertices) {
        std::printf("build_meshobj : Too many vertices[%d] in Object[%s] (at most %d)\n", vertices,
                    name.c_str(), max_vertices);
        return 0;
    }
    if (bone_count < 0 || bone_count > mesh_max_bones) {
        std::printf("build_meshobj : Too many bones[%d] in the skeleton (at most %d)\n", bone_count,
                    mesh_max_bones);
        return 0;
    }

    object_tables tables;
    tables.normal_sums.assign(static_cast<std::size_t>(vertices), vector3{});
    tables.uv.assign(2 * static_cast<std::size_t>(vertices), 0.0f);
    const std::int32_t shaders = write_shader_list(mqo, mesh, target, tables.material_map);
    const std::int32_t triangles = count_triangles(mqo, object);
    const offset_t ofs_triangle = mesh_object::size + mesh_shader::size * shaders;
    const offset_t ofs_vertex = ofs_triangle + mesh_triangle::size * triangles;
    const offset_t size = ofs_vertex + mesh_vertex::size * vertices;
    if (!fits(mesh, target, size)) {
        std::printf("build_meshobj : Object[%s] does not fit the mesh buffer of %zu bytes\n",
                    name.c_str(), mesh.size);
        return 0;
    }

    put_i32(mesh, target + mesh_object::ofs_triangle, static_cast<std::int32_t>(ofs_triangle));
    put_i32(mesh, target + mesh_object::num_triangle, 0);
    if (!write_triangles(mqo, object, mesh, target + ofs_triangle, tables)) return 0;
    put_i32(mesh, target + mesh_object::num_triangle, triangles);

    put_i32(mesh, target + mesh_object::ofs_vertex, static_cast<std::int32_t>(ofs_vertex));
    put_i32(mesh, target + mesh_object::num_vertex, vertices);
    bone_usage used{};
    const std::vector<bone_frame> frames =
        bone_count > 0 ? bone_frames(*bones, bone_count) : std::vector<bone_frame>{};
    std::int32_t weight_index = 0;
    for (std::int32_t i = 0; i < vertices; ++i) {
        const offset_t vertex = target + ofs_vertex + mesh_vertex::size * i;
        const auto slot = static_cast<std::size_t>(i);
        const vector3 p = mqo_vertex(mqo, object, i);
        put_vector3(mesh, vertex + mesh_vertex::position, p);
        widen_bounds(mesh, p);
        put_f32(mesh, vertex + mesh_vertex::uv, tables.uv[2 * slot]);
        put_f32(mesh, vertex + mesh_vertex::uv + 4, tables.uv[2 * slot + 1]);
        write_vertex_normal(mesh, vertex, tables.normal_sums[slot]);
        const std::int32_t weights =
            frames.empty() ? 0 : bind_vertex_to_bones(mesh, vertex, p, frames, used);
        // The binding gives -1 when a bone-local position is not finite.
        if (!vertex_is_finite(mesh, vertex) || weights < 0) {
            std::printf("build_meshobj : Object[%s] Vertex[%d] has a value that is not finite: "
                        "its coordinates, or those of a bone, are too large\n",
                        name.c_str(), i);
            return 0;
        }
        put_i32(mesh, vertex + mesh_vertex::num_weights, weights);
        put_i32(mesh, vertex + mesh_vertex::first_weight, weight_index);
        weight_index += weights;
    }

    write_bone_references(mesh, target, used);
    put_i32(mesh, target + mesh_object::ofs_trailing, static_cast<std::int32_t>(size));
    put_i32(mesh, target + mesh_object::ofs_end, static_cast<std::int32_t>(size));
    return static_cast<std::int32_t>(size);
}

} // namespace ossify
