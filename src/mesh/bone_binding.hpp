// Rigid binding of mesh vertices to the nearest bone of a skeleton, with the
// vertex position in the local frame of every bone.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

using bone_usage = std::array<bool, mesh_max_bones>;

// What the binding needs of one bone: its origin and the rotation into its frame.
struct bone_frame {
    vector3 origin;
    mat3 to_local;      // bone_local_rotation of the bone's angles
    mat3 to_local_rows; // its transpose, so each vertex is one rows_dot_vec3
};

// The frames of the first `bone_count` bones of a bone object.
std::vector<bone_frame> bone_frames(const byte_region& bones, std::int32_t bone_count);

// p − origin with each difference rounded to float32.
inline vector3 offset_from_origin(const vector3& p, const vector3& origin) {
    return {static_cast<float>(static_cast<double>(p.x) - origin.x),
            static_cast<float>(static_cast<double>(p.y) - origin.y),
            static_cast<float>(static_cast<double>(p.z) - origin.z)};
}

// A model-space vector (a difference from the bone's origin, or a direction) in
// the bone's frame, as every bone-local position of the mesh record is made.
inline vector3 in_bone_frame(const bone_frame& frame, const vector3& v) {
    return rows_dot_vec3(frame.to_local_rows, v);
}

// The local rotation of a bone with the given angles: Rx(-roll), Rz(yaw) and
// Ry(-pitch) combined with the matrix routines, as the bone-local positions
// of the mesh record have always been computed.
mat3 bone_local_rotation(float roll, float pitch, float yaw);

// Fills the bone slots of the vertex at `vertex` (position `p`), binds it with
// weight 1 to the nearest bone, marks that bone as used and returns 1, or -1
// when a bone-local position is not finite.
std::int32_t bind_vertex_to_bones(byte_region& mesh, offset_t vertex, const vector3& p,
                                  const std::vector<bone_frame>& frames, bone_usage& used);

// The used bones, ascending, as the mesh object's bone references.
void write_bone_references(byte_region& mesh, offset_t object, const bone_usage& used);

} // namespace ossify
