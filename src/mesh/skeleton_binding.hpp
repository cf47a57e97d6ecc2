// Binding a model to a posed skeleton that it was not drawn with (mode 9 with
// BINDMDX): every vertex follows the bones whose segments lie nearest to it
// among those it can see, and keeps its position in each bone's frame as the
// engine poses that bone, so that the engine's skinning at the bind pose puts
// it back where it was drawn.
//
// A bone is the segment from its position to each child's position; a bone
// without children is its position, and owns the skin beyond it: a vertex past
// the end of a segment that ends at such a bone does not measure that segment
// (otherwise the segment's end and the child's position tie, and a head or a
// hand would follow the neck or the forearm). Distance alone binds badly where
// parts of a model touch (a hand hanging beside a thigh, fingers side by side),
// so a bone only counts for a vertex when the straight line from the vertex to
// the nearest point of the bone's segments crosses no triangle of the model:
// the hand's skin stands between a thigh vertex and the hand's bones. Each
// segment counts on its own: a bone counts with the nearest of its segments in
// sight. A vertex that sees no bone within six times the distance of the
// nearest (a cape over the legs, a closed shell round the body, a fold of the
// skin at a bent joint) follows, among those, the bones behind the fewest
// surfaces. Among the bones that count, the rigid binding takes the nearest; a
// blend of up to N bones follows the rule of blend_weights.hpp over their
// distances.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/byte_access.hpp"
#include "mesh/blend_weights.hpp"
#include "skeletal/engine_pose.hpp"
#include "skeleton/mdx_skeleton.hpp"

namespace ossify {

// A bone as the binding sees it, in the modeller's units.
struct bind_bone {
    dvec3 position{};
    bone_rotation rotation{}; // the engine's R: rows forward, left, up
    std::int32_t parent = -1;
    bool bindable = true; // false: no vertex follows this bone
    std::string name{};
};

// The bones of a posed MDX in the modeller's units; `chosen` (one flag a bone)
// says which are bindable.
std::vector<bind_bone> bind_bones_of(const mdx_pose& pose, const std::vector<bool>& chosen);

struct bind_segment {
    std::int32_t bone = 0;
    dvec3 from{}, to{};
    bool to_leaf = false; // ends at a bone without children
};

// The segments of the bindable bones: one from a bone to each of its children
// (in bone order), or a point for a bone without children.
std::vector<bind_segment> bind_segments(std::span<const bind_bone> bones);

// The triangles of a model that stand between a vertex and a bone.
struct occluders {
    std::vector<std::array<dvec3, 3>> triangles;
    std::vector<std::array<dvec3, 2>> boxes; // each triangle's lowest and highest corner
    void add(const dvec3& a, const dvec3& b, const dvec3& c);
};

// How many triangles the open segment from `p` to `q` crosses; triangles with
// a corner at `p` (the vertex's own) do not count.
int crossings(const occluders& model, const dvec3& p, const dvec3& q);

struct bind_options {
    int most = 1;              // bones a vertex may follow, 1 (rigid) to max_blend_weights
    bool line_of_sight = true; // false: distance alone (the plain rule, for comparison)
};

// The weights of a vertex at `p`, by decreasing weight, bones numbered as in
// the skeleton. `model` may be null (distance alone). No bindable bone: none.
blend_result bind_point(const dvec3& p, std::span<const bind_segment> segments,
                        std::size_t bone_count, const occluders* model,
                        const bind_options& options);

// Rebinds every vertex of every mesh object of `mesh` (as the mesh builder
// built it with the bone object of the same skeleton) with bind_point, every
// triangle of the record counting as an occluder; a mesh object named exactly
// as a bone binds only to that bone and the bones below it (a cape named after
// the upper spine, a sleeve after the upper arm). It rewrites the weight
// lists, first-weight indexes and bone references. Every bone slot gets the
// vertex position in that bone's frame, R^T·(P − position). Returns 1, or -1
// when the record does not hold the mesh objects its header counts or the
// skeleton has more bones than a vertex has slots (the reason is printed).
// `ask_first`, when given, is asked before the rule above for each vertex (mesh
// object number and name, position); the rule binds the vertices for which it
// returns no weight.
using vertex_rule =
    std::function<blend_result(std::int32_t object, const std::string& name, const dvec3& p)>;
std::int32_t bind_mesh_to_skeleton(byte_region& mesh, std::span<const bind_bone> bones,
                                   const bind_options& options, const vertex_rule& ask_first = {});

} // namespace ossify
