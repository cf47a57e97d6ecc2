// A rigged figure written as an MDM with its skeleton MDX: at rest the engine's
// skinning gives back the drawn model; bending one limb with the posing module
// moves only the vertices bound to that limb's bones.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "skeletal/skeletal.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/stored_pose.hpp"
#include "skeleton/bone_object.hpp"
#include "support/capture_stdout.hpp"
#include "support/rig_figure.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

struct written_rig {
    rigged_model rig;
    work_buffer mdm = make_work_buffer(1 << 20), mdx = make_work_buffer(1 << 20);
    std::int32_t mdm_size = 0, mdx_size = 0;

    explicit written_rig(int blend) : rig(rigged_figure(), blend) {
        capture_stdout([&] {
            mdm_size =
                build_mdm_from_mesh(rig.model.mesh.region, mdm.region, rig.model.bones.region);
            mdx_size = build_mdx_from_skeleton(rig.model.bones.region, mdm.region, mdx.region);
        });
    }
    std::vector<posed_bone> mdx_pose() const {
        const mdx_info info = read_mdx_info(mdx.region);
        return pose_stored_frame(mdx.region, info.ofs_frames,
                                 read_skeleton_bones(mdx.region, info.ofs_bones, info.num_bones));
    }
    std::int32_t bone(const std::string& name) const {
        const byte_region& b = rig.model.bones.region;
        for (std::int32_t k = 0; k < get_i32(b, boneobj_header::num_bone); ++k)
            if (bone_record_name(b, bone_record_at(k)) == name) return k;
        return -1;
    }
    // The drawn positions × 0.1 of every mesh vertex.
    std::vector<dvec3> drawn() const {
        std::vector<dvec3> out;
        const byte_region& mesh = rig.model.mesh.region;
        for (int n = 0; n < get_i32(mesh, mesh_header::num_mesh_obj); ++n)
            for (int v = 0; v < get_i32(mesh, rig.model.object(n) + mesh_object::num_vertex); ++v) {
                const dvec3 p = get_dvec3(mesh, rig.model.vertex(n, v) + mesh_vertex::position);
                out.push_back({0.1 * p[0], 0.1 * p[1], 0.1 * p[2]});
            }
        return out;
    }
};

// The bones of each MDM vertex, surface by surface, in the MDM's own order.
std::vector<std::vector<std::int32_t>> vertex_bones(const byte_region& mdm) {
    std::vector<std::vector<std::int32_t>> out;
    const mdm_info info = read_mdm_info(mdm);
    offset_t surface = info.ofs_surfaces;
    for (std::int32_t s = 0; s < info.num_surfaces; ++s) {
        offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
        for (std::int32_t v = 0; v < get_i32(mdm, surface + mdm_surface::num_verts); ++v) {
            const std::int32_t count = get_i32(mdm, vertex + mdm_vertex::num_weights);
            out.emplace_back();
            for (const engine_weight& w :
                 read_skin_weights(mdm, vertex + mdm_vertex::weights, count))
                out.back().push_back(w.bone);
            vertex += mdm_vertex::weights + skin_weight::size * count;
        }
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
    return out;
}

std::vector<dvec3> flat(const std::vector<std::vector<dvec3>>& surfaces) {
    std::vector<dvec3> out;
    for (const auto& s : surfaces)
        out.insert(out.end(), s.begin(), s.end());
    return out;
}

// Turns the subtree of `root` about the model's z axis through its position.
std::vector<posed_bone> bend(std::vector<posed_bone> pose, const byte_region& bones,
                             std::int32_t root, double radians, std::vector<bool>& in_subtree) {
    const double c = std::cos(radians), s = std::sin(radians);
    const auto turn = [&](const dvec3& v) {
        return dvec3{c * v[0] - s * v[1], s * v[0] + c * v[1], v[2]};
    };
    const dvec3 centre = pose[static_cast<std::size_t>(root)].position;
    in_subtree.assign(pose.size(), false);
    for (std::size_t b = 0; b < pose.size(); ++b) {
        for (std::int32_t k = static_cast<std::int32_t>(b); k >= 0;
             k = get_i32(bones, bone_record_at(k) + bone_record::parent))
            in_subtree[b] = in_subtree[b] || k == root;
        if (!in_subtree[b]) continue;
        posed_bone& p = pose[b];
        const dvec3 d =
            turn({p.position[0] - centre[0], p.position[1] - centre[1], p.position[2] - centre[2]});
        p.position = {centre[0] + d[0], centre[1] + d[1], centre[2] + d[2]};
        // R' = Q·R: each column of R turned, so every row mixes as Q's rows say.
        const bone_rotation r = p.rotation;
        for (int j = 0; j < 3; ++j) {
            const dvec3 column = turn(axis_column(r, j));
            p.rotation.forward[static_cast<std::size_t>(j)] = column[0];
            p.rotation.left[static_cast<std::size_t>(j)] = column[1];
            p.rotation.up[static_cast<std::size_t>(j)] = column[2];
        }
    }
    return pose;
}

} // namespace

TEST(RigExport, AtRestTheSkinIsTheDrawnModel) {
    for (int blend = 0; blend <= 3; blend += 3) {
        SCOPED_TRACE(testing::Message() << "BLENDWEIGHTS " << blend);
        const written_rig w(blend);
        ASSERT_GT(w.mdm_size, 0);
        ASSERT_GT(w.mdx_size, 0);
        // The added root holds the spine and both legs; the MDX names the bones.
        EXPECT_EQ(get_i32(w.mdx.region, mdx_header::num_bones), 8);
        EXPECT_EQ(get_i32(w.mdx.region, mdx_header::torso_parent), 0);
        EXPECT_EQ(w.bone("root"), 0);
        const std::vector<dvec3> drawn = w.drawn();
        const std::vector<dvec3> skinned = flat(skin_mdm_vertices(w.mdm.region, w.mdx_pose()));
        ASSERT_EQ(skinned.size(), drawn.size());
        // Compared as sets: the MDM may store its vertices in another order.
        double worst = 0;
        for (const dvec3& p : skinned) {
            double nearest = 1e9;
            for (const dvec3& q : drawn)
                nearest = std::min(nearest, distance(p, q));
            worst = std::max(worst, nearest);
        }
        EXPECT_LT(worst, 1e-4 * 5.0); // the figure spans 5 units after the 0.1 scale
    }
}

TEST(RigExport, BendingOneArmMovesOnlyItsVertices) {
    for (int blend = 0; blend <= 3; blend += 3) {
        SCOPED_TRACE(testing::Message() << "BLENDWEIGHTS " << blend);
        const written_rig w(blend);
        ASSERT_GT(w.mdx_size, 0);
        const std::int32_t arm = w.bone("Arm[L]");
        ASSERT_GE(arm, 0);
        const std::vector<posed_bone> rest = w.mdx_pose();
        std::vector<bool> in_subtree;
        const std::vector<posed_bone> bent =
            bend(rest, w.rig.model.bones.region, arm, std::numbers::pi / 3, in_subtree);
        EXPECT_EQ(std::count(in_subtree.begin(), in_subtree.end(), true), 2); // arm, forearm
        const std::vector<dvec3> before = flat(skin_mdm_vertices(w.mdm.region, rest));
        const std::vector<dvec3> after = flat(skin_mdm_vertices(w.mdm.region, bent));
        const auto bones = vertex_bones(w.mdm.region);
        ASSERT_EQ(bones.size(), before.size());
        int moved = 0, still = 0;
        for (std::size_t v = 0; v < before.size(); ++v) {
            bool on_arm = false;
            for (const std::int32_t b : bones[v])
                on_arm = on_arm || in_subtree[static_cast<std::size_t>(b)];
            const double d = distance(before[v], after[v]);
            if (on_arm) {
                moved += d > 0.05 ? 1 : 0;
            } else {
                ++still;
                EXPECT_LT(d, 1e-9) << "vertex " << v;
            }
        }
        EXPECT_GE(moved, 40);  // the left arm's 54 skin vertices, less those by the shoulder
        EXPECT_GE(still, 120); // of the 189 vertices, those of the body, the legs and the other arm
    }
}
