// What a conversion of an MQO model left out, told on standard error: standard
// output and the files stay as the plain conversion makes them.
#pragma once

#include "base/byte_access.hpp"
#include "mqo/load_mqo.hpp"

namespace ossify {

// After a completed plain conversion: one line per object that lost anything and
// a summary line when fewer triangles were written than the polygons would give.
// Without `anchors_are_meshes` the "anchor" objects are binding solids, never
// geometry, and are named as not built.
void report_left_out(const mqo_notes& notes, const byte_region& mesh,
                     bool anchors_are_meshes = true);

// After a refusal: the line naming the key that would have read the model.
void report_refusal_hint(const mqo_notes& notes, bool mesh_failed);

} // namespace ossify
