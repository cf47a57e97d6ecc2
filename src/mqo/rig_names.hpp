// Object names of rigged models as the modeller's posing tools share them:
// "bone:NAME" holds bone triangles, "sdef:NAME" a skinned mesh,
// "anchorLABEL|TARGET" the solids that say which bone each part of the skin
// "sdef:TARGET" follows (LABEL is free text), and "anchorLABEL|TARGET-BONE" or any
// other object "NAME-BONE" names a bone outright.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ossify {

struct anchor_name {
    std::string label;
    std::string target; // the skin object's name without "sdef:", "-BONE" included
};

// Splits an anchor object's name; false when it does not begin with "anchor" or
// holds no '|'.
bool parse_anchor_name(std::string_view object_name, anchor_name& out);

// The bone `name` names by its "-BONE" ending: the longest of `bone_names` that
// ends the name after a '-'; -1 when none does. `stem` gets the name before the '-'
// (the whole name when there is no such bone).
int bone_suffix(std::string_view name, std::span<const std::string> bone_names, std::string& stem);

// The skin object name "sdef:NAME" gives NAME; an empty string for other names.
std::string skin_target(std::string_view object_name);

} // namespace ossify
