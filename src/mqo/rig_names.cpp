#include "mqo/rig_names.hpp"

#include "mqo/mqo_markers.hpp"

namespace ossify {

bool parse_anchor_name(std::string_view object_name, anchor_name& out) {
    if (!begins_with(object_name, marker_anchor)) return false;
    const std::string_view rest = object_name.substr(marker_anchor.size());
    const std::size_t bar = rest.find('|');
    if (bar == std::string_view::npos) return false;
    out.label = std::string(rest.substr(0, bar));
    out.target = std::string(rest.substr(bar + 1));
    return true;
}

int bone_suffix(std::string_view name, std::span<const std::string> bone_names, std::string& stem) {
    int found = -1;
    std::size_t longest = 0;
    for (std::size_t b = 0; b < bone_names.size(); ++b) {
        const std::string& bone = bone_names[b];
        if (bone.empty() || bone.size() + 1 > name.size() || bone.size() <= longest) continue;
        const std::size_t dash = name.size() - bone.size() - 1;
        if (name[dash] != '-' || name.substr(dash + 1) != bone) continue;
        found = static_cast<int>(b);
        longest = bone.size();
    }
    stem = std::string(found < 0 ? name : name.substr(0, name.size() - longest - 1));
    return found;
}

std::string skin_target(std::string_view object_name) {
    if (!begins_with(object_name, marker_skin_source)) return {};
    return std::string(object_name.substr(marker_skin_source.size()));
}

} // namespace ossify
