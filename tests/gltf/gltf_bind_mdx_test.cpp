// Mode 9 with GLTF and BINDMDX through the built binary: a leg rigged and
// animated in glTF on the bone names of a generated MDX skeleton (its joints in
// another order, one extra joint) becomes an MDM in the MDX's numbering that
// the MDX skins, at its bind frame, to the glTF's bind pose, and an animation
// MDX of the MDX's bones that poses it as the glTF's own skinning does.
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

#include "gltf/gltf_builder.hpp"
#include "gltf/gltf_pipeline.hpp"
#include "preview/gltf_readback.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "support/engine_skin.hpp"
#include "support/scratch.hpp"

namespace ossify_test {
namespace {

using namespace ossify;

std::int16_t turn(double degrees) {
    return static_cast<std::int16_t>(std::lround(degrees * 65536.0 / 360.0));
}

std::vector<float> about(double x, double y, double z, double degrees) {
    const double h = degrees * std::numbers::pi / 360.0;
    return {static_cast<float>(x * std::sin(h)), static_cast<float>(y * std::sin(h)),
            static_cast<float>(z * std::sin(h)), static_cast<float>(std::cos(h))};
}

// The engine's inches, z up, in glTF's metres, y up, and back.
point in_gltf(const dvec3& e) {
    return {e[1] * 0.0254, e[2] * 0.0254, e[0] * 0.0254};
}
dvec3 in_engine(const point& g) {
    return {g[2] / 0.0254, g[0] / 0.0254, g[1] / 0.0254};
}

const char* const mdx_names[] = {"root", "hip", "spine", "knee", "foot", "toe"};

// Six bones, two frames (the job binds at frame 1), bent every way.
mdx_desc generated_mdx() {
    mdx_desc d;
    const std::int32_t parents[] = {-1, 0, 0, 1, 3, 4};
    const float distances[] = {0, 8, 10, 18, 17, 5};
    for (std::size_t b = 0; b < 6; ++b)
        d.bones.push_back({mdx_names[b], parents[b], 0, distances[b], 0});
    for (int f = 0; f < 2; ++f) {
        frame_desc frame;
        frame.header[10] = 2.0f + static_cast<float>(f);
        frame.header[12] = 36.0f;
        for (int b = 0; b < 6; ++b)
            frame.bones.push_back({{turn(10 * b + 5 * f), turn(40 * b - 30), turn(15 * b * f), 0},
                                   {turn(80 - 25 * b + 10 * f), turn(60 * b + 20 * f)}});
        d.frames.push_back(frame);
    }
    return d;
}

// A leg rigged on the MDX's bones where the MDX puts them at its frame 1: the
// skin's joints are knee, root, hip, heel (not in the MDX), foot; vertices take
// one to three of them. The animation moves the root by steps and turns hip,
// knee and foot; the heel rides on the foot.
std::vector<std::uint8_t> leg_on(const std::vector<posed_bone>& bind) {
    gltf_builder b;
    const auto at = [&](std::size_t bone) { return in_gltf(bind[bone].position); };
    const auto local = [&](int node, const point& world, const point& parent) {
        b.m.nodes[static_cast<std::size_t>(node)].translation = {
            world[0] - parent[0], world[1] - parent[1], world[2] - parent[2]};
    };
    const point origin{0, 0, 0};
    const point heel_at = {at(4)[0], at(4)[1] - 0.05, at(4)[2] - 0.06};
    const int root = b.node("root");
    local(root, at(0), origin);
    const int hip = b.node("hip", root);
    local(hip, at(1), at(0));
    const int knee = b.node("knee", hip);
    local(knee, at(3), at(1));
    const int foot = b.node("foot", knee);
    local(foot, at(4), at(3));
    const int heel = b.node("heel", foot);
    local(heel, heel_at, at(4));
    const std::vector<int> skin_joints = {knee, root, hip, heel, foot};

    // Rings along root-hip-knee-foot-heel, weights as (skin joint, share).
    const point path[] = {at(0), at(1), at(3), at(4), heel_at};
    const std::vector<std::vector<std::pair<int, float>>> shares = {
        {{1, 1.0f}},           {{1, 0.6f}, {2, 0.4f}},
        {{2, 1.0f}},           {{2, 0.5f}, {0, 0.3f}, {1, 0.2f}},
        {{0, 1.0f}},           {{0, 0.7f}, {4, 0.3f}},
        {{4, 1.0f}},           {{4, 0.5f}, {3, 0.5f}},
        {{3, 0.8f}, {0, 0.2f}}};
    std::vector<float> positions, weights;
    std::vector<std::uint16_t> joints, indices;
    const auto rings = static_cast<int>(shares.size());
    for (int ring = 0; ring < rings; ++ring) {
        const double s = ring / 2.0;
        const auto seg = static_cast<std::size_t>(std::min(3.0, std::floor(s)));
        const double t = s - static_cast<double>(seg);
        for (int corner = 0; corner < 4; ++corner) {
            const double dx = corner % 2 ? 0.05 : -0.05, dz = corner / 2 ? 0.04 : -0.04;
            for (std::size_t e = 0; e < 3; ++e)
                positions.push_back(static_cast<float>(path[seg][e] +
                                                       t * (path[seg + 1][e] - path[seg][e]) +
                                                       (e == 0   ? dx
                                                        : e == 2 ? dz
                                                                 : 0)));
            const auto& share = shares[static_cast<std::size_t>(ring)];
            for (std::size_t w = 0; w < 4; ++w) {
                joints.push_back(static_cast<std::uint16_t>(w < share.size() ? share[w].first : 0));
                weights.push_back(w < share.size() ? share[w].second : 0.0f);
            }
        }
        if (ring + 1 < rings)
            for (int corner = 0; corner < 4; ++corner) {
                const auto v = static_cast<std::uint16_t>(4 * ring + corner);
                const auto next = static_cast<std::uint16_t>(4 * ring + (corner + 1) % 4);
                indices.insert(indices.end(), {v, next, static_cast<std::uint16_t>(v + 4), next,
                                               static_cast<std::uint16_t>(next + 4),
                                               static_cast<std::uint16_t>(v + 4)});
            }
    }
    b.skinned_mesh("leg", positions, joints, weights, indices);

    // The joints are not turned at rest: each inverse bind matrix is a translation.
    const std::vector<mat4> rest = gltf_file(b.glb()).globals(0);
    std::vector<float> inverse;
    for (int j : skin_joints) {
        const mat4& g = rest[static_cast<std::size_t>(j)];
        for (std::size_t k = 0; k < 16; ++k)
            inverse.push_back(static_cast<float>(k >= 12 && k < 15 ? -g[k] : k % 5 == 0 ? 1 : 0));
    }
    tinygltf::Skin skin;
    skin.joints = skin_joints;
    skin.inverseBindMatrices = b.floats(inverse, TINYGLTF_TYPE_MAT4, skin_joints.size());
    b.m.skins = {skin};
    const int leg = b.node("leg");
    b.m.nodes[static_cast<std::size_t>(leg)].mesh = 0;
    b.m.nodes[static_cast<std::size_t>(leg)].skin = 0;

    const int times = b.floats({0.0f, 0.25f, 0.5f, 0.75f}, TINYGLTF_TYPE_SCALAR, 4);
    tinygltf::Animation walk;
    walk.name = "walk";
    const auto channel = [&](int node, const char* path, const std::vector<float>& values,
                             const char* interpolation) {
        b.channel(walk, times, node, path, values, interpolation);
    };
    const auto turns = [&](double x, double y, double z, std::initializer_list<double> degrees) {
        std::vector<float> out;
        for (double a : degrees)
            for (float v : about(x, y, z, a))
                out.push_back(v);
        return out;
    };
    channel(hip, "rotation", turns(0, 0.6, 0.8, {0, 25, -35, 10}), "LINEAR");
    channel(knee, "rotation", turns(1, 0, 0, {0, 50, 85, 20}), "LINEAR");
    channel(foot, "rotation", turns(0, 1, 0, {0, -20, 30, 15}), "LINEAR");
    const point r = at(0);
    std::vector<float> moves;
    for (double dy : {0.0, 0.04, -0.03, 0.01})
        for (double v : {r[0], r[1] + dy, r[2]})
            moves.push_back(static_cast<float>(v));
    channel(root, "translation", moves, "STEP");
    b.m.animations = {walk};
    return b.glb();
}

struct loaded_file {
    work_buffer buffer = make_work_buffer(1 << 22);
    explicit loaded_file(const std::string& bytes) {
        std::copy(bytes.begin(), bytes.end(), buffer.region.data);
    }
};

std::vector<posed_bone> pose_of(const byte_region& mdx, std::int32_t frame) {
    const mdx_info info = read_mdx_info(mdx);
    return pose_stored_frame(mdx, frame_at(info.ofs_frames, info.num_bones, frame),
                             read_skeleton_bones(mdx, info.ofs_bones, info.num_bones));
}

// Where `child` sits in `leader`'s frame: its position and axes.
std::array<dvec3, 4> relative(const posed_bone& leader, const posed_bone& child) {
    const dvec3& p = child.position;
    const dvec3& q = leader.position;
    std::array<dvec3, 4> out{
        model_to_bone(leader.rotation, {p[0] - q[0], p[1] - q[1], p[2] - q[2]})};
    for (int k = 0; k < 3; ++k)
        out[static_cast<std::size_t>(k) + 1] =
            model_to_bone(leader.rotation, axis_column(child.rotation, k));
    return out;
}

TEST(GltfBindMdx, TheGltfSkinsOnTheMdxBonesOfItsNames) {
    const mdx_desc skeleton = generated_mdx();
    const std::vector<posed_bone> bind = engine_pose(skeleton.bones, skeleton.frames[1]);
    const std::vector<std::uint8_t> glb = leg_on(bind);
    scratch_dir s;
    s.write("skeleton.mdx", build_mdx(skeleton));
    s.write("leg.glb", glb);
    s.write("bind.cfg", "MODE=9\nGLTF=leg.glb\nMDM=leg.mdm\nBINDMDX=skeleton.mdx\nBINDFRAME=1\n"
                        "ANIMMDX=walk.mdx\n");
    const run_result r = s.run({"-cfg", "bind.cfg"});
    ASSERT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("without a bone of their name in BINDMDX: \"heel\"\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("ossify: 8 vertex weights on those joints went to the nearest joint"),
              std::string::npos)
        << r.err;

    const loaded_file mdm(s.read("leg.mdm")), mdx(s.read("walk.mdx")),
        source(s.read("skeleton.mdx"));
    // Bone references: every weighted bone and its ancestors, ascending.
    const offset_t surface = get_i32(mdm.buffer.region, mdm_header::ofs_surfaces);
    std::vector<std::int32_t> refs;
    for (std::int32_t k = 0; k < get_i32(mdm.buffer.region, surface + mdm_surface::num_bone_refs);
         ++k)
        refs.push_back(get_i32(
            mdm.buffer.region,
            surface + get_i32(mdm.buffer.region, surface + mdm_surface::ofs_bone_refs) + 4 * k));
    EXPECT_EQ(refs, (std::vector<std::int32_t>{0, 1, 3, 4}));

    // At the bind frame the MDX puts every vertex where the glTF binds it.
    const gltf_file own(glb);
    ASSERT_TRUE(own.loaded) << own.error;
    std::vector<dvec3> bound;
    const std::vector<double> positions =
        own.values(own.model.meshes[0].primitives[0].attributes.at("POSITION"));
    for (std::size_t v = 0; v + 2 < positions.size(); v += 3)
        bound.push_back(in_engine({positions[v], positions[v + 1], positions[v + 2]}));
    const double height = height_of(bound);
    const auto at_bind = skin_mdm_vertices(mdm.buffer.region, pose_of(source.buffer.region, 1));
    ASSERT_EQ(at_bind.size(), 1u);
    const double bind_worst = worst_path_distance({at_bind[0]}, {bound});
    EXPECT_LT(bind_worst, 1e-3 * height);

    // The animation: the MDX's bones and names, posing the MDM as the glTF does.
    const mdx_info info = read_mdx_info(mdx.buffer.region);
    ASSERT_EQ(info.num_bones, 6);
    for (std::int32_t b = 0; b < 6; ++b)
        EXPECT_EQ(get_text(mdx.buffer.region, bone_info_at(info.ofs_bones, b) + mds_bone_info::name,
                           skeletal_name_width),
                  mdx_names[b]);
    const auto got = skin_every_frame(mdm.buffer.region, mdx.buffer.region);
    ASSERT_EQ(got.size(), 16u);
    std::vector<std::vector<dvec3>> expected, sampled;
    for (std::size_t key = 0; key < 4; ++key) {
        std::vector<dvec3> frame;
        for (const point& p : own.vertices(key))
            frame.push_back(in_engine(p));
        expected.push_back(frame);
        sampled.push_back(got[5 * key]);
    }
    const double worst = worst_path_distance(sampled, expected);
    EXPECT_LT(worst, 0.01 * height);
    std::printf("leg on the MDX: height %.4g, bind frame worst %.3g, animation worst %.3g (%.2g of "
                "the height)\n",
                height, bind_worst, worst, worst / height);

    // Bones the glTF lacks keep their bind-frame pose on their nearest matched
    // ancestor: the toe on the foot, the spine on the root.
    for (std::int32_t f = 0; f < info.num_frames; ++f) {
        const std::vector<posed_bone> posed = pose_of(mdx.buffer.region, f);
        for (const auto& [leader, bone] : {std::pair{4, 5}, std::pair{0, 2}}) {
            const auto now = relative(posed[static_cast<std::size_t>(leader)],
                                      posed[static_cast<std::size_t>(bone)]);
            const auto then = relative(bind[static_cast<std::size_t>(leader)],
                                       bind[static_cast<std::size_t>(bone)]);
            for (std::size_t k = 0; k < 4; ++k)
                EXPECT_LT(distance3(now[k], then[k]), k == 0 ? 0.02 : 2e-3)
                    << "frame " << f << " bone " << bone << " row " << k;
        }
    }
}

TEST(GltfBindMdx, WeightsWithoutAMatchedJointAboveAndSkeletonMdxAreRefused) {
    const mdx_desc skeleton = generated_mdx();
    mdx_desc renamed = skeleton;
    renamed.bones[0].name = "pelvis"; // the glTF's root joint now has no bone
    const std::vector<std::uint8_t> glb = leg_on(engine_pose(skeleton.bones, skeleton.frames[1]));
    scratch_dir s;
    s.write("renamed.mdx", build_mdx(renamed));
    s.write("skeleton.mdx", build_mdx(skeleton));
    s.write("leg.glb", glb);
    s.write("a.cfg", "MODE=9\nGLTF=leg.glb\nMDM=leg.mdm\nBINDMDX=renamed.mdx\nBINDFRAME=1\n");
    const run_result a = s.run({"-cfg", "a.cfg"});
    EXPECT_EQ(a.status, 0);
    EXPECT_NE(a.out.find("Load_glTF : Joint[root] has weights but neither it nor a joint above it "
                         "is a bone of the MDX\nERROR:Failed to build bone from glTF.\n"),
              std::string::npos)
        << a.out;
    s.write("b.cfg", "MODE=9\nGLTF=leg.glb\nMDM=leg.mdm\nBINDMDX=skeleton.mdx\n"
                     "SKELETONMDX=out.mdx\n");
    const run_result b = s.run({"-cfg", "b.cfg"});
    EXPECT_EQ(b.status, 0);
    EXPECT_NE(b.out.find("ERROR: SKELETONMDX cannot be used with BINDMDX.\n"), std::string::npos)
        << b.out;
}

} // namespace
} // namespace ossify_test
