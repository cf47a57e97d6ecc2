// Blended skin weights: the weights of one vertex by property and at the
// places they are meant for (joints, mid-bone), and the rewritten mesh record.
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <set>

#include "base/vector_fields.hpp"
#include "mesh/blend_weights.hpp"
#include "mesh/bone_binding.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

double weight_sum(const blend_result& r) {
    double sum = 0;
    for (int k = 0; k < r.count; ++k)
        sum += r.weights[static_cast<std::size_t>(k)].weight;
    return sum;
}

} // namespace

// Random skeletons and points: the weights always form a sound list.
TEST(BlendWeights, EveryVertexGetsASoundWeightList) {
    std::mt19937 random(16);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    const auto point = [&] {
        return vector3{coordinate(random), coordinate(random), coordinate(random)};
    };
    for (int trial = 0; trial < 400; ++trial) {
        std::vector<bone_segment> bones(static_cast<std::size_t>(1 + trial % 12));
        for (bone_segment& b : bones)
            b = {point(), point()};
        if (trial % 5 == 0) bones[0].forward = bones[0].origin; // a bone of no length
        const vector3 p = point();
        for (int most = 1; most <= max_blend_weights; ++most) {
            SCOPED_TRACE(testing::Message() << "trial " << trial << " N " << most);
            const blend_result r = blend_vertex(p, bones, most);
            ASSERT_GE(r.count, 1);
            EXPECT_LE(r.count, most);
            EXPECT_NEAR(weight_sum(r), 1.0, 1e-6);
            std::set<std::int32_t> seen;
            for (int k = 0; k < r.count; ++k) {
                const blend_weight& w = r.weights[static_cast<std::size_t>(k)];
                EXPECT_TRUE(seen.insert(w.bone).second) << "bone " << w.bone << " twice";
                EXPECT_GE(w.weight, 0.01f);
                if (k > 0) {
                    EXPECT_LE(w.weight, r.weights[static_cast<std::size_t>(k) - 1].weight);
                }
            }
            if (most == 1) {
                EXPECT_EQ(r.weights[0].weight, 1.0f);
            }
        }
    }
}

// Moving a vertex a little moves its weights a little: no bone appears or
// disappears with a jump, so neighbouring vertices never tear apart (one bone
// a vertex, N = 1, is rigid by nature and jumps).
TEST(BlendWeights, WeightsChangeContinuouslyAlongAPath) {
    const std::vector<bone_segment> bones = {{{0, 0, 0}, {10, 0, 0}},
                                             {{10, 0, 0}, {10, 10, 0}},
                                             {{10, 0, 0}, {20, 0, 0}},
                                             {{0, 0, 0}, {0, -8, 3}}};
    for (int most = 2; most <= max_blend_weights; ++most) {
        const auto weights_at = [&](double s) {
            std::array<double, 4> w{};
            const blend_result r = blend_vertex(
                {static_cast<float>(-2 + 24 * s), static_cast<float>(2 + std::sin(7 * s)), 1.5f},
                bones, most);
            for (int k = 0; k < r.count; ++k)
                w[static_cast<std::size_t>(r.weights[static_cast<std::size_t>(k)].bone)] =
                    r.weights[static_cast<std::size_t>(k)].weight;
            return w;
        };
        std::array<double, 4> before = weights_at(0);
        for (int step = 1; step <= 4000; ++step) {
            const std::array<double, 4> now = weights_at(step / 4000.0);
            for (std::size_t b = 0; b < 4; ++b)
                // The largest step: the slope of the weights, or a pruned weight.
                ASSERT_LT(std::fabs(now[b] - before[b]), 0.025)
                    << "N " << most << " step " << step << " bone " << b;
            before = now;
        }
    }
}

// An arm of two collinear bones along x, joint at x = 10.
TEST(BlendWeights, JointsShareAndMidBonesKeepOneBone) {
    const std::vector<bone_segment> arm = {{{0, 0, 0}, {10, 0, 0}}, {{10, 0, 0}, {20, 0, 0}}};
    const struct {
        vector3 p;
        int most;
        std::vector<blend_weight> want;
    } cases[] = {
        {{10, 0, 0}, 2, {{0, 0.5f}, {1, 0.5f}}},     // on the joint
        {{10, 2, 1}, 4, {{0, 0.5f}, {1, 0.5f}}},     // on the skin around it
        {{10, -1.5f, 0}, 3, {{0, 0.5f}, {1, 0.5f}}}, //
        {{10, 2, 1}, 1, {{0, 1}}},                   // one bone: the lower number
        {{5, 2, 0}, 4, {{0, 1}}},                    // the middle of a bone
        {{5, 0, 0}, 4, {{0, 1}}},                    // on its segment
        {{15, 0, -2}, 2, {{1, 1}}},                  //
        {{26, 0, 0}, 4, {{1, 1}}},                   // beyond the leaf bone's end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.p.x << " " << c.p.y << " " << c.p.z << " N " << c.most);
        const blend_result r = blend_vertex(c.p, arm, c.most);
        ASSERT_EQ(r.count, static_cast<int>(c.want.size()));
        for (std::size_t k = 0; k < c.want.size(); ++k) {
            EXPECT_EQ(r.weights[k].bone, c.want[k].bone);
            EXPECT_NEAR(r.weights[k].weight, c.want[k].weight, 1e-6);
        }
    }
    // Near the joint both bones count, the nearer one more.
    const blend_result near = blend_vertex({9, 2, 0}, arm, 2);
    ASSERT_EQ(near.count, 2);
    EXPECT_EQ(near.weights[0].bone, 0);
    EXPECT_GT(near.weights[0].weight, 0.5f);
    // A joint of three bones shared by two: the exact tie splits equally.
    const std::vector<bone_segment> fork = {
        {{0, 0, 0}, {10, 0, 0}}, {{10, 0, 0}, {20, 0, 0}}, {{10, 0, 0}, {10, 10, 0}}};
    const blend_result tie = blend_vertex({10, 0, 0}, fork, 2);
    ASSERT_EQ(tie.count, 2);
    EXPECT_EQ(tie.weights[0].weight, 0.5f);
    EXPECT_EQ(tie.weights[1].bone, 1);
}

// Through the mesh record: a bone 0 of 20 units with a child from its end, and
// two objects sharing the position (12, 1, 0), nearer the child's origin.
TEST(BlendWeights, RewritesTheMeshRecord) {
    const std::string bone_object =
        object_chunk("bone", {"0 0 0", "20 0 0", "0 1 0.5", "30 0 0", "20 1 0.5"},
                     {"3 V(0 1 2) M(1)", "3 V(1 3 4) M(2)"});
    const std::vector<std::string> tri = {"12 1 0", "12 0 2", "4 1 1"};
    mqo_model m(
        mqo_document(material_chunk({material_line("skin"), material_line("bone:upper"),
                                     material_line("bone:fore")}) +
                     bone_object + object_chunk("a", tri, {"3 V(0 1 2) M(0)"}) +
                     object_chunk("b", {"28 0 1", "12 1 0", "29 1 0"}, {"3 V(0 1 2) M(0)"})));
    ASSERT_GT(m.build_bones(0), 0);
    ASSERT_GT(m.build_mesh(), 0);
    byte_region& mesh = m.mesh.region;
    const auto bone_of = [&](int object, int vertex) {
        return get_i32(mesh, m.vertex(object, vertex) + mesh_vertex::weight_bone);
    };
    // The defined binding: the child's origin is nearer than bone 0's.
    EXPECT_EQ(bone_of(0, 0), 1);
    const vector3 local =
        get_vector3(mesh, m.vertex(0, 0) + mesh_vertex::bone_slots + mesh_bone_slot::size * 0 +
                              mesh_bone_slot::position);

    std::string out =
        capture_stdout([&] { EXPECT_EQ(blend_skin_weights(mesh, m.bones.region, 3), 1); });
    EXPECT_NE(out.find("blend_skin_weights : Mesh_Object[1] Name[b] Vertex[3] Weights[3] "
                       "NumRefBone[2]\n"),
              std::string::npos)
        << out;
    for (int object = 0; object < 2; ++object) {
        const offset_t o = m.object(object);
        std::int32_t running = 0;
        std::set<std::int32_t> bones_used;
        for (int v = 0; v < 3; ++v) {
            const offset_t vertex = m.vertex(object, v);
            const std::int32_t n = get_i32(mesh, vertex + mesh_vertex::num_weights);
            EXPECT_EQ(get_i32(mesh, vertex + mesh_vertex::first_weight), running);
            running += n;
            // Slot weights are set exactly for the listed bones and sum to 1.
            double sum = 0;
            std::set<std::int32_t> listed;
            for (int k = 0; k < n; ++k)
                listed.insert(get_i32(mesh, vertex + mesh_vertex::weight_bone + 4 * k));
            for (int b = 0; b < 2; ++b) {
                const float w =
                    get_f32(mesh, vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * b +
                                      mesh_bone_slot::weight);
                EXPECT_EQ(w != 0.0f, listed.count(b) == 1)
                    << "object " << object << " vertex " << v;
                sum += w;
            }
            EXPECT_NEAR(sum, 1.0, 1e-6);
            bones_used.insert(listed.begin(), listed.end());
        }
        std::set<std::int32_t> refs;
        for (int r = 0; r < get_i32(mesh, o + mesh_object::num_bone_ref); ++r)
            refs.insert(get_i32(mesh, o + mesh_object::bone_ref + 4 * r));
        EXPECT_EQ(refs, bones_used);
    }
    // Mid-bone, the vertex now follows its own bone alone, in both objects.
    EXPECT_EQ(get_i32(mesh, m.vertex(0, 0) + mesh_vertex::num_weights), 1);
    EXPECT_EQ(bone_of(0, 0), 0);
    EXPECT_EQ(bone_of(1, 1), 0);
    EXPECT_EQ(get_i32(mesh, m.vertex(1, 0) + mesh_vertex::num_weights), 1);
    EXPECT_EQ(bone_of(1, 0), 1);
    // The bone-local positions are the builder's.
    const vector3 kept =
        get_vector3(mesh, m.vertex(0, 0) + mesh_vertex::bone_slots + mesh_bone_slot::position);
    EXPECT_TRUE(kept.x == local.x && kept.y == local.y && kept.z == local.z);
}
