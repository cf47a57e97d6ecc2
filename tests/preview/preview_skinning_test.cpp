// The previews skin to the engine's rule: each one is read back from its glTF
// bytes alone and skinned as a viewer does, then compared with the engine's
// posing of the source files, frame by frame.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <numbers>

#include "preview/gltf_readback.hpp"
#include "preview/preview_model.hpp"
#include "skeletal/skeletal_fixture.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "support/engine_skin.hpp"

namespace ossify_test {
namespace {

using namespace ossify;

// The engine's frame in glTF: x forward, y left, z up become z, x, y, in metres.
point engine_in_gltf(const dvec3& p) {
    return {p[1] * preview_metres_per_unit, p[2] * preview_metres_per_unit,
            p[0] * preview_metres_per_unit};
}

double distance(const point& a, const point& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

std::int16_t turn(double degrees) {
    return static_cast<std::int16_t>(std::lround(degrees * 65536.0 / 360.0));
}

std::vector<std::vector<posed_bone>> engine_poses(const std::vector<bone_desc>& bones,
                                                  const std::vector<frame_desc>& frames) {
    std::vector<std::vector<posed_bone>> poses;
    for (const frame_desc& f : frames)
        poses.push_back(engine_pose(bones, f));
    return poses;
}

struct comparison {
    double size = 0;                  // bounding box diagonal at the bind frame, glTF units
    double worst_bind = 0;            // every vertex, bind frame
    double worst_one_weight = 0;      // one-weight vertices, every frame
    double worst_several_weights = 0; // the others, every frame
};

// Skins the preview from its glTF and the surfaces by the engine's rule.
comparison compare(const gltf_file& gltf, const std::vector<surface_desc>& surfaces,
                   const std::vector<std::vector<posed_bone>>& poses, std::size_t bind) {
    EXPECT_TRUE(gltf.loaded) << gltf.error;
    EXPECT_EQ(gltf.frame_count(), poses.size());
    comparison c;
    point low{1e30, 1e30, 1e30}, high{-1e30, -1e30, -1e30};
    for (std::size_t f = 0; f < poses.size(); ++f) {
        const auto shown = gltf.vertices(f);
        std::size_t i = 0;
        for (const surface_desc& s : surfaces)
            for (const vertex_desc& v : s.vertices) {
                std::vector<engine_weight> weights;
                for (const weight_desc& w : v.weights)
                    weights.push_back({w.bone, w.weight, {w.offset[0], w.offset[1], w.offset[2]}});
                const point engine = engine_in_gltf(skin_vertex(weights, poses[f]));
                if (f == bind)
                    for (std::size_t k = 0; k < 3; ++k) {
                        low[k] = std::min(low[k], engine[k]);
                        high[k] = std::max(high[k], engine[k]);
                    }
                const double d = distance(shown.at(i++), engine);
                if (f == bind) c.worst_bind = std::max(c.worst_bind, d);
                double& worst =
                    v.weights.size() == 1 ? c.worst_one_weight : c.worst_several_weights;
                worst = std::max(worst, d);
            }
        EXPECT_EQ(i, shown.size());
    }
    c.size = distance(low, high);
    return c;
}

// An arm of three bones along +x (shoulder, elbow, wrist, 12 units apart),
// skinned with one, two and three weights; its frames bend the elbow far from
// the bind frame and twist it.
struct arm {
    mdm_desc mdm;
    mdx_desc mdx;
};

arm bent_arm() {
    arm a;
    a.mdx.bones = {{"shoulder", -1, 0, 0, 0}, {"elbow", 0, 0, 12, 0}, {"wrist", 1, 0, 12, 0}};
    struct pose {
        double shoulder_yaw, elbow_yaw, elbow_pitch, elbow_roll;
    };
    for (const pose& p :
         {pose{0, 0, 0, 0}, pose{30, 120, 0, 0}, pose{-20, 150, 45, 60}, pose{10, 90, -70, -30}}) {
        frame_desc f;
        f.header[10] = 5; // the root stands off the origin
        f.bones.resize(3);
        f.bones[0].angles = {0, turn(p.shoulder_yaw), 0, 0};
        f.bones[1].angles = {turn(p.elbow_pitch), turn(p.shoulder_yaw + p.elbow_yaw),
                             turn(p.elbow_roll), 0};
        f.bones[1].offset_angles = {0, turn(p.shoulder_yaw)};
        f.bones[2].angles = f.bones[1].angles;
        f.bones[2].offset_angles = {turn(p.elbow_pitch), turn(p.shoulder_yaw + p.elbow_yaw)};
        a.mdx.frames.push_back(f);
    }
    const auto bind = engine_poses(a.mdx.bones, a.mdx.frames)[0];
    surface_desc s;
    s.name = "arm";
    s.shader = "models/arm";
    for (int step = 0; step <= 10; ++step) {
        const double x = 2.4 * step;
        for (const double y : {-2.0, 2.0}) {
            const dvec3 at = {5 + x, y, step % 2 ? 1.5 : -1.5};
            // Shoulder alone, then a blend across the elbow, the wrist alone; one
            // vertex takes three bones.
            std::vector<std::pair<int, double>> share;
            if (x < 9)
                share = {{0, 1.0}};
            else if (x < 15)
                share = {{0, (15 - x) / 6}, {1, (x - 9) / 6}};
            else if (x < 20)
                share = {{1, 1.0}};
            else
                share = {{1, 0.3}, {2, 0.7}};
            if (step == 5 && y > 0) share = {{0, 0.2}, {1, 0.5}, {2, 0.3}};
            vertex_desc v;
            for (const auto& [bone, w] : share) {
                const posed_bone& b = bind[static_cast<std::size_t>(bone)];
                const dvec3 o =
                    model_to_bone(b.rotation, {at[0] - b.position[0], at[1] - b.position[1],
                                               at[2] - b.position[2]});
                v.weights.push_back({bone,
                                     static_cast<float>(w),
                                     {static_cast<float>(o[0]), static_cast<float>(o[1]),
                                      static_cast<float>(o[2])}});
            }
            s.vertices.push_back(v);
        }
    }
    for (std::int32_t i = 0; i + 2 < static_cast<std::int32_t>(s.vertices.size()); ++i)
        s.triangles.push_back({i, i + 1, i + 2});
    s.collapse_map.assign(s.vertices.size(), 0);
    a.mdm.surfaces = {s};
    return a;
}

// Its tag hangs from its bone where the engine places it, the node's x axis
// along the tag's first axis.
TEST(PreviewSkinning, AnMdmOnAnMdxSkinsLikeTheEngineAtEveryFrame) {
    arm a = bent_arm();
    tag_desc tag;
    tag.name = "tag_hand";
    tag.attach_bone = 2;
    tag.offset = {3, 0.5f, -1};
    tag.axis = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    a.mdm.tags = {tag};
    placed_file mdm = place_mdm(build_mdm(a.mdm));
    placed_file mdx = place_mdx(build_mdx(a.mdx));
    ASSERT_GT(mdm.end, 0);
    ASSERT_GT(mdx.end, 0);
    preview_model model;
    ASSERT_TRUE(preview_of_mdm_on_mdx(mdm.region(), mdx.region(), 0, model));
    const gltf_file gltf(encode_glb(model));
    const auto poses = engine_poses(a.mdx.bones, a.mdx.frames);
    const comparison c = compare(gltf, a.mdm.surfaces, poses, 0);
    EXPECT_LT(c.worst_bind, 1e-4 * c.size);
    EXPECT_LT(c.worst_one_weight, 1e-4 * c.size);
    EXPECT_LT(c.worst_several_weights, 0.01 * c.size);
    std::printf("bent arm: size %.6g m, worst difference of a vertex with several weights "
                "%.3g m (%.3g %% of the size)\n",
                c.size, c.worst_several_weights, 100 * c.worst_several_weights / c.size);

    std::size_t node = 0;
    while (node < gltf.model.nodes.size() && gltf.model.nodes[node].name != "tag_hand")
        ++node;
    ASSERT_LT(node, gltf.model.nodes.size());
    for (std::size_t f = 0; f < poses.size(); ++f) {
        const mat4 g = gltf.globals(f)[node];
        const placed_tag placed =
            place_tag(poses[f][2], {3, 0.5, -1}, {dvec3{0, 1, 0}, dvec3{-1, 0, 0}, dvec3{0, 0, 1}});
        EXPECT_LT(distance({g[12], g[13], g[14]}, engine_in_gltf(placed.origin)), 1e-6) << f;
        EXPECT_LT(distance({g[0], g[1], g[2]}, engine_in_gltf(placed.axes.forward)), 1e-6) << f;
    }
}

TEST(PreviewSkinning, AnMdsSkinsLikeTheEngineFromEitherBindFrame) {
    const mds_desc desc = sample_mds_desc();
    placed_file mds = place_mds(build_mds(desc));
    ASSERT_GT(mds.end, 0);
    const auto poses = engine_poses(desc.bones, desc.frames);
    for (std::int32_t bind : {0, 1}) {
        preview_model model;
        ASSERT_TRUE(preview_of_mds(mds.region(), bind, model));
        EXPECT_EQ(model.joints.size(), desc.bones.size()); // tag bones are joints too
        const comparison c = compare(gltf_file(encode_glb(model)), desc.surfaces, poses,
                                     static_cast<std::size_t>(bind));
        EXPECT_LT(c.worst_bind, 1e-4 * c.size) << "bind frame " << bind;
        EXPECT_LT(c.worst_one_weight, 1e-4 * c.size) << "bind frame " << bind;
    }
}

// PREVIEWLOD: each surface drawn as the engine draws it at that level, through
// its collapse map and never below its minimum level of detail; a level that
// reads a stale collapse entry leaves those triangles out and counts them.
TEST(PreviewSkinning, AnMdmAtALevelOfDetailDrawsWhatTheEngineDraws) {
    arm a = bent_arm();
    surface_desc& s = a.mdm.surfaces[0];
    const auto count = static_cast<std::int32_t>(s.vertices.size());
    ASSERT_GE(count, 6);
    // Each vertex past the first collapses onto the one before it.
    for (std::int32_t j = 0; j < count; ++j)
        s.collapse_map[static_cast<std::size_t>(j)] = j == 0 ? 0 : j - 1;
    placed_file mdx = place_mdx(build_mdx(a.mdx));
    const auto triangles_at = [&](std::int32_t percent, const surface_desc& surface) {
        arm copy = a;
        copy.mdm.surfaces = {surface};
        placed_file mdm = place_mdm(build_mdm(copy.mdm));
        preview_model model;
        EXPECT_TRUE(preview_of_mdm_on_mdx(mdm.region(), mdx.region(), 0, model, percent));
        return std::make_pair(model.surfaces[0].triangles, model.triangles_stray);
    };
    const std::int32_t full = static_cast<std::int32_t>(s.triangles.size());
    EXPECT_EQ(static_cast<std::int32_t>(triangles_at(0, s).first.size()), full);
    EXPECT_EQ(static_cast<std::int32_t>(triangles_at(100, s).first.size()), full);
    const std::int32_t percent = 50;
    const std::int32_t render_count = count * percent / 100;
    const auto [half, stray] = triangles_at(percent, s);
    EXPECT_EQ(stray, 0);
    // A strip of triangles (i, i+1, i+2): those that still have three distinct
    // corners below the render count.
    EXPECT_EQ(static_cast<std::int32_t>(half.size()), std::max(render_count - 2, 0));
    for (const auto& t : half)
        for (std::uint32_t v : t)
            EXPECT_LT(v, static_cast<std::uint32_t>(render_count));
    // The minimum level of detail holds the surface at full detail.
    surface_desc held = s;
    held.min_lod = count;
    EXPECT_EQ(static_cast<std::int32_t>(triangles_at(percent, held).first.size()), full);
    // The identity map the tool once wrote: every triangle past the render count
    // reads a stale entry.
    surface_desc identity = s;
    for (std::int32_t j = 0; j < count; ++j)
        identity.collapse_map[static_cast<std::size_t>(j)] = j;
    const auto [kept, stale] = triangles_at(percent, identity);
    EXPECT_EQ(static_cast<std::int32_t>(kept.size()), std::max(render_count - 2, 0));
    EXPECT_EQ(static_cast<std::int32_t>(kept.size()) + stale, full);
}

} // namespace
} // namespace ossify_test
