// The skeletal jobs: loading MDS, MDM and MDX files, splitting an MDS into an
// MDM and an MDX, the MDM report, tag and bone replacement, rescaling.
//
// Every operation works in place on the driver's buffers. A loader validates the
// header and then the whole structure of the file (every count and offset against
// the loaded size), so the operations that follow may walk a loaded file without
// re-checking it. Failures print an "ERROR:" line on stdout and return -1.
#pragma once

#include <array>
#include <cstdint>

#include "base/byte_access.hpp"
#include "base/file_io.hpp"
#include "skeletal/skeletal_layout.hpp"

namespace ossify {

// Reads the opened file into `buffer` (at most its size), closes it, checks the
// header and the structure. Returns the file's end offset, or -1.
std::int32_t load_mds(file_handle input, byte_region& buffer);
std::int32_t load_mdm(file_handle input, byte_region& buffer);
std::int32_t load_mdx(file_handle input, byte_region& buffer);

// The same checks for a file whose first `loaded` bytes already sit at the start
// of `buffer` (the rest zero), with the same output. For callers without files.
std::int32_t check_mds(const byte_region& buffer, std::int64_t loaded);
std::int32_t check_mdm(const byte_region& buffer, std::int64_t loaded);
std::int32_t check_mdx(const byte_region& buffer, std::int64_t loaded);

// Indexed by MDS bone number (bone_remap) or by new bone number (kept_bones).
using bone_table = std::array<std::int32_t, max_mds_bones>;

// Numbers the regular bones 0, 1, ... in MDS order; a tag bone's entry in
// `bone_remap` is the number the next regular bone receives. `bone_infos` holds
// the bone info records from their first byte. Returns the regular-bone count.
int parse_mds_bones(std::int32_t bone_count, const byte_region& bone_infos, bone_table& bone_remap,
                    bone_table& kept_bones);
// The same numbering without the trace lines.
int number_mds_bones(std::int32_t bone_count, const byte_region& bone_infos, bone_table& bone_remap,
                     bone_table& kept_bones);

// Builds the MDM of a loaded MDS from the start of `mdm`, its tags evaluated at
// frame `base_frame`. Returns the MDM end offset, or -1.
std::int32_t convert_mds_to_mdm(const byte_region& mds, byte_region& mdm, std::int32_t base_frame);

// Builds the MDX of a loaded MDS from the start of `mdx`. Returns the MDX end
// offset, or -1 when the torso parent is not one of the MDS bones.
std::int32_t convert_mds_to_mdx(byte_region& mdx, const byte_region& mds);

// Prints every header field, surface header and tag of an MDM. Returns 1.
int print_mdm_report(const byte_region& mdm);

// Gives `target` the whole tag block of `reference`. Returns 1, or -1 when the
// result would not fit the target buffer.
int replace_mdm_tags(const byte_region& reference, byte_region& target);

// Takes torso weight and parent distance of every bone over from the
// same-named bone of `reference`. Returns 1 or -1.
int replace_mdx_bones(byte_region& target, const byte_region& reference);

// Multiply every stored length by percent / 100. Both return 1.
int rescale_mdm(byte_region& mdm, std::int32_t percent);
int rescale_mdx(byte_region& mdx, std::int32_t percent);

} // namespace ossify
