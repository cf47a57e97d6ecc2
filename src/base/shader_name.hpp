// Names the engine looks surfaces' images up by, made from the texture paths a
// modeller stores. Pure text functions, safe on Shift_JIS names: the second byte
// of a double-byte character is never taken for a separator or cut off alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ossify {

// The shader name of a texture path: its separators turned to '/', then reduced
// to what follows the last "models/" or "textures/" folder (matched whole and
// without regard to ASCII case), or failing both to the file name; `prefix` is
// put in front as it is. "C:\\mod\\models\\hero\\body.tga" gives "hero/body.tga",
// "body.tga" with the prefix "models/players/hero/" gives
// "models/players/hero/body.tga". An empty path gives the prefix alone.
std::string shader_name_from_texture(std::string_view texture_path, std::string_view prefix);

// The longest start of `name` of at most `max_bytes` bytes that does not end in
// the first byte of a Shift_JIS double-byte character.
std::string cut_name(std::string_view name, std::size_t max_bytes);

} // namespace ossify
