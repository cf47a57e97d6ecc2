// The shader name a surface gets from the URI of its base colour texture.
#pragma once

#include <string>

namespace ossify {

// A shader name from an image URI: percent escapes decoded, backslashes turned
// into slashes, the extension dropped, and the path kept from its "models/" or
// "textures/" folder on (the game's folders) or else reduced to the file name.
// An embedded image ("data:" URI) or an empty URI gives an empty name.
// Examples: "textures/body%20a.png" -> "textures/body a",
// "C:\\art\\models\\players\\hero\\body.tga" -> "models/players/hero/body",
// "../img/skin.jpg" -> "skin".
std::string shader_from_image_uri(const std::string& uri);

} // namespace ossify
