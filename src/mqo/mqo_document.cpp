#include "mqo/mqo_document.hpp"

#include <bit>
#include <charconv>
#include <cstdint>

#include "base/text_routines.hpp"
#include "mqo/mqo_record.hpp"

namespace ossify {

namespace {

constexpr std::string_view line_end = "\r\n";

// The header lines the modeller writes and the Scene chunk it expects: a view
// from the front, far enough for a character ten times the engine's size.
constexpr std::string_view document_head = "Metasequoia Document\r\n"
                                           "Format Text Ver 1.0\r\n"
                                           "\r\n"
                                           "Scene {\r\n"
                                           "\tpos 0.0000 0.0000 1500.0000\r\n"
                                           "\tlookat 0.0000 0.0000 0.0000\r\n"
                                           "\thead -0.5236\r\n"
                                           "\tpich 0.5236\r\n"
                                           "\tortho 0\r\n"
                                           "\tzoom2 5.0000\r\n"
                                           "\tamb 0.250 0.250 0.250\r\n"
                                           "}\r\n";

// The attribute lines of every object, as the modeller writes them.
constexpr std::string_view object_attributes = "\tvisible 15\r\n"
                                               "\tlocking 0\r\n"
                                               "\tshading 1\r\n"
                                               "\tfacet 59.5\r\n"
                                               "\tcolor 0.898 0.498 0.698\r\n"
                                               "\tcolor_type 0\r\n";

constexpr std::string_view material_attributes =
    " col(1.000 1.000 1.000 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) power(5.00)";

// Words the reader takes for the start of a list or a texture wherever they stand.
constexpr std::string_view reader_keywords[] = {"Material", "Object", "vertex", "BVertex",
                                                "face",     "tex",    "Vector"};

// The reader takes a short plain number (at most nine digits) as f32(f32(digits)
// / 10^k), which can miss the float32 it came from; longer numbers and numbers
// with an exponent it rounds correctly. So: the shortest plain digits when the
// reader takes them back exactly, else the plain digits of the value as a double,
// else (never seen) the shortest digits with an exponent.
void append_number(std::string& text, float value) {
    // -0 reads back as 0; writing it plain keeps the text tidy.
    const float shown = value == 0.0f ? 0.0f : value;
    char digits[400];
    const auto reads_back = [&](char* end) {
        *end = '\0';
        return std::bit_cast<std::uint32_t>(str_to_float(digits)) ==
               std::bit_cast<std::uint32_t>(shown);
    };
    char* end =
        std::to_chars(digits, digits + sizeof digits - 1, shown, std::chars_format::fixed).ptr;
    if (!reads_back(end))
        end = std::to_chars(digits, digits + sizeof digits - 1, static_cast<double>(shown),
                            std::chars_format::fixed)
                  .ptr;
    if (!reads_back(end))
        end =
            std::to_chars(digits, digits + sizeof digits - 1, shown, std::chars_format::scientific)
                .ptr;
    text.append(digits, end);
}

void append_int(std::string& text, long long value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, result.ptr);
}

void append_quoted(std::string& text, std::string_view name) {
    text += '"';
    text += mqo_safe_name(name);
    text += '"';
}

void append_face(std::string& text, const mqo_document_face& face) {
    text += "\t\t3 V(";
    for (int k = 0; k < 3; ++k) {
        if (k > 0) text += ' ';
        append_int(text, face.vertex[static_cast<std::size_t>(k)]);
    }
    text += ')';
    if (face.material >= 0) {
        text += " M(";
        append_int(text, face.material);
        text += ')';
    }
    if (face.has_uv) {
        text += " UV(";
        for (std::size_t k = 0; k < 3; ++k) {
            if (k > 0) text += ' ';
            append_number(text, face.uv[k][0]);
            text += ' ';
            append_number(text, face.uv[k][1]);
        }
        text += ')';
    }
    text += line_end;
}

// "head n {", a line for each item and the closing brace of an object's list.
template <typename Item, typename Write>
void append_list(std::string& text, std::string_view head, const std::vector<Item>& items,
                 Write write) {
    text += head;
    text += ' ';
    append_int(text, static_cast<long long>(items.size()));
    text += " {";
    text += line_end;
    for (const Item& item : items)
        write(text, item);
    text += "\t}";
    text += line_end;
}

void append_vertex(std::string& text, const std::array<float, 3>& p) {
    text += "\t\t";
    append_number(text, p[0]);
    text += ' ';
    append_number(text, p[1]);
    text += ' ';
    append_number(text, p[2]);
    text += line_end;
}

void append_object(std::string& text, const mqo_document_object& object) {
    text += "Object ";
    append_quoted(text, object.name);
    text += " {";
    text += line_end;
    text += object_attributes;
    // The reader refuses empty lists (unless it reads the whole model): an empty
    // one is left out.
    if (!object.vertices.empty()) append_list(text, "\tvertex", object.vertices, append_vertex);
    if (!object.faces.empty()) append_list(text, "\tface", object.faces, append_face);
    text += '}';
    text += line_end;
}

} // namespace

std::string mqo_safe_name(std::string_view name) {
    std::string safe(name.substr(0, mqo_name_width - 1));
    for (char& c : safe)
        if (c == '"' || c == '\r' || c == '\n' || c == '\0') c = '_';
    bool keyword = safe.empty();
    for (const std::string_view word : reader_keywords)
        keyword = keyword || safe == word;
    if (keyword) {
        if (safe.size() == mqo_name_width - 1) safe.pop_back();
        safe += '_';
    }
    return safe;
}

std::string mqo_text(const mqo_document& document) {
    std::string text(document_head);
    text += "Material ";
    append_int(text, static_cast<long long>(document.materials.size()));
    text += " {";
    text += line_end;
    for (const mqo_document_material& material : document.materials) {
        text += '\t';
        append_quoted(text, material.name);
        text += material_attributes;
        if (!material.texture.empty()) {
            text += " tex(";
            append_quoted(text, material.texture);
            text += ')';
        }
        text += line_end;
    }
    text += '}';
    text += line_end;
    for (const mqo_document_object& object : document.objects)
        append_object(text, object);
    text += "Eof";
    text += line_end;
    return text;
}

} // namespace ossify
