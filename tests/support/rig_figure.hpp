// A small rigged figure in the posing tools' convention, for the tests of the
// rig skeleton and binding: a spine, two arms of two bones floating off the
// spine's tip through lines, two legs as roots of their own, a skin of small
// triangles along every bone, and one anchor box round the middle of each bone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/rig_binding.hpp"
#include "support/mqo_model.hpp"

namespace ossify_test {

// An axis-aligned box: its corners' least and greatest coordinates.
struct figure_box {
    float low[3];
    float high[3];
    std::string bone; // the bone it belongs to
    bool holds(float x, float y, float z) const {
        return x > low[0] && x < high[0] && y > low[1] && y < high[1] && z > low[2] && z < high[2];
    }
};

// The anchor boxes of the figure.
const std::vector<figure_box>& figure_boxes();

// The MQO text of the figure; `extra` is added before "Eof" (more objects).
std::string rigged_figure(const std::string& extra = "");

// The eight corners and six faces of a box, for an anchor object; faces use
// material `material` and vertex numbers from `first`.
void box_lines(const figure_box& box, int material, int first, std::vector<std::string>& vertices,
               std::vector<std::string>& faces);

// A rigged model taken through the RIG steps in memory: read whole with its
// anchors kept, skeleton from its bone triangles, mesh without the anchors,
// weights from the anchors. Standard error is swallowed; `out` holds what the
// binding printed.
struct rigged_model {
    mqo_model model;
    ossify::rig_binding_report report;
    std::int32_t bones_size = 0, mesh_size = 0, bound = 0;

    explicit rigged_model(const std::string& document, int blend_weights = 0);
};

} // namespace ossify_test
