// Working state of the skeleton builder, shared by its steps: the marker steps
// (bone_markers.cpp) and the linking steps (bone_links.cpp).
#pragma once

#include <cstdint>

#include "base/byte_access.hpp"

namespace ossify {

struct bone_build {
    const byte_region& mqo;
    byte_region& boneobj;
    offset_t bone_object = 0; // the MQO object named "bone"
    std::int32_t num_bone = 0;
    std::int32_t num_tag = 0;
};

// Bones and tags share one record layout; what differs is their material prefix,
// their labels in the trace and the kind field.
struct record_kind {
    const char* prefix;     // "bone:" or "tag:"
    const char* label;      // "Bone" or "Tag": collection and face lines
    const char* tree_label; // "BONE" or "Tag": alternate origin, tree and root lines
    std::int32_t kind;
    std::int32_t first; // index of the first record of this kind
};

// Writes the constant fields of the bone object's header (ident, version,
// description, OffsetBone).
void write_boneobj_header(byte_region& boneobj);

record_kind bone_kind();
record_kind tag_kind(const bone_build& build);

// Fills one record per material carrying the kind's prefix. Returns their
// number, or -1 when they would outgrow the bone buffer.
std::int32_t collect_records(bone_build& build, const record_kind& kind);

// Gives each bone the last triangle of its material, each tag the last face of
// its material; false after refusing a face that names a missing vertex.
bool find_bone_triangles(bone_build& build);
bool find_tag_faces(bone_build& build);

// Sets the alternate origins of the `count` records of `kind` from the lines of
// the "bone" object.
void assign_alternate_origins(bone_build& build, const record_kind& kind, std::int32_t count);

// Parent and ancestors of each record; false when one cannot reach the root.
bool link_to_root(bone_build& build, const record_kind& kind, std::int32_t count);

// Angles and rotation rows of each record; bones also print their rows.
void orient_records(bone_build& build, const record_kind& kind, std::int32_t count);

// The angles and rows relative to the parent (the root's are its own).
void relative_fields(bone_build& build, const record_kind& kind, std::int32_t count);

} // namespace ossify
