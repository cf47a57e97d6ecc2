// Blended skin weights: each vertex shared between the bones whose segments
// (origin to forward vertex) lie nearest to it, so that joints bend instead of
// tearing. An opt-in pass over a finished mesh record (BLENDWEIGHTS).
//
// The rule, for a vertex P and every bone k with segment distance d_k:
//   closeness q_k = d_min / d_k        (1 for every bone at the least distance)
//   raw r_k       = s(2 q_k - 1), s(x) = x^2 (3 - 2x) clamped to 0..1
// so the nearest bone has 1 and a bone at twice the least distance or farther 0.
// The N bones of largest r are kept (ties: lower bone number first), each less
// the r of the first bone left out, so a bone fades out before it is dropped;
// the weights are then normalised, those below 0.01 dropped and the rest
// normalised again. The result depends only on P and the skeleton: a vertex
// shared by two objects at a seam gets the same weights in both.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_access.hpp"
#include "base/vector_math.hpp"
#include "mesh/bone_binding.hpp"

namespace ossify {

inline constexpr int max_blend_weights = 4;

// A bone as the blending sees it: the segment from its origin to its forward vertex.
struct bone_segment {
    vector3 origin;
    vector3 forward;
};

struct blend_weight {
    std::int32_t bone = 0;
    float weight = 0.0f;
};

struct blend_result {
    std::array<blend_weight, max_blend_weights> weights{};
    int count = 0;
};

// The segments of the bones of a bone object, in bone order.
std::vector<bone_segment> bone_segments(const byte_region& bones);

// The weights of a vertex at `p`, at most `most` (1 to max_blend_weights), by
// decreasing weight; they sum to 1 up to float32 rounding. No segments: none.
blend_result blend_vertex(const vector3& p, std::span<const bone_segment> segments, int most);

// The same rule over any distances, one per candidate: the weights' `bone` is
// the candidate's index in `distance`. A candidate at an infinite distance takes
// no part; all infinite, or none: no weights.
blend_result blend_distances(std::span<const double> distance, int most);

// Replaces the weights of the mesh vertex at `vertex` by `r` (bones below
// mesh_max_bones), its weight list starting at `first_weight`, and marks the
// bones used; the bone-local positions stay as the builder stored them.
void set_vertex_weights(byte_region& mesh, offset_t vertex, const blend_result& r,
                        std::int32_t first_weight, bone_usage& used);

// Rebinds every vertex of every mesh object of `mesh` with blend_vertex and
// rewrites the weight lists, first-weight indexes and bone references; the
// bone-local positions the builder stored in every bone slot stay as they are.
// Returns 1, or -1 when the record does not hold the mesh objects its header
// counts (the reason is printed).
std::int32_t blend_skin_weights(byte_region& mesh, const byte_region& bones, int most);

} // namespace ossify
