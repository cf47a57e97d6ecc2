// The whole-model reading of one object, when its last line has been read:
// hidden and empty mesh objects leave the record; the others get a material for
// every face, their mirrored copies and triangles for every polygon.
#include <cstdio>
#include <string>

#include "base/display_text.hpp"
#include "base/vector_fields.hpp"
#include "mqo/mirror_copies.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_reader.hpp"
#include "mqo/mqo_walk.hpp"
#include "mqo/polygon_triangulation.hpp"

namespace ossify {

namespace {

constexpr const char* default_material_name = "default";

// Takes the current object out of the record; the next object goes in its place.
void drop_object(mqo_reader& reader) {
    fill_zero(reader.mqo, reader.object, reader.object_size);
    reader.total -= reader.object_size;
    reader.object_size = 0;
    reader.object = -1;
    --reader.objects;
}

// The material for faces without one: the first that is not a marker, else the
// "default" added after the others at the end of the file.
std::int32_t fallback_material(mqo_reader& reader, std::string& name) {
    for (std::int32_t j = 0; j < reader.num_material; ++j) {
        name = mqo_material_name(reader.mqo, j);
        if (!is_marker_material(name)) return j;
    }
    name = default_material_name;
    reader.default_material_added = true;
    return reader.num_material;
}

void give_materials(mqo_reader& reader, const std::string& object_name,
                    std::vector<mqo_polygon>& polygons) {
    int missing = 0;
    for (const mqo_polygon& p : polygons)
        missing += p.corners() >= 3 && p.material < 0 ? 1 : 0;
    if (missing == 0) return;
    std::string name;
    const std::int32_t material = fallback_material(reader, name);
    for (mqo_polygon& p : polygons)
        if (p.corners() >= 3 && p.material < 0) p.material = material;
    std::fprintf(stderr, "Load_MQO : Object[%s] %d faces without a material get material[%s]\n",
                 text_for_display(object_name).c_str(), missing, text_for_display(name).c_str());
}

std::vector<vector3> object_vertices(const mqo_reader& reader, std::int32_t count) {
    std::vector<vector3> vertices;
    for (std::int32_t i = 0; i < count; ++i)
        vertices.push_back(mqo_vertex(reader.mqo, reader.object, i));
    return vertices;
}

// Appends the reflected copies of the object's polygons (not its lines) and
// writes the copies' vertices after the object's own. False after a refusal.
bool mirror_object(mqo_reader& reader, const mqo_object_note& note,
                   std::vector<mqo_polygon>& polygons) {
    const bool connected = note.mirror == 2;
    if (note.mirror != 1 && !connected) return true;
    const std::int32_t count = get_i32(reader.mqo, reader.object + mqo_object::num_vertex);
    const int axes = note.mirror_axis != 0 ? note.mirror_axis : mirror_axis_x;
    const mirror_plan plan = plan_mirror(object_vertices(reader, count), axes, connected);
    const auto total = static_cast<std::int32_t>(plan.vertices.size());
    if (!grow_record(reader, mqo_vertex_size * (total - count))) return false;
    for (std::int32_t i = count; i < total; ++i)
        put_vector3(reader.mqo, reader_vertex_at(reader, i),
                    plan.vertices[static_cast<std::size_t>(i)]);
    set_vertex_count(reader, total);

    const std::size_t sources = polygons.size();
    for (std::size_t c = 0; c < plan.copies.size(); ++c) {
        const bool reverse = mirror_reverses_winding(plan.copies[c]);
        for (std::size_t f = 0; f < sources; ++f) {
            if (polygons[f].corners() < 3) continue;
            mqo_polygon copy = polygons[f];
            const int n = copy.corners();
            for (int j = 0; j < n; ++j) {
                const int from = reverse ? (n - j) % n : j; // reversed, corner 0 kept first
                const auto k = static_cast<std::size_t>(j), s = static_cast<std::size_t>(from);
                const std::int32_t v = polygons[f].vertex[s];
                copy.vertex[k] =
                    v >= 0 && v < count ? plan.index[c][static_cast<std::size_t>(v)] : v;
                copy.uv[2 * k] = polygons[f].uv[2 * s];
                copy.uv[2 * k + 1] = polygons[f].uv[2 * s + 1];
            }
            polygons.push_back(copy);
        }
    }
    return true;
}

// Cuts every polygon of more than three corners into triangles; lines and
// triangles stay as they are. Returns the number of polygons cut as fans.
int triangulate(const mqo_reader& reader, std::vector<mqo_polygon>& polygons) {
    const std::int32_t count = get_i32(reader.mqo, reader.object + mqo_object::num_vertex);
    std::vector<mqo_polygon> faces;
    std::vector<vector3> corners;
    std::vector<corner_triangle> triangles;
    int fans = 0;
    for (const mqo_polygon& p : polygons) {
        if (p.corners() <= 3) {
            faces.push_back(p);
            continue;
        }
        corners.clear();
        // A corner outside the vertex list sits at the origin here; the mesh
        // builder refuses the face for it.
        for (const std::int32_t v : p.vertex)
            corners.push_back(v >= 0 && v < count ? mqo_vertex(reader.mqo, reader.object, v)
                                                  : vector3{});
        triangles.clear();
        fans += triangulate_polygon(corners, triangles) ? 0 : 1;
        for (const corner_triangle& t : triangles) {
            mqo_polygon face;
            face.material = p.material;
            for (const int j : t) {
                const auto s = static_cast<std::size_t>(j);
                face.vertex.push_back(p.vertex[s]);
                face.uv.push_back(p.uv[2 * s]);
                face.uv.push_back(p.uv[2 * s + 1]);
            }
            faces.push_back(face);
        }
    }
    polygons.swap(faces);
    return fans;
}

} // namespace

bool finish_whole_object(mqo_reader& reader) {
    if (reader.object < 0) return true;
    const std::string name = get_text(reader.mqo, reader.object + mqo_object::name, mqo_name_width);
    const mqo_object_note& note = current_note(reader);
    std::vector<mqo_polygon>& polygons = reader.object_polygons;
    if (reader.current_is_mesh) {
        const bool solid = reader.options.rig && begins_with(name, marker_anchor);
        const char* skipped = note.visible == 0 && !solid ? "hidden in the modeller"
                              : mqo_num_vertex(reader.mqo, reader.object) == 0 ? "no vertices"
                              : polygons.empty()                               ? "no faces"
                                                                               : nullptr;
        if (skipped != nullptr) {
            std::fprintf(stderr, "Load_MQO : Object[%s] is not exported: %s\n",
                         text_for_display(name).c_str(), skipped);
            drop_object(reader);
            return true;
        }
        if (note.patch)
            std::fprintf(stderr,
                         "Load_MQO : Object[%s] is a subdivision surface: its control mesh is "
                         "exported\n",
                         text_for_display(name).c_str());
        give_materials(reader, name, polygons);
        if (!mirror_object(reader, note, polygons)) return false;
        const int fans = triangulate(reader, polygons);
        if (fans > 0)
            std::fprintf(stderr,
                         "Load_MQO : Object[%s] %d faces could not be cut along their outline "
                         "(crossing edges, or corners in a line): cut as fans\n",
                         text_for_display(name).c_str(), fans);
    }
    const auto faces = static_cast<offset_t>(polygons.size());
    if (!grow_record(reader, mqo_face::size * faces)) return false;
    const offset_t first =
        reader.object + get_i32(reader.mqo, reader.object + mqo_object::ofs_face);
    for (offset_t f = 0; f < faces; ++f)
        put_face(reader.mqo, first + mqo_face::size * f, polygons[static_cast<std::size_t>(f)]);
    put_i32(reader.mqo, reader.object + mqo_object::num_face, static_cast<std::int32_t>(faces));
    polygons.clear();
    return true;
}

bool add_default_material(mqo_reader& reader) {
    // A last object taken out leaves the one before it last.
    if (reader.object < 0 && reader.previous_object >= 0 && reader.objects > 0)
        put_i32(reader.mqo, reader.previous_object + mqo_object::ofs_next, 0);
    if (!reader.default_material_added) return true;
    if (reader.num_material >= mqo_max_materials) {
        refuse(reader, "No room for the material[%s] of faces without one: %d materials",
               default_material_name, reader.num_material);
        return false;
    }
    const offset_t objects_at = mqoobj_header::size + mqo_material::size * reader.num_material;
    const offset_t objects_bytes = reader.total - objects_at;
    if (!grow_record(reader, mqo_material::size)) return false;
    copy_bytes(reader.mqo, objects_at + mqo_material::size, reader.mqo, objects_at, objects_bytes);
    fill_zero(reader.mqo, objects_at, mqo_material::size);
    put_text(reader.mqo, objects_at + mqo_material::name, mqo_name_width, default_material_name);
    ++reader.num_material;
    put_i32(reader.mqo, mqoobj_header::num_material, reader.num_material);
    put_i32(reader.mqo, mqoobj_header::ofs_object,
            static_cast<std::int32_t>(objects_at + mqo_material::size));
    return true;
}

} // namespace ossify
