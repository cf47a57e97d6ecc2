// Structural check of a loaded MDS: bones, frames and the packed surfaces, in
// the order the conversions walk them.
#include <cstdio>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

bool is_bone(const mds_info& info, std::int32_t bone) {
    return bone >= 0 && bone < info.num_bones;
}

bool bones_pass(const byte_region& mds, const mds_info& info) {
    if (info.num_bones < 0 || info.num_bones > max_mds_bones)
        return refuse("ERROR:This MDS has %d bones; at most %d are supported.\n", info.num_bones,
                      max_mds_bones);
    if (!fits(mds, info.ofs_bones, mds_bone_info::size * info.num_bones))
        return refuse("ERROR:The bone infos of this MDS lie outside the file.\n");
    int regular = 0;
    for (std::int32_t b = 0; b < info.num_bones; ++b) {
        const offset_t at = bone_info_at(info.ofs_bones, b);
        const std::int32_t parent = get_i32(mds, at + mds_bone_info::parent);
        if (parent != -1 && !is_bone(info, parent))
            return refuse("ERROR:MDS bone %d has the parent %d, which is not one of its bones.\n",
                          b, parent);
        if (get_i32(mds, at + mds_bone_info::flags) == 0) {
            ++regular;
            continue;
        }
        // A tag hangs from its parent and lists the parent's chain up to the root.
        if (parent == -1) return refuse("ERROR:MDS tag bone %d has no parent.\n", b);
        if (walk_parent_chain(mds, info, parent, nullptr) < 0)
            return refuse("ERROR:The parents of MDS tag bone %d run into a cycle.\n", b);
    }
    if (regular > max_regular_bones)
        return refuse("ERROR:This MDS has %d regular bones; at most %d are supported.\n", regular,
                      max_regular_bones);
    return true;
}

bool bone_numbers_pass(const byte_region& mds, const mds_info& info, offset_t at,
                       std::int32_t count, offset_t stride, int surface) {
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t bone = get_i32(mds, at + stride * i);
        if (!is_bone(info, bone))
            return refuse(
                "ERROR:MDS surface %d names the bone %d, which is not one of its bones.\n", surface,
                bone);
    }
    return true;
}

// The surface at `start`, read packed as the MDM conversion reads it. Sets
// `next` to where its bone references end.
bool surface_passes(const byte_region& mds, const mds_info& info, offset_t start, int s,
                    offset_t& next) {
    if (!fits(mds, start, mds_surface::size))
        return refuse("ERROR:MDS surface %d lies outside the file.\n", s);
    const std::int32_t num_verts = get_i32(mds, start + mds_surface::num_verts);
    const std::int32_t num_triangles = get_i32(mds, start + mds_surface::num_triangles);
    const std::int32_t num_bone_refs = get_i32(mds, start + mds_surface::num_bone_refs);
    if (num_verts < 0 || num_triangles < 0 || num_bone_refs < 0)
        return refuse("ERROR:MDS surface %d has a negative count.\n", s);
    // The stored offsets only feed the MDM offsets; each must point into the file.
    for (offset_t field :
         {mds_surface::ofs_verts, mds_surface::ofs_triangles, mds_surface::ofs_collapse_map,
          mds_surface::ofs_bone_refs, mds_surface::ofs_end})
        if (!fits(mds, start + get_i32(mds, start + field), 0))
            return refuse("ERROR:MDS surface %d has an offset outside the file.\n", s);
    const offset_t collapse_bytes = mds_collapse_map_bytes(mds, start);
    if (collapse_bytes < 0)
        return refuse("ERROR:MDS surface %d has its bone references before its collapse map.\n", s);

    offset_t at = start + mds_surface::size;
    for (std::int32_t v = 0; v < num_verts; ++v) {
        if (!fits(mds, at, mds_vertex::size))
            return refuse("ERROR:The vertices of MDS surface %d run past the file.\n", s);
        const std::int32_t weights = get_i32(mds, at + mds_vertex::num_weights);
        if (weights < 0 || !fits(mds, at + mds_vertex::weights, skin_weight::size * weights))
            return refuse("ERROR:The vertices of MDS surface %d run past the file.\n", s);
        if (!bone_numbers_pass(mds, info, at + mds_vertex::weights + skin_weight::bone, weights,
                               skin_weight::size, s))
            return false;
        at += mds_vertex::weights + skin_weight::size * weights;
    }
    const offset_t bone_refs = at + triangle_size * num_triangles + collapse_bytes;
    if (!fits(mds, at, bone_refs - at) || !fits(mds, bone_refs, index_size * num_bone_refs))
        return refuse("ERROR:The triangles, collapse map or bone references of MDS surface %d "
                      "run past the file.\n",
                      s);
    if (!bone_numbers_pass(mds, info, bone_refs, num_bone_refs, index_size, s)) return false;
    next = bone_refs + index_size * num_bone_refs;
    return true;
}

} // namespace

bool validate_mds(const byte_region& mds) {
    const mds_info info = read_mds_info(mds);
    if (!bones_pass(mds, info)) return false;
    if (!fits(mds, info.ofs_frames, frame_size(info.num_bones) * info.num_frames))
        return refuse("ERROR:The frames of this MDS lie outside the file.\n");
    if (info.num_surfaces < 0 || !fits(mds, info.ofs_surfaces, 0))
        return refuse("ERROR:The surfaces of this MDS lie outside the file.\n");
    offset_t at = info.ofs_surfaces;
    for (int s = 0; s < info.num_surfaces; ++s)
        if (!surface_passes(mds, info, at, s, at)) return false;
    return true;
}

} // namespace ossify
