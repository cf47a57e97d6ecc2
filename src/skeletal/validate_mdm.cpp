// Structural check of a loaded MDM: surfaces and tags chained by their end
// offsets, each array inside the surface or tag it belongs to. Since surfaces
// and tags follow one another without overlapping, every walk over a checked
// file is linear in its size (arrays that several surfaces shared would let a
// small file hold millions of vertices).
#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

bool vertices_pass(const byte_region& mdm, offset_t at, std::int32_t count) {
    for (std::int32_t v = 0; v < count; ++v) {
        if (!fits(mdm, at, mdm_vertex::size)) return false;
        const std::int32_t weights = get_i32(mdm, at + mdm_vertex::num_weights);
        if (weights < 0 || !fits(mdm, at + mdm_vertex::weights, skin_weight::size * weights))
            return false;
        at += mdm_vertex::weights + skin_weight::size * weights;
    }
    return true;
}

// An array of `count` records of `size` bytes at the offset stored in the field
// `offset_field` of `record`: inside the record and behind its header, so that
// no edit of the array can change the counts and offsets the walks rely on.
bool array_fits(const byte_region& record, offset_t offset_field, offset_t header,
                std::int32_t count, offset_t size) {
    const offset_t at = get_i32(record, offset_field);
    if (count < 0 || !fits(record, at, size * count)) return false;
    return count == 0 || at >= header;
}

bool surface_passes(const byte_region& mdm, offset_t start, int s) {
    const bool header_fits = fits(mdm, start, mdm_surface::size);
    const std::int32_t end = header_fits ? get_i32(mdm, start + mdm_surface::ofs_end) : 0;
    if (end < mdm_surface::size || !fits(mdm, start, end))
        return refuse("ERROR:MDM surface %d lies outside the file.\n", s);
    const byte_region surface = sub_region(mdm, start, end);
    const std::int32_t num_verts = get_i32(surface, mdm_surface::num_verts);
    const std::int32_t ofs_verts = get_i32(surface, mdm_surface::ofs_verts);
    if (num_verts < 0 || (num_verts > 0 && ofs_verts < mdm_surface::size) ||
        !vertices_pass(surface, ofs_verts, num_verts))
        return refuse("ERROR:The vertices of MDM surface %d run past the surface.\n", s);
    constexpr offset_t header = mdm_surface::size;
    if (!array_fits(surface, mdm_surface::ofs_triangles, header,
                    get_i32(surface, mdm_surface::num_triangles), triangle_size) ||
        !array_fits(surface, mdm_surface::ofs_collapse_map, header, num_verts, index_size) ||
        !array_fits(surface, mdm_surface::ofs_bone_refs, header,
                    get_i32(surface, mdm_surface::num_bone_refs), index_size))
        return refuse("ERROR:The triangles, collapse map or bone references of MDM surface %d "
                      "run past the surface.\n",
                      s);
    return true;
}

bool tag_passes(const byte_region& mdm, offset_t start, int t) {
    const bool header_fits = fits(mdm, start, mdm_tag::size);
    const std::int32_t end = header_fits ? get_i32(mdm, start + mdm_tag::ofs_end) : 0;
    if (end < mdm_tag::size || !fits(mdm, start, end))
        return refuse("ERROR:MDM tag %d lies outside the file.\n", t);
    const byte_region tag = sub_region(mdm, start, end);
    if (!array_fits(tag, mdm_tag::ofs_bone_refs, mdm_tag::size,
                    get_i32(tag, mdm_tag::num_bone_refs), index_size))
        return refuse("ERROR:The bone list of MDM tag %d runs past the tag.\n", t);
    return true;
}

} // namespace

bool validate_mdm(const byte_region& mdm) {
    const mdm_info info = read_mdm_info(mdm);
    // Surfaces and tags lie behind the header, whose counts bound every walk.
    if (info.num_surfaces < 0 || !fits(mdm, info.ofs_surfaces, 0) ||
        (info.num_surfaces > 0 && info.ofs_surfaces < mdm_header::size))
        return refuse("ERROR:The surfaces of this MDM lie outside the file.\n");
    offset_t at = info.ofs_surfaces;
    for (int s = 0; s < info.num_surfaces; ++s) {
        if (!surface_passes(mdm, at, s)) return false;
        at += get_i32(mdm, at + mdm_surface::ofs_end);
    }
    // The tag block runs from the offset to tags to the end of the file.
    if (info.num_tags < 0 || !fits(mdm, info.ofs_tags, 0) || info.ofs_tags < mdm_header::size)
        return refuse("ERROR:The tags of this MDM lie outside the file.\n");
    at = info.ofs_tags;
    for (int t = 0; t < info.num_tags; ++t) {
        if (!tag_passes(mdm, at, t)) return false;
        at += get_i32(mdm, at + mdm_tag::ofs_end);
    }
    return true;
}

} // namespace ossify
