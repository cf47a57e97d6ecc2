// The parts of a preview every builder shares: a vertex skinned on the bind
// pose with glTF's four weights, and a triangle checked against its surface.
#include <algorithm>
#include <cmath>

#include "preview/preview_model.hpp"

namespace ossify {

namespace {

// The weights glTF can carry: one per bone (a bone named twice adds up), none
// below zero, the four largest, summing to 1.
void pick_four_weights(std::span<const engine_weight> weights, std::size_t joint_count,
                       preview_vertex& vertex, preview_model& model) {
    std::vector<std::pair<std::int32_t, double>> by_bone;
    for (const engine_weight& w : weights) {
        if (w.bone < 0 || static_cast<std::size_t>(w.bone) >= joint_count) {
            ++model.weights_off_skeleton;
            continue;
        }
        auto same = std::find_if(by_bone.begin(), by_bone.end(),
                                 [&](const auto& entry) { return entry.first == w.bone; });
        if (same == by_bone.end())
            by_bone.emplace_back(w.bone, w.weight);
        else
            same->second += w.weight;
    }
    std::stable_sort(by_bone.begin(), by_bone.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    if (by_bone.size() > preview_weights_per_vertex) {
        ++model.vertices_over_four_weights;
        by_bone.resize(preview_weights_per_vertex);
    }
    double sum = 0;
    for (const auto& entry : by_bone)
        sum += std::max(entry.second, 0.0);
    if (sum <= 0) {
        // Nothing to follow: the vertex stays with the first joint.
        vertex.weights = {1, 0, 0, 0};
        return;
    }
    for (std::size_t k = 0; k < by_bone.size(); ++k) {
        vertex.joints[k] = static_cast<std::uint16_t>(by_bone[k].first);
        vertex.weights[k] = static_cast<float>(std::max(by_bone[k].second, 0.0) / sum);
    }
}

} // namespace

preview_vertex skinned_preview_vertex(std::span<const engine_weight> weights,
                                      std::span<const posed_bone> bind, const dvec3& normal,
                                      const std::array<double, 2>& uv, preview_model& model) {
    preview_vertex vertex;
    vertex.position = skin_vertex(weights, bind);
    const dvec3 turned = skin_normal(weights, bind, normal);
    const double length = std::sqrt(dot3(turned, turned));
    // glTF wants unit normals; a zero normal in the file points up.
    if (length > 1e-12 && std::isfinite(length))
        vertex.normal = {turned[0] / length, turned[1] / length, turned[2] / length};
    vertex.uv = uv;
    pick_four_weights(weights, bind.size(), vertex, model);
    return vertex;
}

void add_triangle(preview_surface& surface, const std::array<std::int32_t, 3>& corners,
                  preview_model& model) {
    const auto vertices = static_cast<std::int64_t>(surface.vertices.size());
    if (std::any_of(corners.begin(), corners.end(),
                    [&](std::int32_t i) { return i < 0 || i >= vertices; })) {
        ++model.triangles_left_out;
        return;
    }
    surface.triangles.push_back({static_cast<std::uint32_t>(corners[0]),
                                 static_cast<std::uint32_t>(corners[1]),
                                 static_cast<std::uint32_t>(corners[2])});
}

} // namespace ossify
