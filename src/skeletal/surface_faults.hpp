// Faults in the skinned surfaces of a loaded MDM or MDS that make the engine
// draw stray triangles although the file is sound: a collapse map it cannot
// follow at some level of detail, and weights on bones it never poses.
//
// The engine draws the first render_count vertices of a surface, never fewer
// than its minimum LoD, and sends each later vertex j where collapse[map[j]]
// went. Its collapse array is shared by all surfaces and never cleared, so an
// entry map[j] >= j reads what an earlier surface left, and one outside the
// surface reads anything. Only the bones of a surface's bone references are
// posed for it; a weight on another bone follows a stale matrix.
#pragma once

#include <cstdint>
#include <vector>

#include "base/byte_access.hpp"

namespace ossify {

enum class mesh_format { mdm, mds };

// Where the arrays of one surface lie in its file, from the surface header (an
// MDM) or read packed one after another (an MDS, as its conversion reads it).
struct surface_arrays {
    offset_t header = 0;          // the surface header
    offset_t vertices = 0;        // the first vertex
    offset_t vertex_header = 0;   // bytes of a vertex before its weights
    offset_t collapse_map = 0;    // the first map entry
    std::int32_t map_entries = 0; // entries the map holds
    offset_t bone_refs = 0;       // the first bone reference
    std::int32_t num_verts = 0;
    std::int32_t num_triangles = 0;
    std::int32_t num_bone_refs = 0;
    std::int32_t min_lod = 0;
    offset_t next = 0; // where the next surface starts
};

// The surface whose header is at `header` in a loaded (validated) file.
surface_arrays surface_arrays_at(const byte_region& file, mesh_format format, offset_t header);

// Where the first surface header of a loaded file lies, and how many there are.
offset_t first_surface(const byte_region& file, mesh_format format);
std::int32_t surface_count(const byte_region& file, mesh_format format);

struct surface_faults {
    int surface = 0;
    surface_arrays arrays;
    bool min_lod_out_of_range = false; // below 0 or above the vertex count
    // Map entries j that some level at or above the minimum LoD follows, with
    // map[j] >= j (for j >= 1) or outside the surface; the first such j and map[j].
    std::int32_t bad_map_entries = 0;
    std::int32_t first_bad_vertex = -1;
    std::int32_t first_bad_target = 0;
    // Weights on a bone that is not among the surface's bone references; the
    // first such vertex and bone.
    std::int32_t unreferenced_weights = 0;
    std::int32_t first_unreferenced_vertex = -1;
    std::int32_t first_unreferenced_bone = 0;

    bool any() const {
        return min_lod_out_of_range || bad_map_entries > 0 || unreferenced_weights > 0;
    }
};

// The faults of every surface of a loaded file, one entry a surface in file
// order (surfaces without faults too). Reads only; prints nothing.
std::vector<surface_faults> find_surface_faults(const byte_region& file, mesh_format format);

} // namespace ossify
