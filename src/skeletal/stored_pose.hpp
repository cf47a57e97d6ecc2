// The engine's posing inputs as the skeletal files store them: bone infos,
// compressed bone frames and skin weights, read into (and bone frames written
// from) the plain records of engine_pose.hpp. Every job that poses or skins a
// stored file reads it through these, so the field walks exist once.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_access.hpp"
#include "skeletal/engine_pose.hpp"

namespace ossify {

// Three float32 at `at` as a double vector, and back (each rounded once).
dvec3 get_dvec3(const byte_region& file, offset_t at);
void put_dvec3(byte_region& file, offset_t at, const dvec3& v);

// Three such vectors in a row (a tag's axes): the rows forward, left, up.
bone_rotation get_rotation_rows(const byte_region& file, offset_t at);
void put_rotation_rows(byte_region& file, offset_t at, const bone_rotation& rows);

// Where bone `bone`'s compressed frame starts in the frame at `frame` (MDS and
// MDX alike).
offset_t bone_frame_at(offset_t frame, offset_t bone);

// The compressed bone frame at `at`, decoded to radians.
bone_angles read_bone_angles(const byte_region& file, offset_t at);

// Stores `angles` as the engine does (compress_angle of each); the fourth,
// unused angle is left as it is.
void write_bone_angles(byte_region& file, offset_t at, const bone_angles& angles);

// The parents and parent distances of `count` bone infos from `ofs_bones`.
std::vector<skeleton_bone> read_skeleton_bones(const byte_region& file, std::int32_t ofs_bones,
                                               std::int32_t count);

// The frame at `frame` posed as the engine poses it: its root at the frame's
// parent offset, every bone from its compressed angles.
std::vector<posed_bone> pose_stored_frame(const byte_region& file, offset_t frame,
                                          std::span<const skeleton_bone> bones);

// The `count` skin weights of one vertex, stored from `at` on.
std::vector<engine_weight> read_skin_weights(const byte_region& file, offset_t at,
                                             std::int32_t count);

// Every vertex of every surface of an MDM, skinned on `posed` with its weights.
std::vector<std::vector<dvec3>> skin_mdm_vertices(const byte_region& mdm,
                                                  std::span<const posed_bone> posed);

} // namespace ossify
