// The MQO reader's working state and its ways of refusing a line, shared by the
// line tests (load_mqo.cpp) and the face line (mqo_face_line.cpp).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/byte_access.hpp"
#include "base/line_pieces.hpp"
#include "mqo/load_mqo.hpp"
#include "mqo/mqo_record.hpp"
#include "mqo/mqo_tokens.hpp"

namespace ossify {

// One face line as read: its corners' vertex indices and u, v pairs, and its material.
struct mqo_polygon {
    std::vector<std::int32_t> vertex; // -1 for an index that does not begin with a digit
    std::vector<float> uv;            // u, v per corner; 0 without UV(...)
    std::int32_t material = -1;
    int corners() const { return static_cast<int>(vertex.size()); }
};

struct mqo_reader {
    byte_region& mqo;
    mqo_line_tokens tokens{};
    int line_number = 0;
    std::string_view line{};
    offset_t total = mqoobj_header::size;       // running total, MQOSIZE at the end
    offset_t next_object = mqoobj_header::size; // where the first object goes
    offset_t object = -1;                       // start of the current object
    offset_t object_size = 0;
    int objects = 0;
    bool material_list_seen = false;
    bool object_has_vertices = false;
    bool object_has_faces = false;
    int num_material = 0;
    int materials_remaining = 0;
    int vertices_remaining = 0;
    int faces_remaining = 0;

    mqo_options options{};
    mqo_notes* notes = nullptr; // never null while reading
    line_pieces* lines = nullptr;
    int binary_vertices_pending = 0; // after "BVertex n {", until its "Vector" line
    offset_t previous_object = -1;   // start of the object before the current one
    bool current_is_mesh = false;    // whole model: the current object is built as a mesh
    bool default_material_added = false;
    mqo_polygon polygon{};                      // the face line being read
    std::vector<mqo_polygon> object_polygons{}; // whole model: the current object's faces
};

// Where vertex `index` of the object being read lies: its vertex list follows
// the object header.
inline offset_t reader_vertex_at(const mqo_reader& reader, std::int32_t index) {
    return reader.object + mqo_object::size + mqo_vertex_size * index;
}

// Sets the current object's vertex count and puts its face list after them.
inline void set_vertex_count(mqo_reader& reader, std::int32_t count) {
    put_i32(reader.mqo, reader.object + mqo_object::num_vertex, count);
    put_i32(reader.mqo, reader.object + mqo_object::ofs_face,
            static_cast<std::int32_t>(mqo_object::size + mqo_vertex_size * count));
}

// The note of the current object.
mqo_object_note& current_note(mqo_reader& reader);

// A refusal the reader has always made without a word: standard output stays
// as it was, standard error gets the line and the rule it breaks. Returns -1.
std::int32_t refuse_quietly(const mqo_reader& reader, const char* rule);

// A refusal of input the record cannot take soundly: "Load_MQO : Line[n] " and
// the formatted reason on standard output, the line itself on standard error.
// Returns -1.
[[gnu::format(printf, 2, 3)]] std::int32_t refuse(const mqo_reader& reader, const char* format,
                                                  ...);

// Stores a name token in a 64-byte field, cut to 63 bytes with a warning.
void store_name(mqo_reader& reader, offset_t field, const char* name);

// The current object's name, for messages.
const char* current_object_name(const mqo_reader& reader, char (&name)[mqo_name_width]);

// Reads the face line whose corner count is at `position` into reader.polygon,
// allowing up to `most_corners`. Returns 0, or -1 after refusing the line.
std::int32_t read_face_line(mqo_reader& reader, int position, int most_corners);

// Writes a polygon of 2 to 4 corners as the face record at `face`.
void put_face(byte_region& mqo, offset_t face, const mqo_polygon& polygon);

// Adds `bytes` to the record and the current object; false after refusing when
// it would outgrow the buffer.
bool grow_record(mqo_reader& reader, offset_t bytes);

// Whole model: writes the current object's faces, triangulated and mirrored when
// it is a mesh object, or takes the object out of the record when it is hidden
// or empty. False after a refusal.
bool finish_whole_object(mqo_reader& reader);

// Whole model, at the end of the file: adds the material "default" when a face
// needed one and the model had none. False after a refusal.
bool add_default_material(mqo_reader& reader);

} // namespace ossify
