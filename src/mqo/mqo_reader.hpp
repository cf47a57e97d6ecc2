// The MQO reader's working state and its ways of refusing a line, shared by the
// line tests (load_mqo.cpp) and the face line (mqo_face_line.cpp).
#pragma once

#include <cstdint>
#include <string_view>

#include "base/byte_access.hpp"
#include "mqo/mqo_record.hpp"
#include "mqo/mqo_tokens.hpp"

namespace ossify {

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
};

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

// Reads the face line whose corner count is at `position` into the face record
// at `face`. Returns 0, or -1 after refusing the line.
std::int32_t read_face_line(mqo_reader& reader, int position, offset_t face);

} // namespace ossify
