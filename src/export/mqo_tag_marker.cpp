// A tag as the mesh builder reads it from a "tag:NAME" object: the corner
// opposite the longest edge is the origin, the far end of the middle edge the
// forward corner, the far end of the shortest edge the up corner; the tag's
// axis rows are then the columns of the rotation whose rows point forward and
// up. So the forward corner lies along the first column of the axis rows and
// the up corner along the second.
//
// The builder folds a roll beyond ±90 degrees (up axis below the horizontal)
// with 3.14 for pi, reading it 0.0016 short; such a marker is drawn with that
// much more roll, so that the tag reads back as it was.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "export/mqo_export.hpp"
#include "mqo/mqo_markers.hpp"

namespace ossify {

namespace {

// Long enough that float32 corners keep the directions to about 1e-5 on a
// model some hundreds of units across, short enough to stay beside the model.
constexpr double marker_forward_length = 4.0;
constexpr double marker_up_length = 2.0;

// The pi of the marker angles' roll fold.
constexpr double folded_pi = 3.14;

bone_rotation drawn_axes(const bone_rotation& axes) {
    if (!(axes.up[2] < 0)) return axes;
    const bone_angles a = angles_from_rotation(axes);
    const double shortfall = std::numbers::pi - folded_pi;
    // At a roll of ±pi the float32 corners could tip the roll's sign: stay
    // clear of it, which costs at most that margin on a tag rolled by 3.14.
    constexpr double margin = 1e-4;
    const double most = std::numbers::pi - margin;
    const double roll = std::clamp(a.roll + (a.roll > 0 ? shortfall : -shortfall), -most, most);
    return rotation_from_angles(a.pitch, a.yaw, roll);
}

std::array<float, 3> corner(const dvec3& origin, const dvec3& direction, double length) {
    return {static_cast<float>(origin[0] + length * direction[0]),
            static_cast<float>(origin[1] + length * direction[1]),
            static_cast<float>(origin[2] + length * direction[2])};
}

} // namespace

std::array<std::array<float, 3>, 3> tag_marker_corners(const dvec3& origin,
                                                       const bone_rotation& tag_axes) {
    const bone_rotation axes = drawn_axes(tag_axes);
    const dvec3 forward{axes.forward[0], axes.left[0], axes.up[0]};
    const dvec3 up{axes.forward[1], axes.left[1], axes.up[1]};
    return {corner(origin, {}, 0.0), corner(origin, forward, marker_forward_length),
            corner(origin, up, marker_up_length)};
}

bool add_tag_object(mqo_document& document, const std::string& name, const dvec3& origin,
                    const bone_rotation& axes) {
    mqo_document_object object;
    object.name = std::string(marker_tag) + name;
    const auto corners = tag_marker_corners(origin, axes);
    for (const auto& c : corners)
        if (!std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2])) {
            std::printf("write_mqo : Tag[%s] has an origin or axis that is not finite\n",
                        name.c_str());
            return false;
        }
    object.vertices.assign(corners.begin(), corners.end());
    object.faces.push_back({{0, 1, 2}, -1, false, {}});
    document.objects.push_back(std::move(object));
    return true;
}

} // namespace ossify
