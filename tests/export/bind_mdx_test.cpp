// Mode 9 bound to an existing MDX: the engine's skinning at the bind frame puts
// every vertex back at a tenth of where it was drawn, on generated skeletons
// and on the bundled character; the skeleton, the bone choice, the tags and
// the refusals of the binding path.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "export/bound_tags.hpp"
#include "export/mdm_writer.hpp"
#include "mesh/bone_binding.hpp"
#include "mesh/skeleton_binding.hpp"
#include "skeletal/skeletal.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/stored_pose.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/marker_tags.hpp"
#include "skeleton/mdx_skeleton.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"
#include "support/skeletal_builder.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// A skeleton of `count` bones, each hung on an earlier one, with `frames`
// frames of random angles.
mdx_desc random_skeleton(std::mt19937& random, int count, int frames) {
    std::uniform_int_distribution<int> angle(-32768, 32767);
    std::uniform_real_distribution<float> distance(2.0f, 12.0f), offset(-20.0f, 20.0f);
    mdx_desc d;
    for (int b = 0; b < count; ++b) {
        const std::int32_t parent =
            b == 0 ? -1 : std::uniform_int_distribution<std::int32_t>(0, b - 1)(random);
        d.bones.push_back(
            {"bone" + std::to_string(b), parent, 0.0f, b == 0 ? 0.0f : distance(random)});
    }
    d.torso_parent = 0;
    for (int f = 0; f < frames; ++f) {
        frame_desc frame;
        frame.header[10] = offset(random);
        frame.header[11] = offset(random);
        frame.header[12] = offset(random);
        for (int b = 0; b < count; ++b) {
            const auto a = [&] { return static_cast<std::int16_t>(angle(random)); };
            frame.bones.push_back({{a(), a(), a(), 0}, {a(), a()}});
        }
        d.frames.push_back(frame);
    }
    return d;
}

// An MQO of one object whose vertices lie at random within ±`extent` of the
// origin, joined three by three into triangles.
std::string random_model(std::mt19937& random, int triangles, float extent) {
    std::uniform_real_distribution<float> at(-extent, extent);
    std::vector<std::string> vertices, faces;
    for (int t = 0; t < triangles; ++t) {
        for (int k = 0; k < 3; ++k)
            vertices.push_back(std::to_string(at(random)) + " " + std::to_string(at(random)) + " " +
                               std::to_string(at(random)));
        faces.push_back("3 V(" + std::to_string(3 * t) + " " + std::to_string(3 * t + 1) + " " +
                        std::to_string(3 * t + 2) + ") M(0)");
    }
    return mqo_document(material_chunk({material_line("skin")}) +
                        object_chunk("skin", vertices, faces));
}

// Every point of `a` has one of `b` within `tolerance` and the lists are as long:
// vertices compared by where they land, whatever their order.
double farthest_match(const std::vector<dvec3>& a, const std::vector<dvec3>& b) {
    EXPECT_EQ(a.size(), b.size());
    double worst = 0;
    for (const dvec3& p : a) {
        double best = INFINITY;
        for (const dvec3& q : b) {
            const dvec3 d = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
            best = std::min(best, std::sqrt(dot3(d, d)));
        }
        worst = std::max(worst, best);
    }
    return worst;
}

// The MQO vertices of every mesh object, at a tenth of their drawn size.
std::vector<dvec3> drawn_engine_positions(const mqo_model& model) {
    std::vector<dvec3> out;
    const std::int32_t objects = get_i32(model.mesh.region, mesh_header::num_mesh_obj);
    for (int i = 0; i < objects; ++i) {
        const std::int32_t n =
            get_i32(model.mesh.region, model.object(i) + mesh_object::num_vertex);
        for (int v = 0; v < n; ++v) {
            const vector3 p = get_vector3(model.mesh.region, model.vertex(i, v));
            out.push_back({0.1 * p.x, 0.1 * p.y, 0.1 * p.z});
        }
    }
    return out;
}

std::vector<dvec3> flattened(const std::vector<std::vector<dvec3>>& surfaces) {
    std::vector<dvec3> out;
    for (const auto& s : surfaces)
        out.insert(out.end(), s.begin(), s.end());
    return out;
}

// The binding path as mode 9 runs it with BINDMDX, in memory.
struct bound_model {
    mqo_model model;
    work_buffer mdm = make_work_buffer(1 << 22);
    mdx_pose pose;
    std::string out;

    bound_model(const std::string& document, ossify_test::bytes& mdx, std::int32_t frame,
                const bind_options& options, const std::string& bones = "")
        : model(document) {
        std::vector<bool> chosen;
        out = capture_stdout([&] {
            EXPECT_EQ(pose_mdx_frame(region_of(mdx), frame, pose), 1);
            EXPECT_TRUE(choose_bones(pose, bones, chosen));
        });
        model.bones = make_work_buffer(1 << 20);
        out +=
            capture_stdout([&] { EXPECT_GT(build_bones_from_mdx(pose, model.bones.region), 0); });
        EXPECT_GT(model.build_mesh(), 0) << model.out;
        out += capture_stdout([&] {
            EXPECT_EQ(
                bind_mesh_to_skeleton(model.mesh.region, bind_bones_of(pose, chosen), options), 1);
            EXPECT_GT(build_mdm_from_mesh(model.mesh.region, mdm.region, model.bones.region), 0);
        });
    }
};

} // namespace

// The engine's skinning at the bind frame gives back a tenth of every drawn
// position, to float32 rounding, for rigid and blended weights alike.
TEST(BindMdx, SkinningAtTheBindFrameGivesBackTheDrawnModel) {
    std::mt19937 random(20);
    double worst = 0;
    for (int round = 0; round < 6; ++round) {
        mdx_desc skeleton = random_skeleton(random, 3 + 2 * round, 3);
        ossify_test::bytes mdx = build_mdx(skeleton);
        const std::string document = random_model(random, 20, 400.0f);
        const std::int32_t frame = round % 3;
        bound_model bound(document, mdx, frame, {1 + round % max_blend_weights, round % 2 == 0});
        const std::vector<dvec3> skinned =
            flattened(skin_mdm_vertices(bound.mdm.region, bound.pose.posed));
        worst = std::max(worst, farthest_match(drawn_engine_positions(bound.model), skinned));
        // Another frame moves the model: the binding is to this frame.
        if (round == 0) {
            mdx_pose other;
            capture_stdout([&] { pose_mdx_frame(region_of(mdx), 1, other); });
            const auto moved = flattened(skin_mdm_vertices(bound.mdm.region, other.posed));
            EXPECT_GT(farthest_match(drawn_engine_positions(bound.model), moved), 1.0);
        }
    }
    std::printf("skinned at the bind frame: within %.2g units of a tenth of the drawn model\n",
                worst);
    EXPECT_LT(worst, 2e-5); // the model spans 80 units: float32 rounding of its offsets
}

// The bone object of a posed MDX turns vertices into each bone's frame as the
// engine's rotation does, so the mesh builder's own positions agree with it.
TEST(BindMdx, BoneObjectOfAnMdxKeepsItsNumbersAndFrames) {
    std::mt19937 random(7);
    mdx_desc skeleton = random_skeleton(random, 12, 2);
    ossify_test::bytes mdx = build_mdx(skeleton);
    mdx_pose pose;
    work_buffer bones = make_work_buffer(1 << 20);
    capture_stdout([&] {
        ASSERT_EQ(pose_mdx_frame(region_of(mdx), 1, pose), 1);
        ASSERT_EQ(build_bones_from_mdx(pose, bones.region), 96 + 796 * 12);
    });
    const std::vector<bone_frame> frames = bone_frames(bones.region, 12);
    for (std::int32_t b = 0; b < 12; ++b) {
        const offset_t record = bone_record_at(b);
        EXPECT_EQ(bone_record_name(bones.region, record),
                  skeleton.bones[static_cast<std::size_t>(b)].name);
        EXPECT_EQ(get_i32(bones.region, record + bone_record::parent),
                  skeleton.bones[static_cast<std::size_t>(b)].parent);
        // The ancestors, root first, end at the parent.
        const std::int32_t depth = get_i32(bones.region, record + bone_record::num_bone_tree);
        if (b > 0) {
            EXPECT_EQ(get_i32(bones.region, record + bone_record::tree + 4 * (depth - 1)),
                      skeleton.bones[static_cast<std::size_t>(b)].parent);
            EXPECT_EQ(get_i32(bones.region, record + bone_record::tree), 0);
        }
        for (int k = 0; k < 3; ++k) {
            vector3 axis{};
            (k == 0 ? axis.x : k == 1 ? axis.y : axis.z) = 1.0f;
            const vector3 got = in_bone_frame(frames[static_cast<std::size_t>(b)], axis);
            dvec3 e{};
            e[static_cast<std::size_t>(k)] = 1;
            const dvec3 want = model_to_bone(pose.posed[static_cast<std::size_t>(b)].rotation, e);
            EXPECT_NEAR(got.x, want[0], 1e-6);
            EXPECT_NEAR(got.y, want[1], 1e-6);
            EXPECT_NEAR(got.z, want[2], 1e-6);
        }
    }
}

TEST(BindMdx, FramesAndBoneListsAreChecked) {
    std::mt19937 random(3);
    mdx_desc skeleton = random_skeleton(random, 4, 2);
    skeleton.bones[2].name = "hand";
    ossify_test::bytes mdx = build_mdx(skeleton);
    mdx_pose pose;
    std::string out =
        capture_stdout([&] { EXPECT_EQ(pose_mdx_frame(region_of(mdx), 2, pose), -2); });
    EXPECT_NE(out.find("Frame[2] is not a frame of the MDX: it has frames 0 to 1"),
              std::string::npos);
    capture_stdout([&] { EXPECT_EQ(pose_mdx_frame(region_of(mdx), -1, pose), -2); });
    capture_stdout([&] { ASSERT_EQ(pose_mdx_frame(region_of(mdx), 1, pose), 1); });

    std::vector<bool> chosen;
    EXPECT_TRUE(choose_bones(pose, "", chosen));
    EXPECT_EQ(chosen, std::vector<bool>(4, true));
    EXPECT_TRUE(choose_bones(pose, "hand, 0\t3", chosen));
    EXPECT_EQ(chosen, (std::vector<bool>{true, false, true, true}));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(choose_bones(pose, "hand,4", chosen));
    EXPECT_FALSE(choose_bones(pose, "Hand", chosen));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("\"4\""), std::string::npos);
    EXPECT_NE(err.find("\"Hand\""), std::string::npos);

    // A skeleton whose parents loop cannot be posed.
    skeleton.bones[0].parent = 3;
    ossify_test::bytes looped = build_mdx(skeleton);
    capture_stdout([&] { EXPECT_EQ(pose_mdx_frame(region_of(looped), 0, pose), -1); });
}

// Bones left out of BINDBONES carry no weight, and the rest still give back
// the drawn model.
TEST(BindMdx, BonesLeftOutCarryNoWeight) {
    std::mt19937 random(11);
    mdx_desc skeleton = random_skeleton(random, 6, 1);
    ossify_test::bytes mdx = build_mdx(skeleton);
    bound_model bound(random_model(random, 15, 300.0f), mdx, 0, {2, true}, "0 2 bone4");
    const byte_region& mdm = bound.mdm.region;
    const offset_t surface = get_i32(mdm, mdm_header::ofs_surfaces);
    offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
    for (std::int32_t v = 0; v < get_i32(mdm, surface + mdm_surface::num_verts); ++v) {
        const std::int32_t count = get_i32(mdm, vertex + mdm_vertex::num_weights);
        for (const engine_weight& w : read_skin_weights(mdm, vertex + mdm_vertex::weights, count))
            EXPECT_TRUE(w.bone == 0 || w.bone == 2 || w.bone == 4) << w.bone;
        vertex += mdm_vertex::weights + skin_weight::size * count;
        ASSERT_GT(count, 0) << v;
    }
    EXPECT_LT(farthest_match(drawn_engine_positions(bound.model),
                             flattened(skin_mdm_vertices(mdm, bound.pose.posed))),
              2e-5);
}

// Tag markers hang on the nearest bone and the engine puts them where they
// were drawn, with their drawn axes.
TEST(BindMdx, TagMarkersRideOnTheirNearestBone) {
    std::mt19937 random(5);
    mdx_desc skeleton = random_skeleton(random, 5, 2);
    ossify_test::bytes mdx = build_mdx(skeleton);
    const std::string document = mqo_document(
        material_chunk({material_line("skin"), material_line("tag:tag_weapon")}) +
        object_chunk("bone", {"30 40 50", "130 40 50", "30 60 50"}, {"3 V(0 1 2) M(1)"}) +
        object_chunk("skin", {"0 0 0", "10 0 0", "0 10 0"}, {"3 V(0 1 2) M(0)"}) +
        object_chunk("tag:tag_back", {"-20 0 5", "-20 0 105", "-40 0 5"}, {"3 V(0 1 2) M(0)"}));
    bound_model bound(document, mdx, 1, {1, true});
    std::vector<drawn_tag> tags;
    capture_stdout([&] { tags = find_marker_tags(bound.model.mqo.region); });
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].name, "tag_weapon");
    EXPECT_EQ(tags[1].name, "tag_back");
    std::int32_t size = 0;
    capture_stdout([&] { size = build_mdm_bound_tags(tags, bound.pose, bound.mdm.region); });
    ASSERT_GT(size, 0);
    capture_stdout([&] { EXPECT_EQ(check_mdm(bound.mdm.region, size), size); });
    offset_t at = get_i32(bound.mdm.region, mdm_header::ofs_tags);
    for (const drawn_tag& tag : tags) {
        const std::int32_t bone = get_i32(bound.mdm.region, at + mdm_tag::attach_bone);
        EXPECT_EQ(bone, nearest_bone(bound.pose, tag.origin));
        const placed_tag placed =
            place_tag(bound.pose.posed[static_cast<std::size_t>(bone)],
                      get_dvec3(bound.mdm.region, at + mdm_tag::offset),
                      get_rotation_rows(bound.mdm.region, at + mdm_tag::axis));
        EXPECT_NEAR(placed.origin[0], 0.1 * tag.origin.x, 1e-5);
        EXPECT_NEAR(placed.origin[1], 0.1 * tag.origin.y, 1e-5);
        EXPECT_NEAR(placed.origin[2], 0.1 * tag.origin.z, 1e-5);
        EXPECT_NEAR(placed.axes.forward[0], tag.axes[0].x, 1e-6);
        EXPECT_NEAR(placed.axes.up[2], tag.axes[2].z, 1e-6);
        // The tag's bone list ends at its bone and starts at the root.
        const std::int32_t depth = get_i32(bound.mdm.region, at + mdm_tag::num_bone_refs);
        EXPECT_EQ(get_i32(bound.mdm.region, at + mdm_tag::size + 4 * (depth - 1)), bone);
        EXPECT_EQ(get_i32(bound.mdm.region, at + mdm_tag::size), 0);
        at += get_i32(bound.mdm.region, at + mdm_tag::ofs_end);
    }
}

// A mesh object named after a bone binds only to that bone and the bones below
// it, and still lands where it was drawn.
TEST(BindMdx, AnObjectNamedAfterABoneStaysBelowIt) {
    std::mt19937 random(9);
    mdx_desc skeleton = random_skeleton(random, 8, 1);
    skeleton.bones[3].name = "cape";
    ossify_test::bytes mdx = build_mdx(skeleton);
    std::string document = random_model(random, 12, 300.0f);
    document.replace(document.find("Object \"skin\""), 13, "Object \"cape\"");
    bound_model bound(document, mdx, 0, {3, true});
    const auto below_cape = [&](std::int32_t bone) {
        for (std::int32_t b = bone; b >= 0; b = skeleton.bones[static_cast<std::size_t>(b)].parent)
            if (b == 3) return true;
        return false;
    };
    const byte_region& mdm = bound.mdm.region;
    const offset_t surface = get_i32(mdm, mdm_header::ofs_surfaces);
    offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
    for (std::int32_t v = 0; v < get_i32(mdm, surface + mdm_surface::num_verts); ++v) {
        const std::int32_t count = get_i32(mdm, vertex + mdm_vertex::num_weights);
        ASSERT_GT(count, 0);
        for (const engine_weight& w : read_skin_weights(mdm, vertex + mdm_vertex::weights, count))
            EXPECT_TRUE(below_cape(w.bone)) << w.bone;
        vertex += mdm_vertex::weights + skin_weight::size * count;
    }
    EXPECT_LT(farthest_match(drawn_engine_positions(bound.model),
                             flattened(skin_mdm_vertices(mdm, bound.pose.posed))),
              2e-5);
}
