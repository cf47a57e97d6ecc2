#include "mesh/blend_weights.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/geometry_double.hpp"
#include "base/vector_fields.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/mesh_record.hpp"
#include "skeleton/bone_object.hpp"

namespace ossify {

namespace {

// A weight below this share is dropped: it would move the vertex by less than
// a hundredth of the distance between its bones' placements.
constexpr double negligible_weight = 0.01;

// Distance from p to the segment; a segment of length 0 is its origin.
double segment_distance(const vector3& p, const bone_segment& s) {
    return segment_distance(to_dvec(p), to_dvec(s.origin), to_dvec(s.forward));
}

// 1 for the nearest bones, falling smoothly to 0 at twice the least distance.
double closeness_weight(double distance, double least) {
    if (distance <= least) return 1.0;
    const double x = std::clamp(2.0 * (least / distance) - 1.0, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

struct candidate {
    std::int32_t bone;
    double raw;
};

// Divides every weight by their sum; the sum is never 0 here.
void normalise(std::vector<candidate>& kept) {
    double sum = 0.0;
    for (const candidate& c : kept)
        sum += c.raw;
    for (candidate& c : kept)
        c.raw /= sum;
}

} // namespace

std::vector<bone_segment> bone_segments(const byte_region& bones) {
    std::vector<bone_segment> segments;
    const std::int32_t count = get_i32(bones, boneobj_header::num_bone);
    const offset_t first = get_i32(bones, boneobj_header::ofs_bone);
    for (std::int32_t k = 0; k < count && k < mesh_max_bones; ++k) {
        const offset_t record = first + bone_record::size * k;
        segments.push_back({get_vector3(bones, record + bone_record::origin_position),
                            get_vector3(bones, record + bone_record::forward_position)});
    }
    return segments;
}

blend_result blend_vertex(const vector3& p, std::span<const bone_segment> segments, int most) {
    std::vector<double> distance(segments.size());
    for (std::size_t k = 0; k < segments.size(); ++k)
        distance[k] = segment_distance(p, segments[k]);
    return blend_distances(distance, most);
}

blend_result blend_distances(std::span<const double> distance, int most) {
    blend_result result;
    if (distance.empty()) return result;
    most = std::clamp(most, 1, max_blend_weights);
    const double least = *std::min_element(distance.begin(), distance.end());
    if (!std::isfinite(least)) return result;

    std::vector<candidate> ranked;
    for (std::size_t k = 0; k < distance.size(); ++k) {
        const double raw = closeness_weight(distance[k], least);
        if (raw > 0.0) ranked.push_back({static_cast<std::int32_t>(k), raw});
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const candidate& a, const candidate& b) { return a.raw > b.raw; });

    // Each kept bone less the first one left out: a bone's weight reaches 0
    // just as another overtakes it, so neighbouring vertices never jump.
    const auto keep = std::min(ranked.size(), static_cast<std::size_t>(most));
    const double cut = ranked.size() > keep ? ranked[keep].raw : 0.0;
    std::vector<candidate> kept(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(keep));
    double rest = 0.0;
    for (candidate& c : kept)
        rest += (c.raw -= cut);
    // Exact ties across the cut (a vertex on a joint of more bones than N)
    // leave nothing: share equally among the bones kept.
    if (!(rest > 0.0))
        for (candidate& c : kept)
            c.raw = 1.0;
    normalise(kept);
    std::erase_if(kept, [](const candidate& c) { return c.raw < negligible_weight; });
    normalise(kept);

    // The first (largest) weight takes what the rounded others leave of 1.
    double others = 0.0;
    for (std::size_t i = 1; i < kept.size(); ++i) {
        result.weights[i] = {kept[i].bone, static_cast<float>(kept[i].raw)};
        others += static_cast<double>(result.weights[i].weight);
    }
    result.weights[0] = {kept[0].bone, static_cast<float>(1.0 - others)};
    result.count = static_cast<int>(kept.size());
    return result;
}

void set_vertex_weights(byte_region& mesh, offset_t vertex, const blend_result& r,
                        std::int32_t first_weight, bone_usage& used) {
    // Clear the builder's binding: its weight list and its slot weights.
    const std::int32_t old = get_i32(mesh, vertex + mesh_vertex::num_weights);
    for (std::int32_t k = 0; k < old && k < mesh_max_bones; ++k) {
        const offset_t entry = vertex + mesh_vertex::weight_bone + 4 * k;
        const std::int32_t b = get_i32(mesh, entry);
        if (b >= 0 && b < mesh_max_bones)
            put_f32(mesh, vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * b, 0);
        put_i32(mesh, entry, 0);
    }
    for (int k = 0; k < r.count; ++k) {
        const blend_weight& w = r.weights[static_cast<std::size_t>(k)];
        put_i32(mesh, vertex + mesh_vertex::weight_bone + 4 * k, w.bone);
        put_f32(mesh,
                vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * w.bone +
                    mesh_bone_slot::weight,
                w.weight);
        used[static_cast<std::size_t>(w.bone)] = true;
    }
    put_i32(mesh, vertex + mesh_vertex::num_weights, r.count);
    put_i32(mesh, vertex + mesh_vertex::first_weight, first_weight);
}

std::int32_t blend_skin_weights(byte_region& mesh, const byte_region& bones, int most) {
    std::printf("---------------------------------\nFUNCTION CALLED : blend_skin_weights\n"
                "---------------------------------\n");
    const std::vector<bone_segment> segments = bone_segments(bones);
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    for (std::int32_t i = 0; i < objects; ++i) {
        const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
        const offset_t first = object + get_i32(mesh, object + mesh_object::ofs_vertex);
        bone_usage used{};
        std::int32_t weight_index = 0;
        for (std::int32_t j = 0; j < vertices; ++j) {
            const offset_t vertex = first + mesh_vertex::size * j;
            const blend_result r =
                blend_vertex(get_vector3(mesh, vertex + mesh_vertex::position), segments, most);
            set_vertex_weights(mesh, vertex, r, weight_index, used);
            weight_index += r.count;
        }
        write_bone_references(mesh, object, used);
        std::printf("blend_skin_weights : Mesh_Object[%d] Name[%s] Vertex[%d] Weights[%d] "
                    "NumRefBone[%d]\n",
                    i, get_text(mesh, object + mesh_object::name, 64).c_str(), vertices,
                    weight_index, get_i32(mesh, object + mesh_object::num_bone_ref));
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    if (mesh.fault) {
        std::printf("blend_skin_weights : The mesh record does not hold its %d mesh objects\n",
                    objects);
        return -1;
    }
    return 1;
}

} // namespace ossify
