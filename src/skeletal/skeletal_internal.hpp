// Helpers shared by the loaders, validators and operations of the skeletal
// formats; not used outside src/skeletal.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"
#include "skeletal/skeletal.hpp"
#include "skeletal/skeletal_headers.hpp"

namespace ossify {

// Prints a formatted refusal (the format carries its own "ERROR:" and line end)
// and returns false, for `return refuse(...)`.
[[gnu::format(printf, 1, 2)]] bool refuse(const char* format, ...);

// Structural checks of a file whose header has passed: `file` spans exactly the
// file's end offset. Each prints one "ERROR:" line and returns false at the first
// count or offset that leads outside the file.
bool validate_mds(const byte_region& file);
bool validate_mdm(const byte_region& file);
bool validate_mdx(const byte_region& file);

// Walks from MDS bone `bone` up through the parents to the bone whose parent is
// -1. Returns the number of bones visited, or -1 when the walk leaves the bones or
// runs into a cycle. With `visited`, stores the bone numbers in walk order.
int walk_parent_chain(const byte_region& mds, const mds_info& info, std::int32_t bone,
                      bone_table* visited);

// Writes MDS surface `number`, read packed from `mds_at`, as the MDM surface at
// `mdm_at`, which follows `written_before` bytes of earlier surfaces. Prints its
// trace and returns its size; `mds_next` is where its bone references ended.
offset_t copy_mds_surface(const byte_region& mds, offset_t mds_at, byte_region& mdm,
                          offset_t mdm_at, int number, offset_t written_before,
                          const bone_table& bone_remap, offset_t& mds_next);

// Writes the MDM tag of MDS tag bone `bone` at `mdm_at`, evaluated in the frame
// at `frame_at`. Returns the tag's size.
offset_t build_mds_tag(const byte_region& mds, const mds_info& info, std::int32_t bone,
                       offset_t frame_at, byte_region& mdm, offset_t mdm_at,
                       const bone_table& bone_remap);

// bone_remap of a validated bone number.
inline std::int32_t remap_bone(const bone_table& bone_remap, std::int32_t bone) {
    return bone >= 0 && bone < max_mds_bones ? bone_remap[static_cast<std::size_t>(bone)] : bone;
}

// Multiplies the float32 at `at` by a rescale factor: f32(value * factor).
inline void scale_f32(byte_region& region, offset_t at, float factor) {
    put_f32(region, at, static_cast<float>(double{get_f32(region, at)} * factor));
}

} // namespace ossify
