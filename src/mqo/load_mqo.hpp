// The MQO reader: turns the text of an MQO model into the parsed-MQO record
// (`mqoobj`, mqo_record.hpp) in a zero-filled buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_access.hpp"

namespace ossify {

// How the reader takes the model. The defaults are the plain reading; with
// `whole_model` every face of a mesh object becomes triangles (see README,
// "Converting a model from the modeller").
struct mqo_options {
    bool whole_model = false;
    // The rig convention: "anchor" objects are binding solids, kept (mirrored
    // and cut into triangles like meshes) even when hidden in the modeller.
    bool rig = false;
};

// What the reader saw of one object, for the report of what a conversion left out.
struct mqo_object_note {
    std::string name;
    int visible = 1;                                       // 0: hidden in the modeller
    int mirror = 0;                                        // 1 separated, 2 connected
    int mirror_axis = 0;                                   // bits 1 x, 2 y, 4 z
    bool patch = false;                                    // a subdivision surface
    int lines = 0, triangles = 0, quads = 0, polygons = 0; // polygons: 3 corners or more
    long long triangle_yield = 0;                          // sum of corners - 2 over the polygons
    int without_material = 0;                              // polygons without M(...)
};

struct mqo_notes {
    std::vector<mqo_object_note> objects; // in file order
    // Set when the file was refused for a reason that WHOLEMODEL=1 lifts.
    std::string refusal_lifted_by_whole_model;
};

// Prints the reader's banner, reads the file at `path` and parses it into `mqo`.
// Returns MQOSIZE, the number of bytes to save, or -1 after a refusal.
std::int32_t Load_MQO(const char* path, byte_region& mqo);
std::int32_t Load_MQO(const char* path, byte_region& mqo, const mqo_options& options,
                      mqo_notes* notes);

// The same for a text already in memory, without the banner: everything Load_MQO
// prints after opening the file. `mqo` must be zero-filled; its size is the
// limit the record must fit.
std::int32_t load_mqo_text(std::string_view text, byte_region& mqo);
std::int32_t load_mqo_text(std::string_view text, byte_region& mqo, const mqo_options& options,
                           mqo_notes* notes);

} // namespace ossify
