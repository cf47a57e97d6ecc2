// A model as the preview shows it, in plain records: the job builders fill it
// from the files a job wrote or read, and the glTF writer turns it into a .glb.
// Nothing here names the glTF library, so the jobs never see its types.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "base/byte_access.hpp"
#include "skeletal/engine_pose.hpp"

namespace ossify {

// glTF blends at most four joints per vertex.
inline constexpr std::size_t preview_weights_per_vertex = 4;
// The formats carry no frame rate; the preview plays 20 frames a second.
inline constexpr double preview_frames_per_second = 20.0;
// One engine unit is an inch; glTF counts metres.
inline constexpr double preview_metres_per_unit = 0.0254;

struct preview_vertex {
    dvec3 position{}; // model space, posed at the bind frame
    dvec3 normal{0, 0, 1};
    std::array<double, 2> uv{};
    std::array<std::uint16_t, preview_weights_per_vertex> joints{};
    std::array<float, preview_weights_per_vertex> weights{}; // sum 1 when skinned
};

struct preview_surface {
    std::string name;
    std::string material; // the shader, or the surface's name where it has none
    std::vector<preview_vertex> vertices;
    std::vector<std::array<std::uint32_t, 3>> triangles;
};

struct preview_joint {
    std::string name;
    std::int32_t parent = -1; // an earlier or later joint; never a loop
};

// A tag in the frame of its joint (the model's frame when `joint` is -1): world
// origin = joint position + R·offset, world axis i = R·axis row i.
struct preview_tag {
    std::string name;
    std::int32_t joint = -1;
    dvec3 offset{};
    bone_rotation axis{};
};

// An image to show on a material, as a glTF file may embed it.
struct preview_image {
    std::vector<std::uint8_t> bytes;
    std::string mime_type; // "image/png" or "image/jpeg"
};

// The images by the name of the material they show on.
using preview_images = std::map<std::string, preview_image>;

struct preview_model {
    std::vector<preview_surface> surfaces;
    preview_images images;                       // embedded in the materials named
    std::vector<preview_joint> joints;           // none: a static model
    std::vector<std::vector<posed_bone>> frames; // one model-space pose per frame
    std::size_t bind_frame = 0;                  // the pose the vertices are given in
    std::vector<preview_tag> tags;
    int vertices_over_four_weights = 0; // kept their four largest
    int weights_off_skeleton = 0;       // named no joint; left out
    int triangles_left_out = 0;         // a corner outside the surface
    int triangles_stray = 0;            // drawn at a level through a stale collapse entry
};

// A vertex skinned on the bind pose: position and normal by the engine's rule,
// the four largest weights kept and renormalised. Counts what it had to change.
preview_vertex skinned_preview_vertex(std::span<const engine_weight> weights,
                                      std::span<const posed_bone> bind, const dvec3& normal,
                                      const std::array<double, 2>& uv, preview_model& model);

// Adds a triangle to `surface` when its corners are vertices of it; counts it
// as left out otherwise.
void add_triangle(preview_surface& surface, const std::array<std::int32_t, 3>& corners,
                  preview_model& model);

// The builders. Each reads a file the job has loaded and validated, or written,
// fills `model` and returns false after printing an "ERROR:" line when the file
// cannot be shown.
bool preview_of_mds(const byte_region& mds, std::int32_t bind_frame, preview_model& model);
bool preview_of_mdm_on_mdx(const byte_region& mdm, const byte_region& mdx, std::int32_t bind_frame,
                           preview_model& model, std::int32_t lod_percent = 0);
bool preview_of_md3(const byte_region& md3, preview_model& model);

// The binary glTF of a model; empty when the library could not write it.
std::vector<std::uint8_t> encode_glb(const preview_model& model);

} // namespace ossify
