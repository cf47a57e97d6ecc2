#include "skeleton/marker_tags.hpp"

#include <algorithm>

#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "skeleton/orientation.hpp"

namespace ossify {

namespace {

// The first three corners of a face when they are vertices of its object.
bool face_corners(const byte_region& mqo, offset_t object, offset_t face, std::int32_t index[3]) {
    if (mqo_face_corners(mqo, face) < 3) return false;
    const std::int32_t vertices = mqo_num_vertex(mqo, object);
    for (int k = 0; k < 3; ++k) {
        index[k] = mqo_face_vertex(mqo, face, k);
        if (index[k] < 0 || index[k] >= vertices) return false;
    }
    return true;
}

drawn_tag tag_of_face(const byte_region& mqo, offset_t object, const std::int32_t index[3],
                      const std::string& name) {
    vector3 corner[3];
    for (int k = 0; k < 3; ++k)
        corner[k] = mqo_vertex(mqo, object, index[k]);
    const vertex_roles roles =
        assign_vertex_roles(corner[0], corner[1], corner[2], index[0], index[1], index[2]);
    const vector3 o = mqo_vertex(mqo, object, roles.origin);
    const rotation_rows rows = rotation_rows_from_angles(exam_angles_from_vectors(
        o, mqo_vertex(mqo, object, roles.forward), mqo_vertex(mqo, object, roles.up)));
    return {name, o, {rows.rmw1, rows.rmw2, rows.rmw3}};
}

} // namespace

std::vector<drawn_tag> find_marker_tags(const byte_region& mqo) {
    std::vector<drawn_tag> tags;
    const std::int32_t materials = mqo_num_material(mqo);
    const std::int32_t objects = mqo_num_object(mqo);
    for (std::int32_t m = 0; m < materials; ++m) {
        const std::string material = mqo_material_name(mqo, m);
        if (!begins_with(material, marker_tag)) continue;
        const std::string name = material.substr(marker_tag.size());
        offset_t object = mqo_first_object(mqo);
        offset_t found_object = -1, found_face = -1;
        for (std::int32_t i = 0; i < objects && !mqo.fault; ++i) {
            for (std::int32_t f = 0; f < mqo_num_face(mqo, object); ++f) {
                const offset_t face = mqo_face_at(mqo, object, f);
                std::int32_t index[3];
                if (mqo_face_material(mqo, face) == m && face_corners(mqo, object, face, index)) {
                    found_object = object;
                    found_face = face;
                }
            }
            object = mqo_next_object(mqo, object);
        }
        std::int32_t index[3];
        if (found_face >= 0 && face_corners(mqo, found_object, found_face, index))
            tags.push_back(tag_of_face(mqo, found_object, index, name));
    }
    offset_t object = mqo_first_object(mqo);
    for (std::int32_t i = 0; i < objects && !mqo.fault; ++i) {
        const std::string object_name = mqo_object_name(mqo, object);
        std::int32_t index[3];
        if (begins_with(object_name, marker_tag) && mqo_num_face(mqo, object) > 0 &&
            face_corners(mqo, object, mqo_face_at(mqo, object, 0), index)) {
            const std::string name = object_name.substr(marker_tag.size());
            const bool drawn = std::any_of(tags.begin(), tags.end(),
                                           [&](const drawn_tag& t) { return t.name == name; });
            if (!drawn) tags.push_back(tag_of_face(mqo, object, index, name));
        }
        object = mqo_next_object(mqo, object);
    }
    return tags;
}

} // namespace ossify
