// The game's models as MQO models for the modeller: an MDM posed by an MDX at
// one of its frames, or an MD3's first frame. One object per surface, named as
// the surface; one material per surface, named after its shader (the surface's
// name where it has none); every triangle with its texture coordinates and its
// corners in the stored order; vertices at the same position with the same
// texture coordinates welded, all others kept apart (the mesh builder gives each
// MQO vertex one pair of texture coordinates). Each tag becomes a "tag:NAME"
// object whose first face is the marker triangle that the mesh builder reads
// back as the tag's origin and axes. What cannot be carried over is said on
// standard error.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/byte_access.hpp"
#include "export/md3_reader.hpp"
#include "mqo/mqo_document.hpp"
#include "skeletal/engine_pose.hpp"

namespace ossify {

// The MDM posed at `frame` of the MDX by the engine's rule, at ten times the
// engine's size, its tags placed on their bones at that frame. Both files have
// passed their loaders; `frame` must be one of the MDX's frames. False after a
// "write_mqo : ..." line when a position or texture coordinate is not finite.
bool mqo_of_posed_mdm(const byte_region& mdm, const byte_region& mdx, std::int32_t frame,
                      mqo_document& document);

// The first frame of an MD3 at the positions that mode 8 with MD3SCALE `scale`
// (at least 1) stores back as the same integers: each stored integer / scale, or
// the nearest float32 away from zero when that one would truncate to a smaller
// integer. Tags as stored, as mode 8 writes them. False as above.
bool mqo_of_md3(const md3_model& md3, std::int32_t scale, mqo_document& document);

// The marker triangle of a tag at `origin` whose axes are the rows of `axes`:
// the origin, a forward corner along the first column of the rows and an up
// corner, half as far, along the second, so that the corner roles and angles the
// mesh builder gives a tag object come back to these axes (a roll beyond ±90
// degrees is drawn 0.0016 further, which the builder's angle fold takes back).
std::array<std::array<float, 3>, 3> tag_marker_corners(const dvec3& origin,
                                                       const bone_rotation& axes);

// Adds a "tag:NAME" object for the tag to `document`; false after a
// "write_mqo : ..." line when its origin or axes are not finite.
bool add_tag_object(mqo_document& document, const std::string& name, const dvec3& origin,
                    const bone_rotation& axes);

// Saves the text of `document` at `path` and prints a trace line for each
// object and one for the file: "write_mqo : File[PATH] Object[n] Material[n]
// Vertex[n] Face[n]". The size written, or -1 after the save failed.
std::int64_t save_mqo(const mqo_document& document, const char* path);

} // namespace ossify
