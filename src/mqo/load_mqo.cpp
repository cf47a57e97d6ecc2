// The MQO reader: eight keywords recognised at any position of a line, and the
// material, vertex and face lists consumed by counting their lines.
#include "mqo/load_mqo.hpp"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "base/file_io.hpp"
#include "base/line_pieces.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_reader.hpp"

namespace ossify {

bool grow_record(mqo_reader& reader, offset_t bytes) {
    if (reader.total + bytes > static_cast<offset_t>(reader.mqo.size)) {
        refuse(reader, "Record would grow past the MQO buffer[%lld bytes]",
               static_cast<long long>(reader.mqo.size));
        return false;
    }
    reader.total += bytes;
    reader.object_size += bytes;
    return true;
}

mqo_object_note& current_note(mqo_reader& reader) {
    if (reader.notes->objects.empty()) reader.notes->objects.emplace_back();
    return reader.notes->objects.back();
}

namespace {

// The whole-model reading takes faces of up to this many corners.
constexpr int whole_model_max_corners = 1024;

// What the test of one token decided.
enum class token_result { line_done, next_token, refused };

constexpr token_result done_or_refused(std::int32_t status) {
    return status < 0 ? token_result::refused : token_result::line_done;
}

// The count after a list header: its a2i value, -1 when it is not in [low, high].
std::int32_t list_count(const mqo_reader& reader, int position, std::int32_t low,
                        std::int32_t high) {
    const std::int32_t n = a2i(token_at(reader.tokens, position + 1));
    return n >= low && n <= high ? n : -1;
}

token_result material_header(mqo_reader& reader, int position) {
    const std::int32_t n = list_count(reader, position, 0, mqo_max_materials);
    if (n < 0)
        return done_or_refused(
            refuse_quietly(reader, "a Material list needs a count of 0 to 1024"));
    if (reader.objects > 0) return done_or_refused(refuse(reader, "Material list after an Object"));
    if (reader.material_list_seen) return done_or_refused(refuse(reader, "Second Material list"));
    if (!grow_record(reader, mqo_material::size * n)) return token_result::refused;
    reader.material_list_seen = true;
    reader.num_material = n;
    reader.materials_remaining = n;
    reader.next_object = mqoobj_header::size + mqo_material::size * n;
    put_i32(reader.mqo, mqoobj_header::num_material, n);
    put_i32(reader.mqo, mqoobj_header::ofs_material,
            static_cast<std::int32_t>(mqoobj_header::size));
    put_i32(reader.mqo, mqoobj_header::ofs_object, static_cast<std::int32_t>(reader.next_object));
    std::printf("Load_MQO : Number of Material[%d]\n", n);
    return token_result::line_done;
}

token_result material_line(mqo_reader& reader, int position) {
    // A short list would take the objects that follow for materials.
    if (strequ(token_at(reader.tokens, position), "Object") != 0)
        return done_or_refused(
            refuse(reader, "Material list short of %d lines (or a material named Object)",
                   reader.materials_remaining));
    const int i = reader.num_material - reader.materials_remaining;
    const offset_t material = mqoobj_header::size + mqo_material::size * i;
    store_name(reader, material + mqo_material::name, token_at(reader.tokens, position));
    const int tex = find_token(reader.tokens, "tex");
    if (tex >= 0) {
        if (tex + 1 >= reader.tokens.count)
            return done_or_refused(refuse_quietly(reader, "tex(...) names the texture file"));
        store_name(reader, material + mqo_material::texture, token_at(reader.tokens, tex + 1));
    }
    --reader.materials_remaining;
    return token_result::line_done;
}

// Starts a new object; the caller goes on testing the same token.
bool begin_object(mqo_reader& reader, int position) {
    char name[mqo_name_width];
    if (reader.vertices_remaining > 0) {
        refuse(reader, "Object[%s] vertex list short of %d lines",
               current_object_name(reader, name), reader.vertices_remaining);
        return false;
    }
    if (reader.faces_remaining > 0) {
        refuse(reader, "Object[%s] face list short of %d lines", current_object_name(reader, name),
               reader.faces_remaining);
        return false;
    }
    if (reader.options.whole_model && !finish_whole_object(reader)) return false;
    if (reader.object >= 0) {
        put_i32(reader.mqo, reader.object + mqo_object::ofs_next,
                static_cast<std::int32_t>(reader.object_size));
        reader.next_object = reader.object + reader.object_size;
        reader.previous_object = reader.object;
    }
    reader.object = reader.next_object;
    reader.object_size = 0;
    ++reader.objects;
    reader.object_has_vertices = false;
    reader.object_has_faces = false;
    if (!grow_record(reader, mqo_object::size)) return false;
    if (token_at(reader.tokens, position + 1)[0] == '\0') {
        refuse_quietly(reader, "an Object needs a name");
        return false;
    }
    store_name(reader, reader.object + mqo_object::name, token_at(reader.tokens, position + 1));
    put_i32(reader.mqo, reader.object + mqo_object::ofs_vertex,
            static_cast<std::int32_t>(mqo_object::size));
    reader.notes->objects.emplace_back();
    reader.notes->objects.back().name =
        get_text(reader.mqo, reader.object + mqo_object::name, mqo_name_width);
    reader.current_is_mesh = is_mesh_object_name(reader.notes->objects.back().name, true);
    reader.object_polygons.clear();
    return true;
}

// The rules of the two lists an object holds.
struct object_list {
    const char* outside_object;
    const char* bad_count;
    std::int32_t most;
};
constexpr object_list vertex_list{"a vertex list belongs to an Object",
                                  "a vertex list needs a count of 1 to 4096", mqo_max_vertices};
constexpr object_list face_list{"a face list belongs to an Object",
                                "a face list needs a count of 1 to 4096", mqo_max_faces};

// The count of a vertex or face list header, or -1 after refusing it. The whole
// model takes empty lists, and face lists as long as the record can hold.
std::int32_t object_list_count(const mqo_reader& reader, int position, const object_list& list) {
    if (reader.object < 0) return refuse_quietly(reader, list.outside_object);
    if (reader.options.whole_model) {
        const std::int32_t most = &list == &face_list
                                      ? static_cast<std::int32_t>(reader.mqo.size / mqo_face::size)
                                      : list.most;
        const std::int32_t n = list_count(reader, position, 0, most);
        return n < 0 ? refuse(reader, "a %s list needs a count of 0 to %d",
                              &list == &face_list ? "face" : "vertex", most)
                     : n;
    }
    const std::int32_t n = list_count(reader, position, 1, list.most);
    if (n < 0 && a2i(token_at(reader.tokens, position + 1)) == 0)
        reader.notes->refusal_lifted_by_whole_model = "empty vertex and face lists";
    return n < 0 ? refuse_quietly(reader, list.bad_count) : n;
}

// A "vertex n {" or "BVertex n {" header: n vertices from the object's start.
token_result vertex_header(mqo_reader& reader, int position, bool binary) {
    const std::int32_t n = object_list_count(reader, position, vertex_list);
    if (n < 0) return token_result::refused;
    char name[mqo_name_width];
    if (reader.object_has_faces)
        return done_or_refused(refuse(reader, "Object[%s] vertex list after the face list",
                                      current_object_name(reader, name)));
    if (reader.object_has_vertices)
        return done_or_refused(
            refuse(reader, "Object[%s] Second vertex list", current_object_name(reader, name)));
    if (!grow_record(reader, mqo_vertex_size * n)) return token_result::refused;
    reader.object_has_vertices = true;
    set_vertex_count(reader, n);
    (binary ? reader.binary_vertices_pending : reader.vertices_remaining) = n;
    return token_result::line_done;
}

token_result vertex_line(mqo_reader& reader, int position) {
    if (reader.tokens.count != 3) {
        std::printf("Load_MQO : Read Vertex Pos failure : Not 3 chunks\n");
        return done_or_refused(
            refuse_quietly(reader, "a vertex line holds exactly three coordinates"));
    }
    const std::int32_t n = get_i32(reader.mqo, reader.object + mqo_object::num_vertex);
    const offset_t vertex = reader_vertex_at(reader, n - reader.vertices_remaining);
    for (int k = 0; k < 3; ++k) {
        const char* token = token_at(reader.tokens, position + k);
        const float value = str_to_float(token);
        if (!std::isfinite(value))
            return done_or_refused(refuse(reader, "Coordinate[%s] is not a finite number", token));
        put_f32(reader.mqo, vertex + 4 * k, value);
    }
    --reader.vertices_remaining;
    return token_result::line_done;
}

token_result face_header(mqo_reader& reader, int position) {
    const std::int32_t n = object_list_count(reader, position, face_list);
    if (n < 0) return token_result::refused;
    char name[mqo_name_width];
    if (reader.object_has_faces)
        return done_or_refused(
            refuse(reader, "Object[%s] Second face list", current_object_name(reader, name)));
    if (!reader.object_has_vertices)
        return done_or_refused(refuse(reader, "Object[%s] face list without a vertex list",
                                      current_object_name(reader, name)));
    reader.object_has_faces = true;
    reader.faces_remaining = n;
    // The whole model writes the faces when the object ends, as many as they become.
    if (reader.options.whole_model) return token_result::line_done;
    if (!grow_record(reader, mqo_face::size * n)) return token_result::refused;
    put_i32(reader.mqo, reader.object + mqo_object::num_face, n);
    return token_result::line_done;
}

token_result face_line(mqo_reader& reader, int position) {
    if (reader.options.whole_model) {
        const int most = reader.current_is_mesh ? whole_model_max_corners : mqo_max_corners;
        if (read_face_line(reader, position, most) < 0) return token_result::refused;
        reader.object_polygons.push_back(reader.polygon);
        --reader.faces_remaining;
        return token_result::line_done;
    }
    const std::int32_t n = get_i32(reader.mqo, reader.object + mqo_object::num_face);
    const offset_t faces =
        reader.object + get_i32(reader.mqo, reader.object + mqo_object::ofs_face);
    const offset_t face = faces + mqo_face::size * (n - reader.faces_remaining);
    if (read_face_line(reader, position, mqo_max_corners) < 0) return token_result::refused;
    put_face(reader.mqo, face, reader.polygon);
    --reader.faces_remaining;
    return token_result::line_done;
}

// The line after "BVertex n {": "Vector n [12 n]", then 12 n bytes of float32
// x, y, z, little-endian, taken from the text whatever they hold (line feeds,
// braces). The reading goes on after them.
std::int32_t read_binary_vertices(mqo_reader& reader, int position) {
    const std::int32_t n = reader.binary_vertices_pending;
    const mqo_line_tokens& tokens = reader.tokens;
    if (strequ(token_at(tokens, position), "Vector") == 0 ||
        a2i(token_at(tokens, position + 1)) != n ||
        a2i(token_at(tokens, position + 2)) != 3 * 4 * n)
        return refuse(reader, "BVertex[%d] needs the line Vector %d [%d] before its bytes", n, n,
                      3 * 4 * n);
    const std::string_view text = reader.lines->text;
    const std::size_t start = reader.lines->position;
    const auto bytes = static_cast<std::size_t>(3 * 4 * n);
    if (text.size() - start < bytes)
        return refuse(reader, "the file ends inside the %d bytes of BVertex[%d]",
                      static_cast<int>(bytes), n);
    const auto byte = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(text[start + at]));
    };
    for (std::size_t k = 0; k < 3 * static_cast<std::size_t>(n); ++k) {
        const std::uint32_t bits =
            byte(4 * k) | byte(4 * k + 1) << 8 | byte(4 * k + 2) << 16 | byte(4 * k + 3) << 24;
        const float value = std::bit_cast<float>(bits);
        if (!std::isfinite(value))
            return refuse(reader, "BVertex coordinate %d is not a finite number",
                          static_cast<int>(k));
        put_f32(reader.mqo, reader_vertex_at(reader, 0) + 4 * static_cast<offset_t>(k), value);
    }
    reader.lines->position = start + bytes;
    reader.binary_vertices_pending = 0;
    return 0;
}

// Object attributes the conversion heeds or reports; the plain reading skips
// these lines as it always has.
void note_attribute(mqo_reader& reader) {
    const char* t = token_at(reader.tokens, 0);
    const std::int32_t value = a2i(token_at(reader.tokens, 1));
    mqo_object_note& note = current_note(reader);
    if (strequ(t, "visible") != 0) note.visible = value;
    if (strequ(t, "mirror") != 0) note.mirror = value;
    if (strequ(t, "mirror_axis") != 0) note.mirror_axis = value;
    if (strequ(t, "patch") != 0) note.patch = value > 0;
}

// The tests of one token, in their fixed order; inside a counted list the line
// is a list line as soon as its first token reaches the list's test.
token_result test_token(mqo_reader& reader, int position) {
    const char* t = token_at(reader.tokens, position);
    if (reader.binary_vertices_pending > 0)
        return done_or_refused(read_binary_vertices(reader, position));
    if (strequ(t, "Material") != 0) return material_header(reader, position);
    if (reader.materials_remaining > 0) return material_line(reader, position);
    if (strequ(t, "Object") != 0 && !begin_object(reader, position)) return token_result::refused;
    if (strequ(t, "vertex") != 0) return vertex_header(reader, position, false);
    if (strequ(t, "BVertex") != 0) return vertex_header(reader, position, true);
    if (reader.vertices_remaining > 0) return vertex_line(reader, position);
    if (strequ(t, "face") != 0) return face_header(reader, position);
    if (reader.faces_remaining > 0) return face_line(reader, position);
    if (position == 0 && reader.object >= 0) note_attribute(reader);
    return token_result::next_token;
}

// A list the file ends in the middle of keeps zero in its missing entries.
void warn_short_lists(const mqo_reader& reader) {
    if (reader.materials_remaining + reader.vertices_remaining + reader.faces_remaining == 0)
        return;
    std::fprintf(stderr,
                 "Load_MQO : the file ends inside a list (%d materials, %d vertices, %d faces "
                 "missing); they stay zero\n",
                 reader.materials_remaining, reader.vertices_remaining, reader.faces_remaining);
}

} // namespace

std::int32_t load_mqo_text(std::string_view text, byte_region& mqo) {
    return load_mqo_text(text, mqo, mqo_options{}, nullptr);
}

std::int32_t load_mqo_text(std::string_view text, byte_region& mqo, const mqo_options& options,
                           mqo_notes* notes) {
    const std::unique_ptr<mqo_reader> reader_memory(new mqo_reader{mqo});
    mqo_reader& reader = *reader_memory;
    mqo_notes own_notes;
    reader.options = options;
    reader.notes = notes != nullptr ? notes : &own_notes;
    put_i32(mqo, mqoobj_header::num_material, 0);
    put_i32(mqo, mqoobj_header::num_object, 0);
    put_i32(mqo, mqoobj_header::ofs_material, static_cast<std::int32_t>(mqoobj_header::size));
    put_i32(mqo, mqoobj_header::ofs_object, static_cast<std::int32_t>(mqoobj_header::size));
    if (mqo.fault) {
        std::printf("Load_MQO : MQO buffer too small for the record header\n");
        return -1;
    }

    line_pieces lines{text};
    // The whole model reads a face line whole, however long.
    if (options.whole_model) lines.limit = text.size() + 1;
    reader.lines = &lines;
    std::string piece;
    while (next_line_piece(lines, piece)) {
        ++reader.line_number;
        reader.line = line_of_piece(piece);
        split_mqo_line(reader.line, reader.tokens);
        if (!options.whole_model && reader.tokens.count > mqo_max_tokens)
            return refuse(reader, "Too many chunks : more than %d", mqo_max_tokens);
        for (int p = 0; p < reader.tokens.count; ++p) {
            const token_result result = test_token(reader, p);
            if (result == token_result::refused) return -1;
            if (result == token_result::line_done) break;
        }
    }

    if (reader.binary_vertices_pending > 0)
        return refuse(reader, "the file ends before the bytes of BVertex[%d]",
                      reader.binary_vertices_pending);
    if (options.whole_model && (!finish_whole_object(reader) || !add_default_material(reader)))
        return -1;
    warn_short_lists(reader);
    put_i32(mqo, mqoobj_header::num_object, reader.objects);
    put_i32(mqo, mqoobj_header::mqo_size, static_cast<std::int32_t>(reader.total));
    std::printf("Load_MQO : EXIT MQOSIZE[%d] Material[%d] Object[%d]\n",
                static_cast<std::int32_t>(reader.total), reader.num_material, reader.objects);
    return static_cast<std::int32_t>(reader.total);
}

std::int32_t Load_MQO(const char* path, byte_region& mqo) {
    return Load_MQO(path, mqo, mqo_options{}, nullptr);
}

std::int32_t Load_MQO(const char* path, byte_region& mqo, const mqo_options& options,
                      mqo_notes* notes) {
    std::printf("---------------------------------\nFUNCTION CALLED : Load_MQO\n"
                "---------------------------------\n");
    work_buffer text;
    std::int64_t length = -1;
    errno = 0;
    if (const file_handle file(std::fopen(path, "rb")); file) {
        length = read_whole_file(file.get(), text);
    } else {
        const int error = errno;
        std::printf("Failed to open MQO file.\n");
        explain_unopened_input("MQO", path, error);
        return -1;
    }
    if (length < 0) {
        std::printf("Failed to open MQO file.\n");
        std::fprintf(stderr, "ossify: MQO=%s opens but cannot be read (a directory?)\n",
                     quoted_path(path).c_str());
        return -1;
    }
    return load_mqo_text(get_chars(text.region, 0, length), mqo, options, notes);
}

} // namespace ossify
