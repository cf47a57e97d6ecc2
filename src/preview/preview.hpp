// The preview a job ends with when PREVIEW is set: a binary glTF of its
// result, saved at `path`, and one line saying what it holds. Each returns the
// size written, or -1 after printing an "ERROR:" line.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/byte_access.hpp"
#include "preview/preview_model.hpp"

namespace ossify {

// An MDS: its mesh, its skeleton (tag bones too) and every frame.
std::int32_t write_mds_preview(const byte_region& mds, std::int32_t bind_frame, const char* path);

// An MDM posed by an MDX, every frame of it; `images` are shown on the
// materials (the surfaces' shaders) they are named by. With `lod_percent` 1 to
// 99, each surface as the engine draws it at lod `lod_percent` / 100.
std::int32_t write_mdm_preview(const byte_region& mdm, const byte_region& mdx,
                               std::int32_t bind_frame, const char* path,
                               const preview_images& images = {}, std::int32_t lod_percent = 0);

// An MD3 as the engine shows it.
std::int32_t write_md3_preview(const byte_region& md3, const char* path,
                               const preview_images& images = {});

// The images of the textured materials of a parsed MQO model, by the shader
// names their surfaces get (material_shader_names with `prefix`): each image
// file as the material names it, relative to the directory of the model at
// `mqo_path`, or else by its file name beside the model. Only PNG and JPEG
// files, which glTF can hold, are taken; standard error names the textures left
// out, found or not.
preview_images material_images(const byte_region& mqo, const char* mqo_path,
                               std::string_view prefix);

} // namespace ossify
