// The MD3 reader: checks an MD3 file whole (every count and offset against the
// bytes it was given) and reads it into plain records. The check comes first and
// says what is wrong; reading a checked file walks it without testing again.
//
//   const std::string fault = md3_fault(bytes);  // empty: sound
//   if (fault.empty()) { const md3_model model = read_md3(bytes); ... }
//
// `load_md3` does both steps for a job, with the trace of the skeletal loaders.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_access.hpp"
#include "base/file_io.hpp"

namespace ossify {

struct md3_frame_record {
    std::array<float, 3> bounds_min{};
    std::array<float, 3> bounds_max{};
    std::array<float, 3> local_origin{};
    float radius = 0;
    std::string name;
};

struct md3_tag_record {
    std::string name;
    std::array<float, 3> origin{};
    std::array<std::array<float, 3>, 3> axis{}; // rows: the tag's axes in the model
};

struct md3_shader_record {
    std::string name;
    std::int32_t index = 0;
};

// A stored vertex: the position in 1/64 units as the engine reads it, and the
// normal's azimuth (high byte) and zenith (low byte) in 256ths of a turn.
struct md3_vertex_record {
    std::array<std::int16_t, 3> position{};
    std::uint16_t normal = 0;
};

struct md3_surface_record {
    std::string name;
    std::int32_t flags = 0;
    std::int32_t num_frames = 0;
    std::int32_t num_verts = 0;
    std::vector<md3_shader_record> shaders;
    std::vector<std::array<std::int32_t, 3>> triangles; // corners within num_verts
    std::vector<std::array<float, 2>> tex_coords;       // one per vertex
    std::vector<md3_vertex_record> vertices;            // num_frames blocks of num_verts
};

struct md3_model {
    std::string name;
    std::int32_t flags = 0;
    std::int32_t num_tags = 0; // tags a frame
    std::int32_t num_skins = 0;
    std::vector<md3_frame_record> frames;
    std::vector<md3_tag_record> tags; // frames.size() blocks of num_tags
    std::vector<md3_surface_record> surfaces;
};

// The first rule the bytes of an MD3 break, as the "ERROR:" line a job prints
// (with its line end), or an empty text when the file is sound. `file` holds
// the bytes the file gave, no more: the header's end offset must lie within
// them. A sound file has at least one frame; its surfaces are chained from the
// header's offset by their end offsets, each array of a surface lies inside that
// surface behind its header, every triangle corner is a vertex of its surface
// and every surface with vertices has at least one frame of them.
std::string md3_fault(const byte_region& file);

// The records of a file that md3_fault found sound.
md3_model read_md3(const byte_region& file);

// Reads the opened file into `buffer` and checks it, printing "Checking MD3
// Header..." and the verdict: the file's end offset, or -1 after an "ERROR:"
// line. A file larger than the buffer is refused.
std::int32_t load_md3(file_handle input, byte_region& buffer);

} // namespace ossify
