// The shader name a surface gets from the URI of its base colour texture.
#pragma once

#include <string>

namespace ossify {

// A shader name from an image URI, by the rule shaders get from the modeller's
// texture paths (shader_name_from_texture): percent escapes decoded, then what
// follows the last "models/" or "textures/" folder, or else the file name. An
// embedded image ("data:" URI) or an empty URI gives an empty name. Examples:
// "textures/body%20a.png" -> "body a.png",
// "C:\\art\\models\\players\\hero\\body.tga" -> "players/hero/body.tga".
std::string shader_from_image_uri(const std::string& uri);

} // namespace ossify
