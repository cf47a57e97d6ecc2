// A face line: corner count, V(...) corner indices, optional M(...) material and
// UV(...) texture coordinates.
#include <cmath>

#include "mqo/mqo_reader.hpp"

namespace ossify {

namespace {

bool read_texture_coordinates(mqo_reader& reader, int uv) {
    std::vector<float>& values = reader.polygon.uv;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const char* token = token_at(reader.tokens, uv + 1 + static_cast<int>(k));
        const float value = str_to_float(token);
        if (!std::isfinite(value)) {
            refuse(reader, "Texture coordinate[%s] is not a finite number", token);
            return false;
        }
        values[k] = value;
    }
    return true;
}

// The material index after M, or -2 when it is not one. The whole-model reading
// also takes M(-1), the modeller's "no material".
std::int32_t material_index(const mqo_reader& reader, int m) {
    const char* token = token_at(reader.tokens, m + 1);
    if (reader.options.whole_model && strequ(token, "-1") != 0) return -1;
    const std::int32_t material = a2i(token);
    return material < 0 || material > mqo_max_materials ? -2 : material;
}

} // namespace

std::int32_t read_face_line(mqo_reader& reader, int position, int most_corners) {
    const mqo_line_tokens& tokens = reader.tokens;
    mqo_polygon& polygon = reader.polygon;
    const std::int32_t corners = a2i(token_at(tokens, position));
    if (corners < 0) return refuse_quietly(reader, "a face line begins with its corner count");
    if (corners < 2 || corners > most_corners) {
        if (corners > most_corners && most_corners == mqo_max_corners &&
            !reader.options.whole_model)
            reader.notes->refusal_lifted_by_whole_model = "faces of more than 4 corners";
        if (most_corners == mqo_max_corners)
            return refuse_quietly(reader, "a face has 2, 3 or 4 corners");
        return refuse(reader, "Face of %d corners: at most %d", corners, most_corners);
    }
    polygon.vertex.assign(static_cast<std::size_t>(corners), 0);
    polygon.uv.assign(2 * static_cast<std::size_t>(corners), 0.0f);

    const int v = find_token(tokens, "V");
    if (v < 0 || v == tokens.count - 1)
        return refuse_quietly(reader, "a face line lists its corner vertices in V(...)");
    for (int j = 0; j < corners; ++j)
        polygon.vertex[static_cast<std::size_t>(j)] = a2i(token_at(tokens, v + 1 + j));

    // Lines (two corners) carry no material, whatever M(...) says.
    polygon.material = -1;
    const int m = find_token(tokens, "M");
    if (m >= 0 && m + 1 < tokens.count && corners >= 3) {
        polygon.material = material_index(reader, m);
        if (polygon.material == -2)
            return refuse_quietly(reader, "the material index in M(...) is a number of 0 to 1024");
    }

    // Fewer than four values give no texture coordinates at all.
    const int uv = find_token(tokens, "UV");
    if (uv >= 0 && tokens.count - uv - 1 >= 4 && !read_texture_coordinates(reader, uv)) return -1;

    mqo_object_note& note = current_note(reader);
    if (corners == 2) ++note.lines;
    if (corners == 3) ++note.triangles;
    if (corners == 4) ++note.quads;
    if (corners >= 3) {
        ++note.polygons;
        note.triangle_yield += corners - 2;
        if (polygon.material < 0) ++note.without_material;
    }
    return 0;
}

void put_face(byte_region& mqo, offset_t face, const mqo_polygon& polygon) {
    put_i32(mqo, face + mqo_face::num_corners, polygon.corners());
    for (int j = 0; j < polygon.corners(); ++j) {
        const auto k = static_cast<std::size_t>(j);
        put_i32(mqo, face + mqo_face::vertex + 4 * j, polygon.vertex[k]);
        put_f32(mqo, face + mqo_face::uv + 8 * j, polygon.uv[2 * k]);
        put_f32(mqo, face + mqo_face::uv + 8 * j + 4, polygon.uv[2 * k + 1]);
    }
    put_i32(mqo, face + mqo_face::material, polygon.material);
}

} // namespace ossify
