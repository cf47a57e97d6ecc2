// The preview a job ends with when PREVIEW is set: a binary glTF of its
// result, saved at `path`, and one line saying what it holds. Each returns the
// size written, or -1 after printing an "ERROR:" line.
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

// An MDS: its mesh, its skeleton (tag bones too) and every frame.
std::int32_t write_mds_preview(const byte_region& mds, std::int32_t bind_frame, const char* path);

// An MDM posed by an MDX, every frame of it; with `lod_percent` 1 to 99, each
// surface as the engine draws it at lod `lod_percent` / 100.
std::int32_t write_mdm_preview(const byte_region& mdm, const byte_region& mdx,
                               std::int32_t bind_frame, const char* path,
                               std::int32_t lod_percent = 0);

// An MD3 as the engine shows it.
std::int32_t write_md3_preview(const byte_region& md3, const char* path);

} // namespace ossify
