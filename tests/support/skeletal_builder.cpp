#include "support/skeletal_builder.hpp"

#include "skeletal/skeletal_layout.hpp"

namespace ossify_test {

using namespace ossify;

namespace {

std::int32_t i32(offset_t value) {
    return static_cast<std::int32_t>(value);
}

template <typename list> offset_t count(const list& values) {
    return static_cast<offset_t>(values.size());
}

void put_floats(byte_region& r, offset_t at, const float* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        put_f32(r, at + f32_size * static_cast<offset_t>(i), values[i]);
}

// Writes the values one after another from `at`; returns the offset past them.
offset_t put_ints(byte_region& r, offset_t at, const std::vector<std::int32_t>& values) {
    for (std::int32_t v : values) {
        put_i32(r, at, v);
        at += index_size;
    }
    return at;
}

offset_t surface_size(const surface_desc& s, offset_t vertex_size) {
    offset_t size = mds_surface::size;
    for (const vertex_desc& v : s.vertices)
        size += vertex_size + skin_weight::size * count(v.weights);
    return size + triangle_size * count(s.triangles) +
           index_size * (count(s.collapse_map) + count(s.bone_refs));
}

// Writes one packed surface at `at` and returns its size. `vertex_size` is 32
// (MDS) or 24 (MDM).
offset_t put_surface(byte_region& r, offset_t at, const surface_desc& s, offset_t vertex_size,
                     std::int32_t ident) {
    put_i32(r, at + mds_surface::ident, ident);
    put_text(r, at + mds_surface::name, skeletal_name_width, s.name.c_str());
    put_text(r, at + mds_surface::shader, skeletal_name_width, s.shader.c_str());
    put_i32(r, at + mds_surface::min_lod, s.min_lod);
    put_i32(r, at + mds_surface::ofs_header, i32(-at));
    offset_t p = at + mds_surface::size;
    for (const vertex_desc& v : s.vertices) {
        put_floats(r, p, v.normal.data(), 3);
        put_floats(r, p + mdm_vertex::tex_coords, v.uv.data(), 2);
        put_i32(r, p + mdm_vertex::num_weights, i32(count(v.weights)));
        p += vertex_size;
        for (const weight_desc& w : v.weights) {
            put_i32(r, p + skin_weight::bone, w.bone);
            put_f32(r, p + skin_weight::weight, w.weight);
            put_floats(r, p + skin_weight::offset, w.offset.data(), 3);
            p += skin_weight::size;
        }
    }
    put_i32(r, at + mds_surface::num_verts, i32(count(s.vertices)));
    put_i32(r, at + mds_surface::ofs_verts, i32(mds_surface::size));
    put_i32(r, at + mds_surface::num_triangles, i32(count(s.triangles)));
    put_i32(r, at + mds_surface::ofs_triangles, i32(p - at));
    for (const auto& t : s.triangles)
        p = put_ints(r, p, {t.begin(), t.end()});
    put_i32(r, at + mds_surface::ofs_collapse_map, i32(p - at));
    p = put_ints(r, p, s.collapse_map);
    put_i32(r, at + mds_surface::num_bone_refs, i32(count(s.bone_refs)));
    put_i32(r, at + mds_surface::ofs_bone_refs, i32(p - at));
    p = put_ints(r, p, s.bone_refs);
    put_i32(r, at + mds_surface::ofs_end, i32(p - at));
    return p - at;
}

void put_frames(byte_region& r, offset_t at, const std::vector<frame_desc>& frames,
                offset_t bones) {
    for (const frame_desc& f : frames) {
        put_floats(r, at, f.header.data(), f.header.size());
        for (offset_t b = 0; b < count(f.bones) && b < bones; ++b) {
            const offset_t p = at + mds_frame::bone_frames + mds_bone_frame::size * b;
            const bone_frame_desc& bone = f.bones[static_cast<std::size_t>(b)];
            // Four angles, then the two offset angles right after them.
            for (offset_t k = 0; k < 6; ++k)
                put_i16(r, p + mds_bone_frame::angle_step * k,
                        k < 4 ? bone.angles[static_cast<std::size_t>(k)]
                              : bone.offset_angles[static_cast<std::size_t>(k - 4)]);
        }
        at += frame_size(bones);
    }
}

void put_bones(byte_region& r, offset_t at, const std::vector<bone_desc>& bones) {
    for (const bone_desc& b : bones) {
        put_text(r, at + mds_bone_info::name, skeletal_name_width, b.name.c_str());
        put_i32(r, at + mds_bone_info::parent, b.parent);
        put_f32(r, at + mds_bone_info::torso_weight, b.torso_weight);
        put_f32(r, at + mds_bone_info::parent_dist, b.parent_dist);
        put_i32(r, at + mds_bone_info::flags, b.flags);
        at += mds_bone_info::size;
    }
}

} // namespace

byte_region region_of(bytes& file) {
    return byte_region{file.data(), file.size()};
}

bytes build_mds(const mds_desc& desc) {
    const offset_t bones = count(desc.bones);
    const offset_t ofs_bones = mds_header::size + frame_size(bones) * count(desc.frames);
    const offset_t ofs_surfaces = ofs_bones + mds_bone_info::size * bones;
    offset_t end = ofs_surfaces;
    for (const surface_desc& s : desc.surfaces)
        end += surface_size(s, mds_vertex::size);

    bytes file(static_cast<std::size_t>(end));
    byte_region r = region_of(file);
    put_chars(r, mds_header::ident, mds_header::ident_text);
    put_i32(r, mds_header::version, mds_header::version_number);
    put_text(r, mds_header::name, skeletal_name_width, desc.name.c_str());
    put_f32(r, mds_header::lod_scale, desc.lod_scale);
    put_f32(r, mds_header::lod_bias, desc.lod_bias);
    put_i32(r, mds_header::num_frames, i32(count(desc.frames)));
    put_i32(r, mds_header::num_bones, i32(bones));
    put_i32(r, mds_header::ofs_frames, i32(mds_header::size));
    put_i32(r, mds_header::ofs_bones, i32(ofs_bones));
    put_i32(r, mds_header::torso_parent, desc.torso_parent);
    put_i32(r, mds_header::num_surfaces, i32(count(desc.surfaces)));
    put_i32(r, mds_header::ofs_surfaces, i32(ofs_surfaces));
    put_i32(r, mds_header::ofs_end, i32(end));
    put_frames(r, mds_header::size, desc.frames, bones);
    put_bones(r, ofs_bones, desc.bones);
    offset_t at = ofs_surfaces;
    for (const surface_desc& s : desc.surfaces)
        at += put_surface(r, at, s, mds_vertex::size, 0);
    return file;
}

bytes build_mdm(const mdm_desc& desc) {
    offset_t ofs_tags = mdm_header::size;
    for (const surface_desc& s : desc.surfaces)
        ofs_tags += surface_size(s, mdm_vertex::size);
    offset_t end = ofs_tags;
    for (const tag_desc& t : desc.tags)
        end += mdm_tag::size + index_size * count(t.bone_refs);

    bytes file(static_cast<std::size_t>(end));
    byte_region r = region_of(file);
    put_chars(r, mdm_header::ident, mdm_header::ident_text);
    put_i32(r, mdm_header::version, mdm_header::version_number);
    put_text(r, mdm_header::name, skeletal_name_width, desc.name.c_str());
    put_f32(r, mdm_header::lod_scale, desc.lod_scale);
    put_f32(r, mdm_header::lod_bias, desc.lod_bias);
    put_i32(r, mdm_header::num_surfaces, i32(count(desc.surfaces)));
    put_i32(r, mdm_header::ofs_surfaces, i32(mdm_header::size));
    put_i32(r, mdm_header::num_tags, i32(count(desc.tags)));
    put_i32(r, mdm_header::ofs_tags, i32(ofs_tags));
    put_i32(r, mdm_header::ofs_end, i32(end));
    offset_t at = mdm_header::size;
    for (const surface_desc& s : desc.surfaces)
        at += put_surface(r, at, s, mdm_vertex::size, mdm_surface_ident);
    for (const tag_desc& t : desc.tags) {
        put_text(r, at + mdm_tag::name, skeletal_name_width, t.name.c_str());
        put_floats(r, at + mdm_tag::axis, t.axis.data(), t.axis.size());
        put_i32(r, at + mdm_tag::attach_bone, t.attach_bone);
        put_floats(r, at + mdm_tag::offset, t.offset.data(), 3);
        put_i32(r, at + mdm_tag::num_bone_refs, i32(count(t.bone_refs)));
        put_i32(r, at + mdm_tag::ofs_bone_refs, i32(mdm_tag::size));
        const offset_t next = put_ints(r, at + mdm_tag::size, t.bone_refs);
        put_i32(r, at + mdm_tag::ofs_end, i32(next - at));
        at = next;
    }
    return file;
}

bytes build_mdx(const mdx_desc& desc) {
    const offset_t bones = count(desc.bones);
    const offset_t ofs_bones = mdx_header::size + frame_size(bones) * count(desc.frames);
    const offset_t end = ofs_bones + mds_bone_info::size * bones;
    bytes file(static_cast<std::size_t>(end));
    byte_region r = region_of(file);
    put_chars(r, mdx_header::ident, mdx_header::ident_text);
    put_i32(r, mdx_header::version, mdx_header::version_number);
    put_text(r, mdx_header::name, skeletal_name_width, desc.name.c_str());
    put_i32(r, mdx_header::num_frames, i32(count(desc.frames)));
    put_i32(r, mdx_header::num_bones, i32(bones));
    put_i32(r, mdx_header::ofs_frames, i32(mdx_header::size));
    put_i32(r, mdx_header::ofs_bones, i32(ofs_bones));
    put_i32(r, mdx_header::torso_parent, desc.torso_parent);
    put_i32(r, mdx_header::ofs_end, i32(end));
    put_frames(r, mdx_header::size, desc.frames, bones);
    put_bones(r, ofs_bones, desc.bones);
    return file;
}
mds_desc sample_mds_desc() {
    mds_desc s;
    s.name = "sample";
    s.lod_scale = 1.5f;
    s.lod_bias = 0.25f;
    s.torso_parent = 4; // "neck", after the tag bone "tag_back": MDX bone 3
    s.bones = {{"pelvis", -1, 0.0f, 0.0f, 0},  {"spine", 0, 0.5f, 8.0f, 0},
               {"tag_back", 1, 0.0f, 6.0f, 1}, {"chest", 1, 0.75f, 10.0f, 0},
               {"neck", 3, 1.0f, 4.0f, 0},     {"head", 4, 1.0f, 3.5f, 0},
               {"tag_head", 5, 0.0f, 2.0f, 1}};
    frame_desc rest;
    rest.header = {-10, -10, 0, 10, 10, 40, 0, 0, 20, 30, 0, 0, 0};
    rest.bones.resize(s.bones.size());
    frame_desc turned = rest;
    turned.header[6] = 1.5f; // local origin moved along x
    turned.bones[1].angles = {4096, 0, 0, 0};
    turned.bones[3].angles = {0, 16384, 0, 0};
    turned.bones[1].offset_angles = {0, -16384};
    turned.bones[5].angles = {2048, 1024, -8192, 0};
    turned.bones[5].offset_angles = {8192, 4096};
    s.frames = {rest, turned};

    surface_desc body;
    body.name = "body";
    body.shader = "models/sample/body";
    body.vertices = {{{0, 0, 1}, {0, 0}, {{0, 1.0f, {1, 2, 3}}}},
                     {{0, 1, 0}, {1, 0}, {{1, 0.5f, {0, 4, 0}}, {3, 0.5f, {0, 0, -2}}}},
                     {{1, 0, 0}, {1, 1}, {{4, 1.0f, {-1.25f, 0, 0.5f}}}},
                     {{0, 0, -1}, {0, 1}, {{3, 0.25f, {2, 2, 2}}, {1, 0.75f, {-3, 0, 1}}}}};
    body.triangles = {{0, 1, 2}, {0, 2, 3}};
    body.collapse_map = {0, 1, 2, 2};
    body.bone_refs = {0, 1, 3, 4};
    surface_desc head;
    head.name = "head";
    head.shader = "models/sample/head";
    head.min_lod = 1;
    head.vertices = {{{0, 0, 1}, {0.5f, 0}, {{5, 1.0f, {0, 0, 3}}}},
                     {{0, 1, 0}, {1, 0.5f}, {{5, 0.5f, {1, 0, 3}}, {4, 0.5f, {1, 0, 7}}}},
                     {{1, 0, 0}, {0, 0.5f}, {{5, 1.0f, {-1, 0, 3}}}}};
    head.triangles = {{0, 1, 2}};
    head.collapse_map = {0, 0, 0};
    head.bone_refs = {0, 1, 3, 4, 5};
    s.surfaces = {body, head};
    return s;
}

mdm_desc reference_mdm_desc() {
    mdm_desc m;
    m.name = "reference";
    m.surfaces = {{"plate",
                   "models/reference/plate",
                   0,
                   {{{0, 0, 1}, {0, 0}, {{0, 1.0f, {}}}}},
                   {},
                   {0},
                   {0}}};
    m.tags = {{"tag_back", {0, 1, 0, -1, 0, 0, 0, 0, 1}, 1, {0, 0, 6}, {0, 1}},
              {"tag_head", {1, 0, 0, 0, 1, 0, 0, 0, 1}, 4, {2, 0, 0}, {0, 1, 2, 3, 4}},
              {"tag_weapon", {1, 0, 0, 0, 0, 1, 0, -1, 0}, 2, {5, -1, 0}, {0, 1, 2}}};
    return m;
}

mdx_desc reference_mdx_desc() {
    mdx_desc x;
    x.name = "reference";
    x.bones = {{"head", 2, 0.5f, 7.0f, 0},
               {"pelvis", -1, 0.0f, 0.0f, 0},
               {"neck", 3, 0.5f, 8.0f, 0},
               {"chest", 4, 0.25f, 20.0f, 0},
               {"spine", 1, 0.125f, 16.0f, 0}};
    x.frames = {{{}, std::vector<bone_frame_desc>(x.bones.size())}};
    return x;
}

} // namespace ossify_test
