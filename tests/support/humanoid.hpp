// A humanoid made for measuring bindings: a skeleton of 19 bones in engine
// units (z up, 70 units tall, arms stretched sideways and legs apart, as a
// model is bound), a skin of closed tubes round the torso, arms and legs, and
// the weights an artist would paint on it: every ring of a tube follows its
// bone, the rings near a joint blend from the parent bone into the child.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "skeletal/engine_pose.hpp"

namespace ossify_test {

struct humanoid_bone {
    std::string name;
    std::int32_t parent = -1;
    ossify::dvec3 position{}; // at the bind pose, engine units
};

struct painted_vertex {
    ossify::dvec3 position{};
    std::vector<std::pair<std::int32_t, double>> weights; // bone, weight; sum 1
};

struct humanoid {
    std::vector<humanoid_bone> bones;
    std::vector<painted_vertex> vertices;
    std::vector<std::array<std::int32_t, 3>> triangles;
    double height = 70.0;
};

// `arms_down`: the arms hang beside the body, hands beside the thighs, instead
// of standing out sideways.
humanoid make_humanoid(bool arms_down = false);

// One joint turned in a pose: the bone and its subtree turn by `angle` radians
// about a model axis (0 x, 1 y, 2 z) through the bone's position.
struct joint_turn {
    std::int32_t bone = 0;
    int axis = 0;
    double angle = 0;
};

// The skeleton of `h` posed by the turns, applied from the root down: each
// bone's position and rotation (the bind pose's rotation is the identity).
std::vector<ossify::posed_bone> pose_humanoid(const humanoid& h,
                                              const std::vector<joint_turn>& turns);

// A range of poses of everyday animation: elbows and knees bent, arms raised
// and lowered, legs swung, the spine bent and twisted, the head turned.
std::vector<std::vector<joint_turn>> humanoid_poses(const humanoid& h);

std::int32_t humanoid_bone_number(const humanoid& h, const std::string& name);

} // namespace ossify_test
