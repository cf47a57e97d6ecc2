// The mesh record of a glTF model: the same sections and fields as the MQO
// route writes, from the engine-space records of the glTF reader.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/geometry_double.hpp"
#include "base/vector_fields.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/mesh_from_import.hpp"
#include "mesh/mesh_record.hpp"
#include "mesh/vertex_fields.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

vector3 as_float(const dvec3& v) {
    return scaled_to_float(v, 1.0);
}

offset_t object_size(const imported_surface& s) {
    return mesh_object::size + mesh_shader::size +
           mesh_triangle::size * static_cast<offset_t>(s.triangles.size()) +
           mesh_vertex::size * static_cast<offset_t>(s.vertices.size());
}

void write_tags(byte_region& mesh, const imported_model& model, offset_t at) {
    for (const imported_tag& tag : model.tags) {
        put_text(mesh, at + mesh_tag::name, 64, tag.name.c_str());
        put_i32(mesh, at + mesh_tag::object_index, -1);
        put_vector3(mesh, at + mesh_tag::origin, as_float(tag.origin));
        const dvec3* rows[3] = {&tag.axes.forward, &tag.axes.left, &tag.axes.up};
        for (offset_t r = 0; r < 3; ++r)
            put_vector3(mesh, at + mesh_tag::axis + 12 * r, as_float(*rows[r]));
        at += mesh_tag::size;
    }
}

// The weights and bone slots of one vertex at `p`; false when a local
// position is not finite.
bool write_weights(byte_region& mesh, offset_t vertex, const vector3& p, const imported_vertex& v,
                   const std::vector<bone_frame>& frames, bone_usage& used) {
    bool finite = true;
    for (std::size_t b = 0; b < frames.size(); ++b) {
        const offset_t slot =
            vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * static_cast<offset_t>(b);
        const vector3 local = in_bone_frame(frames[b], offset_from_origin(p, frames[b].origin));
        finite = finite && is_finite(local);
        put_vector3(mesh, slot + mesh_bone_slot::position, local);
    }
    std::int32_t k = 0;
    for (const imported_weight& w : v.weights) {
        if (w.joint < 0 || static_cast<std::size_t>(w.joint) >= frames.size()) continue;
        const offset_t slot = vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * w.joint;
        put_f32(mesh, slot + mesh_bone_slot::weight, static_cast<float>(w.weight));
        put_i32(mesh, vertex + mesh_vertex::weight_bone + 4 * k, w.joint);
        used[static_cast<std::size_t>(w.joint)] = true;
        ++k;
    }
    put_i32(mesh, vertex + mesh_vertex::num_weights, k);
    return finite;
}

offset_t write_object(byte_region& mesh, offset_t at, const imported_surface& s,
                      const std::vector<bone_frame>& frames, double scale) {
    const auto triangles = static_cast<std::int32_t>(s.triangles.size());
    const auto vertices = static_cast<std::int32_t>(s.vertices.size());
    const offset_t ofs_triangle = mesh_object::size + mesh_shader::size;
    const offset_t ofs_vertex = ofs_triangle + mesh_triangle::size * triangles;
    const offset_t size = object_size(s);
    put_text(mesh, at + mesh_object::name, 64, s.name.c_str());
    put_i32(mesh, at + mesh_object::num_shader, 1);
    put_i32(mesh, at + mesh_object::num_triangle, triangles);
    put_i32(mesh, at + mesh_object::num_vertex, vertices);
    put_i32(mesh, at + mesh_object::ofs_shader, static_cast<std::int32_t>(mesh_object::size));
    put_i32(mesh, at + mesh_object::ofs_triangle, static_cast<std::int32_t>(ofs_triangle));
    put_i32(mesh, at + mesh_object::ofs_vertex, static_cast<std::int32_t>(ofs_vertex));
    put_i32(mesh, at + mesh_object::ofs_trailing, static_cast<std::int32_t>(size));
    put_i32(mesh, at + mesh_object::ofs_end, static_cast<std::int32_t>(size));
    put_text(mesh, at + mesh_object::size, mesh_shader::size, s.shader.c_str(), false);

    std::vector<vector3> positions, normal_sums(s.vertices.size(), vector3{});
    for (const imported_vertex& v : s.vertices)
        positions.push_back(scaled_to_float(v.position, scale));
    for (std::int32_t t = 0; t < triangles; ++t) {
        const auto& corners = s.triangles[static_cast<std::size_t>(t)];
        const offset_t triangle = at + ofs_triangle + mesh_triangle::size * t;
        for (std::size_t k = 0; k < 3; ++k) {
            const imported_vertex& v = s.vertices[corners[k]];
            put_i32(mesh, triangle + mesh_triangle::vertex + 4 * static_cast<offset_t>(k),
                    static_cast<std::int32_t>(corners[k]));
            put_f32(mesh, triangle + mesh_triangle::uv + 8 * static_cast<offset_t>(k),
                    static_cast<float>(v.uv[0]));
            put_f32(mesh, triangle + mesh_triangle::uv + 8 * static_cast<offset_t>(k) + 4,
                    static_cast<float>(v.uv[1]));
        }
        const vector3 n =
            face_normal(positions[corners[0]], positions[corners[1]], positions[corners[2]]);
        put_vector3(mesh, triangle + mesh_triangle::normal, n);
        for (std::uint32_t c : corners) {
            vector3& sum = normal_sums[c];
            sum = {sum.x + n.x, sum.y + n.y, sum.z + n.z};
        }
    }
    bone_usage used{};
    std::int32_t first_weight = 0;
    for (std::int32_t i = 0; i < vertices; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const imported_vertex& v = s.vertices[slot];
        const offset_t vertex = at + ofs_vertex + mesh_vertex::size * i;
        const vector3& p = positions[slot];
        put_vector3(mesh, vertex + mesh_vertex::position, p);
        widen_bounds(mesh, p);
        put_f32(mesh, vertex + mesh_vertex::uv, static_cast<float>(v.uv[0]));
        put_f32(mesh, vertex + mesh_vertex::uv + 4, static_cast<float>(v.uv[1]));
        write_vertex_normal(mesh, vertex, v.has_normal ? as_float(v.normal) : normal_sums[slot]);
        put_i32(mesh, vertex + mesh_vertex::first_weight, first_weight);
        const bool finite = frames.empty() || write_weights(mesh, vertex, p, v, frames, used);
        first_weight += get_i32(mesh, vertex + mesh_vertex::num_weights);
        if (!finite || !is_finite(p) ||
            !is_finite(get_vector3(mesh, vertex + mesh_vertex::normal)) ||
            !std::isfinite(get_f32(mesh, mesh_header::radius))) {
            std::printf("build_meshes_from_gltf : Surface[%s] Vertex[%d] has a value that is not "
                        "finite: the model is too large\n",
                        s.name.c_str(), i);
            return -1;
        }
    }
    write_bone_references(mesh, at, used);
    return size;
}

} // namespace

std::int32_t build_meshes_from_import(byte_region& mesh, const imported_model& model,
                                      const byte_region* bones, double scale) {
    std::printf("---------------------------------\nFUNCTION CALLED : build_meshes_from_gltf\n"
                "---------------------------------\n");
    const std::int32_t bone_count =
        bones == nullptr ? 0 : get_i32(*bones, boneobj_header::num_bone);
    if (bone_count < 0 || bone_count > mesh_max_bones) {
        std::printf("build_meshes_from_gltf : Too many bones[%d] in the skeleton (at most %d)\n",
                    bone_count, mesh_max_bones);
        return -1;
    }
    const auto tags = static_cast<std::int32_t>(model.tags.size());
    const auto surfaces = static_cast<std::int32_t>(model.surfaces.size());
    const offset_t ofs_tag = mesh_header::size;
    const offset_t ofs_shader = ofs_tag + mesh_tag::size * tags;
    const offset_t ofs_object = ofs_shader + mesh_shader::size * surfaces;
    offset_t end = ofs_object;
    for (const imported_surface& s : model.surfaces)
        end += object_size(s);
    if (end > static_cast<offset_t>(INT32_MAX) || !fits(mesh, 0, end)) {
        std::printf(
            "build_meshes_from_gltf : the model does not fit the mesh buffer of %zu bytes\n",
            mesh.size);
        return -1;
    }
    put_chars(mesh, mesh_header::ident, mesh_header::ident_text);
    put_i32(mesh, mesh_header::version, mesh_header::version_number);
    put_text(mesh, mesh_header::description, 64, mesh_header::description_text);
    put_i32(mesh, mesh_header::num_sdef, 0);
    put_i32(mesh, mesh_header::ofs_sdef, static_cast<std::int32_t>(mesh_header::size));
    put_i32(mesh, mesh_header::num_tag, tags);
    put_i32(mesh, mesh_header::ofs_tag, static_cast<std::int32_t>(ofs_tag));
    put_i32(mesh, mesh_header::num_shader, surfaces);
    put_i32(mesh, mesh_header::ofs_shader, static_cast<std::int32_t>(ofs_shader));
    put_i32(mesh, mesh_header::num_mesh_obj, surfaces);
    put_i32(mesh, mesh_header::ofs_mesh_obj, static_cast<std::int32_t>(ofs_object));
    put_i32(mesh, mesh_header::ofs_end, static_cast<std::int32_t>(end));
    write_tags(mesh, model, ofs_tag);
    for (std::int32_t s = 0; s < surfaces; ++s)
        put_text(mesh, ofs_shader + mesh_shader::size * s, mesh_shader::size,
                 model.surfaces[static_cast<std::size_t>(s)].shader.c_str(), false);

    const std::vector<bone_frame> frames =
        bone_count > 0 ? bone_frames(*bones, bone_count) : std::vector<bone_frame>{};
    offset_t at = ofs_object;
    for (const imported_surface& s : model.surfaces) {
        std::printf("build_meshes_from_gltf : Surface[%s] Shader[%s] Vertex[%zu] Triangle[%zu]\n",
                    s.name.c_str(), s.shader.c_str(), s.vertices.size(), s.triangles.size());
        const offset_t size = write_object(mesh, at, s, frames, scale);
        if (size < 0) return -1;
        at += size;
    }
    if (mesh.fault) {
        std::printf("build_meshes_from_gltf : a record was written out of bounds\n");
        return -1;
    }
    return static_cast<std::int32_t>(end);
}

} // namespace ossify
