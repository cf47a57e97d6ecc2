// Previews of the skeletal formats: an MDS with its own frames, and an MDM
// posed by an MDX. Both files have passed their loaders' structural checks, so
// every count and offset walked here lies inside the file; what the checks do
// not cover (triangle corners, weight bone numbers) is checked here.
#include <algorithm>
#include <cstdio>

#include "preview/preview_model.hpp"
#include "skeletal/collapse_replay.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"

namespace ossify {

namespace {

// The bone infos (MDS and MDX alike) as joints and as the poser's skeleton.
std::vector<skeleton_bone> read_skeleton(const byte_region& file, std::int32_t ofs_bones,
                                         std::int32_t count, preview_model& model) {
    const std::vector<skeleton_bone> bones = read_skeleton_bones(file, ofs_bones, count);
    const std::vector<std::int32_t> parents = posing_order_of(bones).parents;
    for (std::int32_t b = 0; b < count; ++b)
        model.joints.push_back(
            {get_text(file, bone_info_at(ofs_bones, b) + mds_bone_info::name, skeletal_name_width),
             parents[static_cast<std::size_t>(b)]});
    return bones;
}

// Every frame (MDS and MDX alike), posed; the bind frame is `bind_frame` when
// the file has it, else the first.
void pose_frames(const byte_region& file, std::int32_t ofs_frames, std::int32_t num_frames,
                 std::span<const skeleton_bone> bones, std::int32_t bind_frame,
                 preview_model& model) {
    const auto count = static_cast<offset_t>(bones.size());
    for (std::int32_t f = 0; f < num_frames; ++f)
        model.frames.push_back(pose_stored_frame(file, frame_at(ofs_frames, count, f), bones));
    model.bind_frame =
        bind_frame >= 0 && bind_frame < num_frames ? static_cast<std::size_t>(bind_frame) : 0;
}

// The fields of one MDS or MDM vertex record.
struct vertex_fields {
    offset_t weights;
    offset_t fixed_size;
};

// The name, material and vertices of the surface whose header is at `header`,
// its vertices read from `vertices` on. Returns where the vertices end.
offset_t read_surface(const byte_region& file, offset_t header, offset_t vertices,
                      vertex_fields fields, std::span<const posed_bone> bind,
                      preview_model& model) {
    preview_surface surface;
    surface.name = get_text(file, header + mds_surface::name, skeletal_name_width);
    surface.material = get_text(file, header + mds_surface::shader, skeletal_name_width);
    if (surface.material.empty()) surface.material = surface.name;
    const std::int32_t num_verts = get_i32(file, header + mds_surface::num_verts);
    offset_t at = vertices;
    for (std::int32_t v = 0; v < num_verts; ++v) {
        const std::int32_t count = get_i32(file, at + mdm_vertex::num_weights);
        const std::vector<engine_weight> weights =
            read_skin_weights(file, at + fields.weights, count);
        surface.vertices.push_back(
            skinned_preview_vertex(weights, bind, get_dvec3(file, at + mdm_vertex::normal),
                                   {get_f32(file, at + mdm_vertex::tex_coords),
                                    get_f32(file, at + mdm_vertex::tex_coords + vec3_y)},
                                   model));
        at = at + fields.fixed_size + skin_weight::size * count;
    }
    model.surfaces.push_back(std::move(surface));
    return at;
}

void read_triangles(const byte_region& file, offset_t at, std::int32_t count,
                    preview_surface& surface, preview_model& model) {
    for (std::int32_t t = 0; t < count; ++t, at += triangle_size)
        add_triangle(
            surface,
            {get_i32(file, at), get_i32(file, at + index_size), get_i32(file, at + 2 * index_size)},
            model);
}

// The triangles of an MDM surface as the engine draws them at lod
// `lod_percent` / 100: its minimum level of detail applies, every vertex past
// the render count is drawn where the collapse map sends it. A triangle that
// reads a stale collapse entry is left out and counted.
void read_triangles_at_level(const byte_region& mdm, offset_t surface, std::int32_t lod_percent,
                             preview_surface& out, preview_model& model) {
    const std::int32_t vertices = std::max(get_i32(mdm, surface + mdm_surface::num_verts), 0);
    const offset_t map_at = surface + get_i32(mdm, surface + mdm_surface::ofs_collapse_map);
    const offset_t triangles_at = surface + get_i32(mdm, surface + mdm_surface::ofs_triangles);
    const std::int32_t count = std::max(get_i32(mdm, surface + mdm_surface::num_triangles), 0);
    if (!fits(mdm, map_at, index_size * vertices) ||
        !fits(mdm, triangles_at, triangle_size * count))
        return;
    std::vector<std::int32_t> map(static_cast<std::size_t>(vertices));
    for (std::int32_t j = 0; j < vertices; ++j)
        map[static_cast<std::size_t>(j)] = get_i32(mdm, map_at + index_size * j);
    std::vector<index_triangle> triangles(static_cast<std::size_t>(count));
    for (std::int32_t t = 0; t < count; ++t)
        for (std::size_t c = 0; c < 3; ++c)
            triangles[static_cast<std::size_t>(t)][c] = get_i32(
                mdm, triangles_at + triangle_size * t + index_size * static_cast<offset_t>(c));
    const std::int32_t render_count =
        engine_render_count(vertices, static_cast<float>(lod_percent) / 100.0f,
                            get_i32(mdm, surface + mdm_surface::min_lod));
    for (const index_triangle& t : replay_collapse_map(map, triangles, render_count)) {
        if (t[0] < 0 || t[1] < 0 || t[2] < 0) {
            ++model.triangles_stray;
            continue;
        }
        add_triangle(out, t, model);
    }
}

static_assert(mds_vertex::normal == mdm_vertex::normal &&
              mds_vertex::tex_coords == mdm_vertex::tex_coords &&
              mds_vertex::num_weights == mdm_vertex::num_weights);

} // namespace

bool preview_of_mds(const byte_region& mds, std::int32_t bind_frame, preview_model& model) {
    const mds_info info = read_mds_info(mds);
    const std::vector<skeleton_bone> bones =
        read_skeleton(mds, info.ofs_bones, info.num_bones, model);
    pose_frames(mds, info.ofs_frames, info.num_frames, bones, bind_frame, model);
    const std::vector<posed_bone>& bind = model.frames[model.bind_frame];
    // Surfaces lie packed: vertices behind the header, then triangles, collapse
    // map and bone references, then the next surface.
    offset_t at = info.ofs_surfaces;
    for (int s = 0; s < info.num_surfaces; ++s) {
        const offset_t triangles = read_surface(
            mds, at, at + mds_surface::size, {mds_vertex::weights, mds_vertex::size}, bind, model);
        const std::int32_t num_triangles = get_i32(mds, at + mds_surface::num_triangles);
        read_triangles(mds, triangles, num_triangles, model.surfaces.back(), model);
        const offset_t collapse_bytes = mds_collapse_map_bytes(mds, at);
        at = triangles + triangle_size * num_triangles + collapse_bytes +
             index_size * get_i32(mds, at + mds_surface::num_bone_refs);
    }
    return true;
}

bool preview_of_mdm_on_mdx(const byte_region& mdm, const byte_region& mdx, std::int32_t bind_frame,
                           preview_model& model, std::int32_t lod_percent) {
    const mdx_info skeleton = read_mdx_info(mdx);
    if (skeleton.num_frames < 1) {
        std::printf("ERROR:This MDX has no frame to pose the MDM with.\n");
        return false;
    }
    const std::vector<skeleton_bone> bones =
        read_skeleton(mdx, skeleton.ofs_bones, skeleton.num_bones, model);
    pose_frames(mdx, skeleton.ofs_frames, skeleton.num_frames, bones, bind_frame, model);
    const std::vector<posed_bone>& bind = model.frames[model.bind_frame];

    const mdm_info mesh = read_mdm_info(mdm);
    offset_t at = mesh.ofs_surfaces;
    for (int s = 0; s < mesh.num_surfaces; ++s) {
        read_surface(mdm, at, at + get_i32(mdm, at + mdm_surface::ofs_verts),
                     {mdm_vertex::weights, mdm_vertex::size}, bind, model);
        if (lod_percent > 0 && lod_percent < 100)
            read_triangles_at_level(mdm, at, lod_percent, model.surfaces.back(), model);
        else
            read_triangles(mdm, at + get_i32(mdm, at + mdm_surface::ofs_triangles),
                           get_i32(mdm, at + mdm_surface::num_triangles), model.surfaces.back(),
                           model);
        at += get_i32(mdm, at + mdm_surface::ofs_end);
    }
    at = mesh.ofs_tags;
    for (int t = 0; t < mesh.num_tags; ++t) {
        preview_tag tag;
        tag.name = get_text(mdm, at + mdm_tag::name, skeletal_name_width);
        const std::int32_t bone = get_i32(mdm, at + mdm_tag::attach_bone);
        tag.joint = bone >= 0 && bone < skeleton.num_bones ? bone : -1;
        tag.offset = get_dvec3(mdm, at + mdm_tag::offset);
        tag.axis = get_rotation_rows(mdm, at + mdm_tag::axis);
        model.tags.push_back(std::move(tag));
        at += get_i32(mdm, at + mdm_tag::ofs_end);
    }
    return true;
}

} // namespace ossify
