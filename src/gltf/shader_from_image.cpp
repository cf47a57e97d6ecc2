#include "gltf/shader_from_image.hpp"

#include "base/shader_name.hpp"

namespace ossify {

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percent_decoded(const std::string& uri) {
    std::string out;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hex_value(uri[i + 1]) >= 0 &&
            hex_value(uri[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex_value(uri[i + 1]) * 16 + hex_value(uri[i + 2])));
            i += 2;
        } else {
            out.push_back(uri[i]);
        }
    }
    return out;
}

} // namespace

std::string shader_from_image_uri(const std::string& uri) {
    if (uri.empty() || uri.rfind("data:", 0) == 0) return {};
    return shader_name_from_texture(percent_decoded(uri), "");
}

} // namespace ossify
