// One surface of the MDS to MDM conversion: the header with its offsets moved
// for the shorter MDM vertices, then vertices, triangles, collapse map and bone
// references, read packed one after another.
#include <cstdio>

#include "base/trace_line.hpp"
#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

// The weights of one vertex, bone numbers renumbered. Returns the bytes read.
offset_t copy_weights(const byte_region& mds, offset_t from, byte_region& mdm, offset_t to,
                      int number, std::int32_t vertex, std::int32_t num_verts,
                      std::int32_t num_weights, const bone_table& bone_remap) {
    for (std::int32_t w = 0; w < num_weights; ++w) {
        const offset_t source = from + skin_weight::size * w;
        const offset_t target = to + skin_weight::size * w;
        copy_bytes(mdm, target, mds, source, skin_weight::size);
        const std::int32_t bone = remap_bone(bone_remap, get_i32(mds, source + skin_weight::bone));
        put_i32(mdm, target + skin_weight::bone, bone);
        const float offset[3] = {get_f32(mds, source + skin_weight::offset),
                                 get_f32(mds, source + skin_weight::offset + vec3_y),
                                 get_f32(mds, source + skin_weight::offset + vec3_z)};
        print_weight_line("Report_MDM", number, vertex, num_verts, w, bone,
                          get_f32(mds, source + skin_weight::weight), offset);
    }
    return skin_weight::size * num_weights;
}

void write_surface_header(const byte_region& mds, offset_t s, byte_region& mdm, offset_t m,
                          offset_t written_before) {
    const auto field = [&](offset_t f) { return offset_t{get_i32(mds, s + f)}; };
    const auto put = [&](offset_t f, offset_t value) {
        put_i32(mdm, m + f, static_cast<std::int32_t>(value));
    };
    put(mdm_surface::ident, mdm_surface_ident);
    copy_bytes(mdm, m + mdm_surface::name, mds, s + mds_surface::name, skeletal_name_width);
    copy_bytes(mdm, m + mdm_surface::shader, mds, s + mds_surface::shader, skeletal_name_width);
    put(mdm_surface::shader_index, 0);
    put(mdm_surface::min_lod, field(mds_surface::min_lod));
    put(mdm_surface::ofs_header, -(mdm_header::size + written_before));
    put(mdm_surface::num_verts, field(mds_surface::num_verts));
    put(mdm_surface::num_triangles, field(mds_surface::num_triangles));
    put(mdm_surface::num_bone_refs, field(mds_surface::num_bone_refs));
    put(mdm_surface::ofs_verts, mdm_surface::size);
    // The stored MDS offsets move by the bytes the MDM vertices drop. A loaded
    // MDS has every one inside the file, so none of these leaves the int32 range.
    const offset_t triangles = field(mds_surface::ofs_triangles) - field(mds_surface::ofs_verts) +
                               mdm_surface::size -
                               mds_only_vertex_bytes * field(mds_surface::num_verts);
    const offset_t collapse_map =
        triangles + (field(mds_surface::ofs_collapse_map) - field(mds_surface::ofs_triangles));
    const offset_t bone_refs =
        collapse_map + (field(mds_surface::ofs_bone_refs) - field(mds_surface::ofs_collapse_map));
    const offset_t end =
        bone_refs + (field(mds_surface::ofs_end) - field(mds_surface::ofs_bone_refs));
    put(mdm_surface::ofs_triangles, triangles);
    put(mdm_surface::ofs_collapse_map, collapse_map);
    put(mdm_surface::ofs_bone_refs, bone_refs);
    put(mdm_surface::ofs_end, end);
}

} // namespace

offset_t copy_mds_surface(const byte_region& mds, offset_t mds_at, byte_region& mdm,
                          offset_t mdm_at, int number, offset_t written_before,
                          const bone_table& bone_remap, offset_t& mds_next) {
    write_surface_header(mds, mds_at, mdm, mdm_at, written_before);
    const std::int32_t num_verts = get_i32(mds, mds_at + mds_surface::num_verts);
    const std::int32_t num_triangles = get_i32(mds, mds_at + mds_surface::num_triangles);
    const std::int32_t num_bone_refs = get_i32(mds, mds_at + mds_surface::num_bone_refs);
    offset_t from = mds_at + mds_surface::size;
    offset_t to = mdm_at + mdm_surface::size;
    offset_t size = mdm_surface::size;

    for (std::int32_t v = 0; v < num_verts; ++v) {
        const std::int32_t num_weights = get_i32(mds, from + mds_vertex::num_weights);
        copy_bytes(mdm, to, mds, from, mdm_vertex::size); // normal, texture coordinates, count
        const float normal[3] = {get_f32(mds, from + mds_vertex::normal),
                                 get_f32(mds, from + mds_vertex::normal + vec3_y),
                                 get_f32(mds, from + mds_vertex::normal + vec3_z)};
        const float uv[2] = {get_f32(mds, from + mds_vertex::tex_coords),
                             get_f32(mds, from + mds_vertex::tex_coords + vec3_y)};
        print_vertex_line("Report_MDM", number, v, num_verts, num_weights, normal, uv);
        const offset_t weights =
            copy_weights(mds, from + mds_vertex::weights, mdm, to + mdm_vertex::weights, number, v,
                         num_verts, num_weights, bone_remap);
        from += mds_vertex::weights + weights;
        to += mdm_vertex::weights + weights;
        size += mdm_vertex::weights + weights;
    }

    for (std::int32_t t = 0; t < num_triangles; ++t) {
        copy_bytes(mdm, to, mds, from, triangle_size);
        const int index[3] = {get_i32(mds, from), get_i32(mds, from + index_size),
                              get_i32(mds, from + 2 * index_size)};
        print_triangle_line("Report_MDM", number, t, num_triangles, index);
        from += triangle_size;
        to += triangle_size;
    }
    size += triangle_size * num_triangles;

    const offset_t collapse_bytes = mds_collapse_map_bytes(mds, mds_at);
    copy_bytes(mdm, to, mds, from, collapse_bytes);
    from += collapse_bytes;
    to += collapse_bytes;
    size += collapse_bytes;

    for (std::int32_t r = 0; r < num_bone_refs; ++r) {
        put_i32(mdm, to, remap_bone(bone_remap, get_i32(mds, from)));
        from += index_size;
        to += index_size;
    }
    size += index_size * num_bone_refs;

    const std::int32_t end = get_i32(mdm, mdm_at + mdm_surface::ofs_end);
    const offset_t written = to - mdm_at;
    if (size != end || size != written)
        std::printf("Oops, Offset does not match total size in #%d surface."
                    "(SIZE:%d)(OFFSET:%d)(ADDRESS:%d)\n",
                    number, static_cast<int>(size), end, static_cast<int>(written));
    mds_next = from;
    return size;
}

} // namespace ossify
