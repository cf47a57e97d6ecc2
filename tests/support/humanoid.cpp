#include "support/humanoid.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ossify_test {

using ossify::bone_rotation;
using ossify::dvec3;

namespace {

dvec3 lerp(const dvec3& a, const dvec3& b, double t) {
    return {a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])};
}

dvec3 minus(const dvec3& a, const dvec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

dvec3 unit(const dvec3& v) {
    const double l = std::sqrt(ossify::dot3(v, v));
    return {v[0] / l, v[1] / l, v[2] / l};
}

dvec3 cross(const dvec3& a, const dvec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// One limb or the trunk: a chain of bones skinned as one closed tube. `base`
// is the bone the first bone blends into at the tube's start (-1: none); the
// tube runs from `start` (on the first bone) through the bones' ends.
struct tube {
    std::vector<std::int32_t> chain;
    std::vector<dvec3> ends;    // where each bone of the chain ends
    std::vector<double> radius; // at the start of each bone, then at the last end
    std::int32_t base = -1;
    dvec3 start{};
};

constexpr int sides = 8;
constexpr double ring_spacing = 1.5;
constexpr double joint_zone = 2.0;

void add_tube(humanoid& h, const tube& t) {
    // Rings along the chain.
    struct ring_at {
        dvec3 centre;
        double radius;
        dvec3 axis;
        std::vector<std::pair<std::int32_t, double>> weights;
    };
    std::vector<ring_at> rings;
    dvec3 from = t.start;
    for (std::size_t i = 0; i < t.chain.size(); ++i) {
        const std::int32_t bone = t.chain[i];
        const dvec3 to = t.ends[i];
        const dvec3 joint = h.bones[static_cast<std::size_t>(bone)].position;
        const double length = std::sqrt(ossify::dot3(minus(to, from), minus(to, from)));
        const int steps = std::max(2, static_cast<int>(std::round(length / ring_spacing)));
        const std::int32_t before = i == 0 ? t.base : t.chain[i - 1];
        const std::int32_t after = i + 1 < t.chain.size() ? t.chain[i + 1] : -1;
        for (int s = i == 0 ? 0 : 1; s <= steps; ++s) {
            const double f = static_cast<double>(s) / steps;
            const dvec3 c = lerp(from, to, f);
            const double from_joint = std::sqrt(ossify::dot3(minus(c, joint), minus(c, joint)));
            const double to_end = (1.0 - f) * length;
            std::vector<std::pair<std::int32_t, double>> w;
            if (before >= 0 && from_joint < joint_zone) {
                const double own = 0.5 + 0.5 * from_joint / joint_zone;
                w = {{bone, own}, {before, 1.0 - own}};
            } else if (after >= 0 && to_end < joint_zone) {
                const double own = 0.5 + 0.5 * to_end / joint_zone;
                w = {{bone, own}, {after, 1.0 - own}};
            } else {
                w = {{bone, 1.0}};
            }
            const double r0 = t.radius[i], r1 = t.radius[i + 1];
            rings.push_back({c, r0 + f * (r1 - r0), unit(minus(to, from)), w});
        }
        from = to;
    }
    // Vertices of the rings and the two caps, and the triangles between them.
    const auto first = static_cast<std::int32_t>(h.vertices.size());
    for (const ring_at& r : rings) {
        const dvec3 helper = std::abs(r.axis[2]) < 0.9 ? dvec3{0, 0, 1} : dvec3{1, 0, 0};
        const dvec3 u = unit(cross(r.axis, helper));
        const dvec3 v = cross(r.axis, u);
        for (int k = 0; k < sides; ++k) {
            const double a = 2 * std::numbers::pi * k / sides;
            const double cu = r.radius * std::cos(a), cv = r.radius * std::sin(a);
            h.vertices.push_back(
                {{r.centre[0] + cu * u[0] + cv * v[0], r.centre[1] + cu * u[1] + cv * v[1],
                  r.centre[2] + cu * u[2] + cv * v[2]},
                 r.weights});
        }
    }
    const auto ring_count = static_cast<std::int32_t>(rings.size());
    for (std::int32_t r = 0; r + 1 < ring_count; ++r)
        for (std::int32_t k = 0; k < sides; ++k) {
            const std::int32_t a = first + r * sides + k, b = first + r * sides + (k + 1) % sides;
            const std::int32_t c = a + sides, d = b + sides;
            h.triangles.push_back({a, b, d});
            h.triangles.push_back({a, d, c});
        }
    for (const bool top : {false, true}) {
        const ring_at& r = top ? rings.back() : rings.front();
        const auto centre = static_cast<std::int32_t>(h.vertices.size());
        h.vertices.push_back({r.centre, r.weights});
        const std::int32_t ring = first + (top ? ring_count - 1 : 0) * sides;
        for (std::int32_t k = 0; k < sides; ++k) {
            const std::int32_t a = ring + k, b = ring + (k + 1) % sides;
            h.triangles.push_back(top ? std::array<std::int32_t, 3>{centre, a, b}
                                      : std::array<std::int32_t, 3>{centre, b, a});
        }
    }
}

bone_rotation product(const bone_rotation& a, const bone_rotation& b) {
    const dvec3* ra[3] = {&a.forward, &a.left, &a.up};
    bone_rotation r;
    dvec3* out[3] = {&r.forward, &r.left, &r.up};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) {
            const dvec3 column = ossify::axis_column(b, static_cast<int>(j));
            (*out[i])[j] = ossify::dot3(*ra[i], column);
        }
    return r;
}

bool in_subtree(const humanoid& h, std::int32_t bone, std::int32_t top) {
    for (std::int32_t b = bone; b >= 0; b = h.bones[static_cast<std::size_t>(b)].parent)
        if (b == top) return true;
    return false;
}

} // namespace

std::int32_t humanoid_bone_number(const humanoid& h, const std::string& name) {
    for (std::size_t b = 0; b < h.bones.size(); ++b)
        if (h.bones[b].name == name) return static_cast<std::int32_t>(b);
    return -1;
}

humanoid make_humanoid(bool arms_down) {
    humanoid h;
    h.bones = {{"pelvis", -1, {0, 0, 38}},
               {"spine_lower", 0, {0, 0, 43}},
               {"spine_upper", 1, {0, 0, 51}},
               {"neck", 2, {0, 0, 59}},
               {"head", 3, {0, 0, 62.5}}};
    for (const double side : {1.0, -1.0}) {
        const std::string s = side > 0 ? "l_" : "r_";
        const auto clavicle = static_cast<std::int32_t>(h.bones.size());
        const dvec3 shoulder{0, 6 * side, 58.5};
        const dvec3 elbow = arms_down ? dvec3{0, 8 * side, 48} : dvec3{0, 16 * side, 58.5};
        const dvec3 wrist = arms_down ? dvec3{0, 9 * side, 39} : dvec3{0, 25.5 * side, 58.5};
        h.bones.push_back({s + "clavicle", 2, {0, 1 * side, 58}});
        h.bones.push_back({s + "upperarm", clavicle, shoulder});
        h.bones.push_back({s + "forearm", clavicle + 1, elbow});
        h.bones.push_back({s + "hand", clavicle + 2, wrist});
    }
    for (const double side : {1.0, -1.0}) {
        const std::string s = side > 0 ? "l_" : "r_";
        const auto thigh = static_cast<std::int32_t>(h.bones.size());
        h.bones.push_back({s + "thigh", 0, {0, 3.5 * side, 37}});
        h.bones.push_back({s + "calf", thigh, {0.5, 3.8 * side, 20}});
        h.bones.push_back({s + "foot", thigh + 1, {0, 4 * side, 4}});
    }
    const auto at = [&](const std::string& n) {
        return h.bones[static_cast<std::size_t>(humanoid_bone_number(h, n))].position;
    };
    add_tube(h, {{0, 1, 2, 3, 4},
                 {at("spine_lower"), at("spine_upper"), at("neck"), at("head"), {0, 0, 70}},
                 {4.8, 4.4, 5.0, 1.8, 3.4, 3.0},
                 -1,
                 {0, 0, 37.5}});
    for (const double side : {1.0, -1.0}) {
        const std::string s = side > 0 ? "l_" : "r_";
        const dvec3 hand_end = arms_down ? dvec3{0, 9.3 * side, 34.5} : dvec3{0, 30 * side, 58.5};
        add_tube(h, {{humanoid_bone_number(h, s + "upperarm"),
                      humanoid_bone_number(h, s + "forearm"), humanoid_bone_number(h, s + "hand")},
                     {at(s + "forearm"), at(s + "hand"), hand_end},
                     {1.8, 1.5, 1.2, 1.1},
                     humanoid_bone_number(h, s + "clavicle"),
                     at(s + "upperarm")});
        const std::int32_t thigh = humanoid_bone_number(h, s + "thigh");
        add_tube(h, {{thigh, thigh + 1, thigh + 2},
                     {at(s + "calf"), at(s + "foot"), {6, 4 * side, 0.5}},
                     {2.6, 2.0, 1.4, 1.0},
                     0,
                     lerp(at(s + "thigh"), at(s + "calf"), 0.15)});
    }
    return h;
}

std::vector<ossify::posed_bone> pose_humanoid(const humanoid& h,
                                              const std::vector<joint_turn>& turns) {
    std::vector<ossify::posed_bone> posed(h.bones.size());
    for (std::size_t b = 0; b < h.bones.size(); ++b)
        posed[b].position = h.bones[b].position;
    for (const joint_turn& turn : turns) {
        double angles[3] = {0, 0, 0}; // roll about x, pitch about y, yaw about z
        angles[turn.axis] = turn.angle;
        const bone_rotation t = ossify::rotation_from_angles(angles[1], angles[2], angles[0]);
        const dvec3 pivot = posed[static_cast<std::size_t>(turn.bone)].position;
        for (std::size_t b = 0; b < h.bones.size(); ++b) {
            if (!in_subtree(h, static_cast<std::int32_t>(b), turn.bone)) continue;
            const dvec3 d = ossify::bone_to_model(t, minus(posed[b].position, pivot));
            posed[b].position = {pivot[0] + d[0], pivot[1] + d[1], pivot[2] + d[2]};
            posed[b].rotation = product(t, posed[b].rotation);
        }
    }
    return posed;
}

std::vector<std::vector<joint_turn>> humanoid_poses(const humanoid& h) {
    const auto n = [&](const char* name) { return humanoid_bone_number(h, name); };
    const double deg = std::numbers::pi / 180;
    return {
        {{n("l_forearm"), 2, 90 * deg}, {n("r_forearm"), 2, -90 * deg}},
        {{n("l_forearm"), 0, 120 * deg}, {n("r_forearm"), 0, -120 * deg}},
        {{n("l_upperarm"), 0, 70 * deg}, {n("r_upperarm"), 0, -70 * deg}},
        {{n("l_upperarm"), 0, -45 * deg}, {n("r_upperarm"), 2, 60 * deg}},
        {{n("l_calf"), 1, -90 * deg}, {n("r_calf"), 1, -60 * deg}},
        {{n("l_thigh"), 1, 70 * deg}, {n("r_thigh"), 1, -40 * deg}},
        {{n("spine_lower"), 1, 30 * deg}, {n("spine_upper"), 1, 20 * deg}},
        {{n("spine_upper"), 2, 40 * deg}, {n("head"), 2, 45 * deg}, {n("neck"), 0, 20 * deg}},
        {{n("l_hand"), 0, 60 * deg}, {n("r_hand"), 2, 50 * deg}, {n("l_foot"), 1, 30 * deg}},
        {{n("l_thigh"), 1, 50 * deg},
         {n("r_thigh"), 1, -30 * deg},
         {n("l_calf"), 1, -60 * deg},
         {n("l_upperarm"), 0, 60 * deg},
         {n("r_upperarm"), 0, -60 * deg},
         {n("l_forearm"), 2, 90 * deg},
         {n("r_forearm"), 2, -90 * deg}},
    };
}

} // namespace ossify_test
