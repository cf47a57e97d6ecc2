#include "gltf/shader_from_image.hpp"

#include <cctype>

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

// Where the folder `folder` (e.g. "models/") starts a path segment, or npos.
std::size_t segment_start(const std::string& path, const std::string& folder) {
    for (std::size_t at = path.find(folder); at != std::string::npos;
         at = path.find(folder, at + 1))
        if (at == 0 || path[at - 1] == '/') return at;
    return std::string::npos;
}

} // namespace

std::string shader_from_image_uri(const std::string& uri) {
    if (uri.empty() || uri.rfind("data:", 0) == 0) return {};
    std::string path = percent_decoded(uri);
    for (char& c : path)
        if (c == '\\') c = '/';
    std::size_t from = std::string::npos;
    for (const char* folder : {"models/", "textures/"}) {
        const std::size_t at = segment_start(path, folder);
        if (at < from) from = at;
    }
    if (from == std::string::npos) {
        const std::size_t slash = path.rfind('/');
        from = slash == std::string::npos ? 0 : slash + 1;
    }
    path = path.substr(from);
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
        dot > (slash == std::string::npos ? 0 : slash + 1))
        path.erase(dot);
    return path;
}

} // namespace ossify
