#include "base/shader_name.hpp"

#include <array>

namespace ossify {

namespace {

// A byte that opens a Shift_JIS double-byte character.
bool is_lead_byte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

char lower_ascii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Does the folder name `folder` (with its '/') start at `at` of `path`, as a
// whole path component?
bool folder_at(std::string_view path, std::size_t at, std::string_view folder) {
    if (at > 0 && path[at - 1] != '/') return false;
    if (path.size() - at < folder.size()) return false;
    for (std::size_t i = 0; i < folder.size(); ++i)
        if (lower_ascii(path[at + i]) != folder[i]) return false;
    return true;
}

} // namespace

std::string shader_name_from_texture(std::string_view texture_path, std::string_view prefix) {
    // Separators become '/'; the starts of characters are kept to search from.
    std::string path;
    std::string starts; // 1 where a character starts
    for (std::size_t i = 0; i < texture_path.size(); ++i) {
        const char c = texture_path[i];
        const bool pair = is_lead_byte(c) && i + 1 < texture_path.size();
        path += c == '\\' ? '/' : c;
        starts += '\1';
        if (pair) {
            path += texture_path[++i];
            starts += '\0';
        }
    }
    constexpr std::array<std::string_view, 2> folders = {"models/", "textures/"};
    std::size_t from = std::string::npos;
    for (std::size_t at = 0; at < path.size(); ++at) {
        if (starts[at] == '\0') continue;
        for (const std::string_view folder : folders)
            if (folder_at(path, at, folder)) from = at + folder.size();
    }
    if (from == std::string::npos) {
        from = 0;
        for (std::size_t at = 0; at < path.size(); ++at)
            if (starts[at] != '\0' && (path[at] == '/' || path[at] == ':')) from = at + 1;
    }
    return std::string(prefix) + path.substr(from);
}

std::string cut_name(std::string_view name, std::size_t max_bytes) {
    std::size_t end = 0;
    while (end < name.size()) {
        const std::size_t step = is_lead_byte(name[end]) && end + 1 < name.size() ? 2 : 1;
        if (end + step > max_bytes) break;
        end += step;
    }
    return std::string(name.substr(0, end));
}

} // namespace ossify
