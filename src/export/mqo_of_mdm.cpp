// An MDM posed by an MDX as an MQO model: the engine's skinning at one frame,
// ten times the engine's size.
#include <cstdio>
#include <vector>

#include "export/engine_units.hpp"
#include "export/mqo_export.hpp"
#include "export/mqo_surface_object.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"

namespace ossify {

namespace {

dvec3 modeller_position(const dvec3& v) {
    return {modeller_units_per_engine_unit * v[0], modeller_units_per_engine_unit * v[1],
            modeller_units_per_engine_unit * v[2]};
}

// Weights that name a bone the MDX does not have; the skinning leaves them out.
struct weight_count {
    long long off_skeleton = 0;
};

std::vector<surface_vertex> posed_vertices(const byte_region& mdm, offset_t surface,
                                           std::span<const posed_bone> posed,
                                           weight_count& weights) {
    std::vector<surface_vertex> vertices;
    const std::int32_t count = get_i32(mdm, surface + mdm_surface::num_verts);
    offset_t at = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
    for (std::int32_t v = 0; v < count; ++v) {
        const std::int32_t n = get_i32(mdm, at + mdm_vertex::num_weights);
        const std::vector<engine_weight> w = read_skin_weights(mdm, at + mdm_vertex::weights, n);
        for (const engine_weight& one : w)
            weights.off_skeleton +=
                one.bone < 0 || static_cast<std::size_t>(one.bone) >= posed.size() ? 1 : 0;
        const dvec3 p = skin_vertex(w, posed);
        vertices.push_back({{to_modeller(p[0]), to_modeller(p[1]), to_modeller(p[2])},
                            {get_f32(mdm, at + mdm_vertex::tex_coords),
                             get_f32(mdm, at + mdm_vertex::tex_coords + 4)}});
        at += mdm_vertex::weights + skin_weight::size * n;
    }
    return vertices;
}

// Adds the object of the surface at `surface`; false when it is not finite.
bool add_surface(const byte_region& mdm, offset_t surface, std::span<const posed_bone> posed,
                 weight_count& weights, mqo_document& document) {
    const std::string name = get_text(mdm, surface + mdm_surface::name, skeletal_name_width);
    std::string material = get_text(mdm, surface + mdm_surface::shader, skeletal_name_width);
    if (material.empty()) material = name;
    const auto material_index = static_cast<std::int32_t>(document.materials.size());
    document.materials.push_back({material, {}});
    mqo_surface_object object(name, material_index, posed_vertices(mdm, surface, posed, weights));
    if (!surface_is_finite(object, name)) return false;
    const std::int32_t triangles = get_i32(mdm, surface + mdm_surface::num_triangles);
    offset_t at = surface + get_i32(mdm, surface + mdm_surface::ofs_triangles);
    int left_out = 0;
    for (std::int32_t t = 0; t < triangles; ++t, at += triangle_size)
        left_out += object.add_triangle(get_i32(mdm, at), get_i32(mdm, at + index_size),
                                        get_i32(mdm, at + 2 * index_size))
                        ? 0
                        : 1;
    if (left_out > 0)
        std::fprintf(stderr,
                     "write_mqo : surface \"%s\": %d triangles have a corner that is no vertex "
                     "of the surface and are left out\n",
                     name.c_str(), left_out);
    document.objects.push_back(object.finish(name));
    return true;
}

} // namespace

bool mqo_of_posed_mdm(const byte_region& mdm, const byte_region& mdx, std::int32_t frame,
                      mqo_document& document) {
    const mdx_info skeleton = read_mdx_info(mdx);
    const std::vector<skeleton_bone> bones =
        read_skeleton_bones(mdx, skeleton.ofs_bones, skeleton.num_bones);
    const std::vector<posed_bone> posed =
        pose_stored_frame(mdx, frame_at(skeleton.ofs_frames, skeleton.num_bones, frame), bones);

    const mdm_info mesh = read_mdm_info(mdm);
    weight_count weights;
    offset_t at = mesh.ofs_surfaces;
    for (int s = 0; s < mesh.num_surfaces; ++s) {
        if (!add_surface(mdm, at, posed, weights, document)) return false;
        at += get_i32(mdm, at + mdm_surface::ofs_end);
    }
    if (weights.off_skeleton > 0)
        std::fprintf(stderr,
                     "write_mqo : %lld weights name a bone the MDX does not have (it has %d); "
                     "they are left out and the model is torn where they were: pose the MDM "
                     "with the animation it was made for\n",
                     weights.off_skeleton, skeleton.num_bones);

    at = mesh.ofs_tags;
    for (int t = 0; t < mesh.num_tags; ++t) {
        const std::string name = get_text(mdm, at + mdm_tag::name, skeletal_name_width);
        const std::int32_t bone = get_i32(mdm, at + mdm_tag::attach_bone);
        const dvec3 offset = get_dvec3(mdm, at + mdm_tag::offset);
        const bone_rotation axis = get_rotation_rows(mdm, at + mdm_tag::axis);
        // A tag on a bone the MDX does not have stays in the model's frame.
        const bool on_bone = bone >= 0 && bone < skeleton.num_bones;
        const placed_tag placed =
            place_tag(on_bone ? posed[static_cast<std::size_t>(bone)] : posed_bone{}, offset, axis);
        if (!on_bone)
            std::fprintf(stderr,
                         "write_mqo : tag \"%s\" is attached to bone %d, which the MDX does not "
                         "have; it is placed at its offset from the model's origin\n",
                         name.c_str(), bone);
        if (!add_tag_object(document, name, modeller_position(placed.origin), placed.axes))
            return false;
        at += get_i32(mdm, at + mdm_tag::ofs_end);
    }
    return true;
}

} // namespace ossify
