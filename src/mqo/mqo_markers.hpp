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

// Objects built as meshes: all but the skeleton and tag objects and, unless the
// whole model is converted, the skin sources; the anchors too when a rig reads
// them as its binding solids.
inline bool is_mesh_object_name(std::string_view name, bool skin_sources_are_meshes,
                                bool anchors_are_meshes = true) {
    return !begins_with(name, marker_bone_object) && !begins_with(name, marker_tag) &&
           (skin_sources_are_meshes || !begins_with(name, marker_skin_source)) &&
           (anchors_are_meshes || !begins_with(name, marker_anchor));
}

} // namespace ossify
