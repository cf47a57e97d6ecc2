// A glTF 2.0 asset as plain records, in glTF's own space (metres, y up): what
// the reader took from the file, checked whole, so that everything after it
// can walk the records without checking an index again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "skeletal/engine_pose.hpp"

namespace ossify {

// A 4×4 matrix in glTF's order: column-major, m[12..14] the translation.
using gltf_matrix = std::array<double, 16>;
// A rotation quaternion (x, y, z, w).
using gltf_quaternion = std::array<double, 4>;

inline constexpr gltf_matrix gltf_identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct gltf_node {
    std::string name;
    std::int32_t parent = -1;
    std::vector<std::int32_t> children;
    // The rest transform: `matrix` when the node gives one, else T·R·S.
    bool has_matrix = false;
    gltf_matrix matrix = gltf_identity;
    dvec3 translation{};
    gltf_quaternion rotation{0, 0, 0, 1};
    dvec3 scale{1, 1, 1};
    std::int32_t mesh = -1;
    std::int32_t skin = -1;
};

// glTF's primitive modes; only triangles are converted.
inline constexpr int gltf_mode_triangles = 4;

struct gltf_primitive {
    int mode = gltf_mode_triangles;
    std::vector<dvec3> positions;
    std::vector<dvec3> normals; // empty: the file gives none
    std::vector<std::array<double, 2>> uvs;
    std::vector<std::array<std::uint32_t, 4>> joints; // JOINTS_0, indices into the skin
    std::vector<std::array<double, 4>> weights;       // WEIGHTS_0
    std::vector<std::uint32_t> indices;               // empty: not indexed
    std::string material;
    std::string image_uri; // of the base colour texture; empty when none
};

struct gltf_mesh {
    std::string name;
    std::vector<gltf_primitive> primitives;
};

struct gltf_skin {
    std::string name;
    std::vector<std::int32_t> joints;       // node indices
    std::vector<gltf_matrix> inverse_binds; // one per joint (identity when the file gives none)
};

enum class gltf_target { translation, rotation, scale };
enum class gltf_interpolation { step, linear, cubic_spline };

struct gltf_channel {
    std::int32_t node = 0;
    gltf_target target = gltf_target::translation;
    gltf_interpolation interpolation = gltf_interpolation::linear;
    std::vector<double> times; // ascending
    // Per key 3 (translation, scale) or 4 (rotation) values; a cubic spline
    // stores in-tangent, value, out-tangent per key.
    std::vector<double> values;
};

struct gltf_animation {
    std::string name;
    std::vector<gltf_channel> channels;
};

struct gltf_document {
    std::vector<gltf_node> nodes;
    std::vector<gltf_mesh> meshes;
    std::vector<gltf_skin> skins;
    std::vector<gltf_animation> animations;
    std::vector<std::int32_t> scene; // the root nodes of the default (or first) scene
};

// Whether this build can read glTF files (the reader's libraries were found).
bool gltf_reader_available();

// Reads the .glb or .gltf file at `path` (a .gltf with its buffers beside it).
// Images are never decoded: only the base colour texture's URI is kept.
// Returns false with a one-line reason in `error` when the file cannot be
// read or breaks a rule the records rely on (an index out of range, an
// accessor beyond its buffer, a node with two parents or in a cycle, a
// transform that is not finite, joint indices beyond the skin).
bool read_gltf_file(const std::string& path, gltf_document& document, std::string& error);

// The same for a file in memory: a binary glTF when it starts with "glTF",
// else JSON, whose buffers must then be embedded.
bool read_gltf_memory(const std::uint8_t* bytes, std::size_t size, gltf_document& document,
                      std::string& error);

} // namespace ossify
