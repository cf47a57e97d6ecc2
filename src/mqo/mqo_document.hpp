// An MQO model to be written as text: the plain record the exports fill and
// the writer turns into the subset of the text format that the reader takes
// (header lines, a Scene chunk, one Material chunk, objects with a vertex and a
// face list, "Eof"). Line ends are CR LF, as the modeller saves its files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ossify {

struct mqo_document_material {
    std::string name;
    std::string texture; // empty: no tex(...)
};

// A triangle: its corners as vertex indices of its object, in the order the
// reader takes them, with a u, v pair per corner.
struct mqo_document_face {
    std::array<std::int32_t, 3> vertex{};
    std::int32_t material = -1; // -1: no M(...)
    bool has_uv = false;
    std::array<std::array<float, 2>, 3> uv{};
};

struct mqo_document_object {
    std::string name;
    std::vector<std::array<float, 3>> vertices;
    std::vector<mqo_document_face> faces;
};

struct mqo_document {
    std::vector<mqo_document_material> materials;
    std::vector<mqo_document_object> objects;
};

// The text of the model. Every number is written in plain decimals with as few
// digits as read back to the same float32. Names are quoted; characters the
// format cannot hold in a quoted name (quotes, line ends) become '_'.
std::string mqo_text(const mqo_document& document);

// A name the reader takes back unchanged as one quoted token that is not one of
// its keywords: quotes and line ends become '_', an empty name or a keyword gets
// a trailing '_', and the result is cut to 63 bytes.
std::string mqo_safe_name(std::string_view name);

} // namespace ossify
