// The parts of a preview every builder shares: the parents a skeleton is posed
// with, and a vertex skinned on the bind pose with glTF's four weights.
#include <algorithm>
#include <cmath>

#include "preview/preview_model.hpp"

namespace ossify {

std::vector<std::int32_t> posed_parents(std::span<const skeleton_bone> bones) {
    // The poser's walk: up from each bone to the first bone already placed, then
    // down again; a parent met on the way up (a loop) or outside the skeleton
    // leaves the bone a root.
    enum class visit : unsigned char { fresh, open, done };
    const std::size_t count = bones.size();
    std::vector<visit> state(count, visit::fresh);
    std::vector<std::int32_t> parents(count, -1);
    std::vector<std::size_t> chain;
    for (std::size_t start = 0; start < count; ++start) {
        chain.clear();
        std::size_t b = start;
        while (state[b] == visit::fresh) {
            state[b] = visit::open;
            chain.push_back(b);
            const std::int32_t parent = bones[b].parent;
            if (parent < 0 || static_cast<std::size_t>(parent) >= count) break;
            b = static_cast<std::size_t>(parent);
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const std::int32_t parent = bones[*it].parent;
            if (parent >= 0 && static_cast<std::size_t>(parent) < count &&
                state[static_cast<std::size_t>(parent)] == visit::done)
                parents[*it] = parent;
            state[*it] = visit::done;
        }
    }
    return parents;
}

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

} // namespace ossify
