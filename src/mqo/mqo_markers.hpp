// Naming conventions of MQO models: a name carries a marker when its first
// characters equal all characters of the marker, byte for byte.
#pragma once

#include <string_view>

namespace ossify {

inline constexpr std::string_view marker_bone_object = "bone";
inline constexpr std::string_view marker_bone = "bone:";
inline constexpr std::string_view marker_tag = "tag:";
inline constexpr std::string_view marker_anchor = "anchor";
inline constexpr std::string_view marker_skin_source = "sdef:";

inline bool begins_with(std::string_view name, std::string_view marker) {
    return name.substr(0, marker.size()) == marker && name.size() >= marker.size();
}

// Materials that mark bones and tags; they become no shader.
inline bool is_marker_material(std::string_view name) {
    return begins_with(name, marker_bone) || begins_with(name, marker_tag);
}

} // namespace ossify
