#include <cmath>
#include <cstdio>
#include <string>

#include "base/vector_fields.hpp"
#include "mesh/mesh_builder.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "skeleton/orientation.hpp"

namespace ossify {

namespace {

// A tag object is read through its first face, which must have at least three
// corners that are vertices of the object.
bool tag_face_is_usable(const byte_region& mqo, offset_t object, std::int32_t i,
                        const std::string& name) {
    const std::int32_t vertices = mqo_num_vertex(mqo, object);
    if (mqo_num_face(mqo, object) < 1 || mqo_face_corners(mqo, mqo_face_at(mqo, object, 0)) < 3) {
        std::printf("search_tagobj : Tag Object[%d] Name[%s] has no first face of three or four "
                    "corners\n",
                    i, name.c_str());
        return false;
    }
    const offset_t face = mqo_face_at(mqo, object, 0);
    for (int k = 0; k < 3; ++k) {
        const std::int32_t index = mqo_face_vertex(mqo, face, k);
        if (index < 0 || index >= vertices) {
            std::printf("search_tagobj : Tag Object[%d] Name[%s] Invalid Vertex Index[%d] in its "
                        "first face (the object has %d vertices)\n",
                        i, name.c_str(), index, vertices);
            return false;
        }
    }
    return true;
}

// Writes origin and axis of the tag; false when they are not finite numbers.
bool write_tag_record(byte_region& mesh, offset_t record, const byte_region& mqo, offset_t object) {
    const offset_t face = mqo_face_at(mqo, object, 0);
    std::int32_t index[3];
    vector3 corner[3];
    for (int k = 0; k < 3; ++k) {
        index[k] = mqo_face_vertex(mqo, face, k);
        corner[k] = mqo_vertex(mqo, object, index[k]);
    }
    const vertex_roles roles =
        assign_vertex_roles(corner[0], corner[1], corner[2], index[0], index[1], index[2]);
    const vector3 o = mqo_vertex(mqo, object, roles.origin);
    const vector3 f = mqo_vertex(mqo, object, roles.forward);
    const vector3 u = mqo_vertex(mqo, object, roles.up);
    put_vector3(mesh, record + mesh_tag::origin, o); // as drawn, like the mesh vertices
    const rotation_rows axis = rotation_rows_from_angles(exam_angles_from_vectors(o, f, u));
    put_vector3(mesh, record + mesh_tag::axis, axis.rmw1);
    put_vector3(mesh, record + mesh_tag::axis + 12, axis.rmw2);
    put_vector3(mesh, record + mesh_tag::axis + 24, axis.rmw3);
    return is_finite(axis.rmw1) && is_finite(axis.rmw2) && is_finite(axis.rmw3);
}

} // namespace

std::int32_t search_tagobj(byte_region& mesh, const byte_region& mqo) {
    const offset_t first = get_i32(mesh, mesh_header::ofs_tag);
    const std::int32_t objects = mqo_num_object(mqo);
    offset_t object = mqo_first_object(mqo);
    std::int32_t k = 0;
    for (std::int32_t i = 0; i < objects; ++i, object = mqo_next_object(mqo, object)) {
        const std::string name = mqo_object_name(mqo, object);
        if (!begins_with(name, marker_tag)) continue;
        const offset_t record = first + mesh_tag::size * k;
        put_i32(mesh, record + mesh_tag::object_index, i);
        put_text(mesh, record + mesh_tag::name, 64, name.c_str() + marker_tag.size());
        if (!tag_face_is_usable(mqo, object, i, name)) return -1;
        if (!write_tag_record(mesh, record, mqo, object)) {
            std::printf("search_tagobj : Tag Object[%d] Name[%s] has no finite axis: its "
                        "coordinates are too large\n",
                        i, name.c_str());
            return -1;
        }
        ++k;
    }
    return k;
}

} // namespace ossify
