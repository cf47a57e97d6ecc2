// A face line: corner count, V(...) corner indices, optional M(...) material and
// UV(...) texture coordinates.
#include <cmath>

#include "mqo/mqo_reader.hpp"

namespace ossify {

namespace {

bool read_texture_coordinates(mqo_reader& reader, int corners, int uv, offset_t face) {
    for (int j = 0; j < corners; ++j) {
        for (int k = 0; k < 2; ++k) {
            const char* token = token_at(reader.tokens, uv + 1 + 2 * j + k);
            const float value = str_to_float(token);
            if (!std::isfinite(value)) {
                refuse(reader, "Texture coordinate[%s] is not a finite number", token);
                return false;
            }
            put_f32(reader.mqo, face + mqo_face::uv + 8 * j + 4 * k, value);
        }
    }
    return true;
}

} // namespace

std::int32_t read_face_line(mqo_reader& reader, int position, offset_t face) {
    const mqo_line_tokens& tokens = reader.tokens;
    const std::int32_t corners = a2i(token_at(tokens, position));
    if (corners < 0) return refuse_quietly(reader, "a face line begins with its corner count");
    if (corners < 2 || corners > mqo_max_corners)
        return refuse_quietly(reader, "a face has 2, 3 or 4 corners");
    put_i32(reader.mqo, face + mqo_face::num_corners, corners);

    const int v = find_token(tokens, "V");
    if (v < 0 || v == tokens.count - 1)
        return refuse_quietly(reader, "a face line lists its corner vertices in V(...)");
    for (int j = 0; j < corners; ++j)
        put_i32(reader.mqo, face + mqo_face::vertex + 4 * j, a2i(token_at(tokens, v + 1 + j)));

    // Lines (two corners) carry no material, whatever M(...) says.
    std::int32_t material = -1;
    const int m = find_token(tokens, "M");
    if (m >= 0 && m + 1 < tokens.count && corners >= 3) {
        material = a2i(token_at(tokens, m + 1));
        if (material < 0 || material > mqo_max_materials)
            return refuse_quietly(reader, "the material index in M(...) is a number of 0 to 1024");
    }
    put_i32(reader.mqo, face + mqo_face::material, material);

    // Fewer than four values give no texture coordinates at all.
    const int uv = find_token(tokens, "UV");
    if (uv >= 0 && tokens.count - uv - 1 >= 4 &&
        !read_texture_coordinates(reader, corners, uv, face))
        return -1;
    return 0;
}

} // namespace ossify
