#include "skeletal/engine_pose.hpp"

#include <cmath>
#include <numbers>

namespace ossify {

double dot3(const dvec3& a, const dvec3& b) {
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2];
}

bone_rotation rotation_from_angles(double pitch, double yaw, double roll) {
    const double sp = std::sin(pitch), cp = std::cos(pitch);
    const double sy = std::sin(yaw), cy = std::cos(yaw);
    const double sr = std::sin(roll), cr = std::cos(roll);
    bone_rotation r;
    r.forward = {cp * cy, cp * sy, -sp};
    r.left = {sr * sp * cy - cr * sy, sr * sp * sy + cr * cy, sr * cp};
    r.up = {cr * sp * cy + sr * sy, cr * sp * sy - sr * cy, cr * cp};
    return r;
}

bone_rotation rotation_from_angles(const bone_angles& angles) {
    return rotation_from_angles(angles.pitch, angles.yaw, angles.roll);
}

dvec3 offset_direction(double pitch, double yaw) {
    const double sp = std::sin(pitch), cp = std::cos(pitch);
    const double sy = std::sin(yaw), cy = std::cos(yaw);
    return {cp * cy, cp * sy, -sp};
}

dvec3 axis_column(const bone_rotation& r, int j) {
    const auto k = static_cast<std::size_t>(j);
    return {r.forward[k], r.left[k], r.up[k]};
}

dvec3 bone_to_model(const bone_rotation& r, const dvec3& o) {
    return {dot3(r.forward, o), dot3(r.left, o), dot3(r.up, o)};
}

dvec3 model_to_bone(const bone_rotation& r, const dvec3& v) {
    return {dot3(axis_column(r, 0), v), dot3(axis_column(r, 1), v), dot3(axis_column(r, 2), v)};
}

posing_order posing_order_of(std::span<const skeleton_bone> bones) {
    enum class visit : unsigned char { fresh, open, done };
    const std::size_t count = bones.size();
    posing_order result;
    result.parents.assign(count, -1);
    result.order.reserve(count);
    std::vector<visit> state(count, visit::fresh);
    std::vector<std::size_t> chain;
    for (std::size_t start = 0; start < count; ++start) {
        // Walk up to the first bone already placed (or a root), then place the
        // chain back down. A bone met twice in one walk closes a loop.
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
                result.parents[*it] = parent;
            else if (parent >= 0)
                result.sound = false;
            state[*it] = visit::done;
            result.order.push_back(*it);
        }
    }
    return result;
}

bool pose_skeleton(std::span<const skeleton_bone> bones, std::span<const bone_angles> frame,
                   const dvec3& root_position, std::span<posed_bone> posed) {
    const std::size_t count = bones.size();
    if (frame.size() < count || posed.size() < count) return false;
    const posing_order walk = posing_order_of(bones);
    for (const std::size_t i : walk.order) {
        const bone_angles& a = frame[i];
        posed[i].rotation = rotation_from_angles(a);
        const std::int32_t parent = walk.parents[i];
        if (parent < 0) {
            posed[i].position = root_position;
            continue;
        }
        const dvec3& base = posed[static_cast<std::size_t>(parent)].position;
        const dvec3 dir = offset_direction(a.offset_pitch, a.offset_yaw);
        const double d = bones[i].parent_distance;
        posed[i].position = {base[0] + d * dir[0], base[1] + d * dir[1], base[2] + d * dir[2]};
    }
    return walk.sound;
}

dvec3 skin_vertex(std::span<const engine_weight> weights, std::span<const posed_bone> posed) {
    dvec3 sum{};
    for (const engine_weight& w : weights) {
        if (w.bone < 0 || static_cast<std::size_t>(w.bone) >= posed.size()) continue;
        const posed_bone& b = posed[static_cast<std::size_t>(w.bone)];
        const dvec3 o = bone_to_model(b.rotation, w.offset);
        for (std::size_t k = 0; k < 3; ++k)
            sum[k] = sum[k] + w.weight * (b.position[k] + o[k]);
    }
    return sum;
}

dvec3 skin_normal(std::span<const engine_weight> weights, std::span<const posed_bone> posed,
                  const dvec3& normal) {
    if (weights.empty() || weights[0].bone < 0 ||
        static_cast<std::size_t>(weights[0].bone) >= posed.size())
        return normal;
    return bone_to_model(posed[static_cast<std::size_t>(weights[0].bone)].rotation, normal);
}

placed_tag place_tag(const posed_bone& bone, const dvec3& offset, const bone_rotation& axis) {
    placed_tag t;
    const dvec3 o = bone_to_model(bone.rotation, offset);
    t.origin = {bone.position[0] + o[0], bone.position[1] + o[1], bone.position[2] + o[2]};
    t.axes.forward = bone_to_model(bone.rotation, axis.forward);
    t.axes.left = bone_to_model(bone.rotation, axis.left);
    t.axes.up = bone_to_model(bone.rotation, axis.up);
    return t;
}

tag_record_values tag_on_bone(const posed_bone& bone, const dvec3& origin,
                              const bone_rotation& axes) {
    tag_record_values v;
    const dvec3 d = {origin[0] - bone.position[0], origin[1] - bone.position[1],
                     origin[2] - bone.position[2]};
    v.offset = model_to_bone(bone.rotation, d);
    v.axis.forward = model_to_bone(bone.rotation, axes.forward);
    v.axis.left = model_to_bone(bone.rotation, axes.left);
    v.axis.up = model_to_bone(bone.rotation, axes.up);
    return v;
}

bone_angles angles_from_rotation(const bone_rotation& r) {
    bone_angles a;
    const double horizontal = std::hypot(r.forward[0], r.forward[1]);
    a.pitch = std::atan2(-r.forward[2], horizontal);
    if (horizontal > 1e-9) {
        a.yaw = std::atan2(r.forward[1], r.forward[0]);
        a.roll = std::atan2(r.left[2], r.up[2]);
    } else {
        // Looking straight up or down: only yaw − roll (or yaw + roll) is
        // defined; keep roll 0 and read the yaw from the left row.
        a.roll = 0;
        a.yaw = std::atan2(-r.left[0], r.left[1]);
    }
    return a;
}

void offset_angles_from_direction(const dvec3& direction, bone_angles& angles) {
    angles.offset_pitch = std::atan2(-direction[2], std::hypot(direction[0], direction[1]));
    angles.offset_yaw = std::atan2(direction[1], direction[0]);
}

std::int16_t compress_angle(double radians) {
    const double units = std::round(radians * 180.0 / std::numbers::pi * 65536.0 / 360.0);
    const double wrapped = units - 65536.0 * std::floor((units + 32768.0) / 65536.0);
    return static_cast<std::int16_t>(wrapped);
}

} // namespace ossify
