#include "skeletal/surface_faults.hpp"

#include <algorithm>

#include "skeletal/skeletal_headers.hpp"

namespace ossify {

namespace {

// The next vertex after the one at `vertex`: its header, then its weights.
offset_t next_vertex(const byte_region& file, const surface_arrays& s, offset_t vertex) {
    return vertex + s.vertex_header +
           skin_weight::size * offset_t{get_i32(file, vertex + mdm_vertex::num_weights)};
}

void find_map_faults(const byte_region& file, surface_faults& f) {
    const surface_arrays& s = f.arrays;
    f.min_lod_out_of_range = s.min_lod < 0 || s.min_lod > s.num_verts;
    // The levels the engine draws start at the minimum LoD; one out of range
    // bounds nothing, so every entry counts.
    const std::int32_t first = f.min_lod_out_of_range ? 0 : s.min_lod;
    const std::int32_t entries = std::min(s.num_verts, s.map_entries);
    for (std::int32_t j = first; j < entries; ++j) {
        const std::int32_t target = get_i32(file, s.collapse_map + index_size * j);
        const bool outside = target < 0 || target >= s.num_verts;
        if (!outside && (j == 0 || target < j)) continue;
        if (f.bad_map_entries++ == 0) {
            f.first_bad_vertex = j;
            f.first_bad_target = target;
        }
    }
}

void find_unreferenced_weights(const byte_region& file, surface_faults& f) {
    const surface_arrays& s = f.arrays;
    std::vector<std::int32_t> refs(static_cast<std::size_t>(std::max(s.num_bone_refs, 0)));
    for (std::size_t r = 0; r < refs.size(); ++r)
        refs[r] = get_i32(file, s.bone_refs + index_size * static_cast<offset_t>(r));
    std::sort(refs.begin(), refs.end());
    offset_t vertex = s.vertices;
    for (std::int32_t v = 0; v < s.num_verts && !file.fault; ++v) {
        const std::int32_t weights = get_i32(file, vertex + mdm_vertex::num_weights);
        for (std::int32_t w = 0; w < weights; ++w) {
            const std::int32_t bone =
                get_i32(file, vertex + s.vertex_header + skin_weight::size * w + skin_weight::bone);
            if (std::binary_search(refs.begin(), refs.end(), bone)) continue;
            if (f.unreferenced_weights++ == 0) {
                f.first_unreferenced_vertex = v;
                f.first_unreferenced_bone = bone;
            }
        }
        vertex = next_vertex(file, s, vertex);
    }
}

} // namespace

offset_t first_surface(const byte_region& file, mesh_format format) {
    return get_i32(file, format == mesh_format::mdm ? mdm_header::ofs_surfaces
                                                    : mds_header::ofs_surfaces);
}

std::int32_t surface_count(const byte_region& file, mesh_format format) {
    return get_i32(file, format == mesh_format::mdm ? mdm_header::num_surfaces
                                                    : mds_header::num_surfaces);
}

surface_arrays surface_arrays_at(const byte_region& file, mesh_format format, offset_t header) {
    surface_arrays s;
    s.header = header;
    s.num_verts = get_i32(file, header + mdm_surface::num_verts);
    s.num_triangles = get_i32(file, header + mdm_surface::num_triangles);
    s.num_bone_refs = get_i32(file, header + mdm_surface::num_bone_refs);
    s.min_lod = get_i32(file, header + mdm_surface::min_lod);
    if (format == mesh_format::mdm) {
        const auto at = [&](offset_t field) { return header + get_i32(file, header + field); };
        s.vertices = at(mdm_surface::ofs_verts);
        s.vertex_header = mdm_vertex::weights;
        s.collapse_map = at(mdm_surface::ofs_collapse_map);
        s.map_entries = s.num_verts;
        s.bone_refs = at(mdm_surface::ofs_bone_refs);
        s.next = header + get_i32(file, header + mdm_surface::ofs_end);
        return s;
    }
    // An MDS surface is read packed: vertices right after the header, then the
    // triangles, the collapse map and the bone references.
    s.vertices = header + mds_surface::size;
    s.vertex_header = mds_vertex::weights;
    offset_t at = s.vertices;
    for (std::int32_t v = 0; v < s.num_verts && !file.fault; ++v)
        at = next_vertex(file, s, at);
    s.collapse_map = at + triangle_size * s.num_triangles;
    const offset_t map_bytes = mds_collapse_map_bytes(file, header);
    s.map_entries = static_cast<std::int32_t>(map_bytes / index_size);
    s.bone_refs = s.collapse_map + map_bytes;
    s.next = s.bone_refs + index_size * s.num_bone_refs;
    return s;
}

std::vector<surface_faults> find_surface_faults(const byte_region& file, mesh_format format) {
    std::vector<surface_faults> found;
    offset_t at = first_surface(file, format);
    const std::int32_t count = surface_count(file, format);
    for (int s = 0; s < count && !file.fault; ++s) {
        surface_faults f;
        f.surface = s;
        f.arrays = surface_arrays_at(file, format, at);
        find_map_faults(file, f);
        find_unreferenced_weights(file, f);
        found.push_back(f);
        at = f.arrays.next;
    }
    return found;
}

} // namespace ossify
