// glTF written in the test the way another exporter writes it: a rigged,
// animated leg whose own skinning (computed from the glTF alone) the converted
// MDM and MDX must follow; a static scene for mode 8; hostile files refused
// with a reason; the sampling of channels; shader names from image URIs.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

#include "export/md3_layout.hpp"
#include "gltf/gltf_builder.hpp"
#include "gltf/gltf_pipeline.hpp"
#include "gltf/gltf_transform.hpp"
#include "gltf/shader_from_image.hpp"
#include "preview/gltf_readback.hpp"
#include "support/scratch.hpp"

namespace ossify_test {
namespace {

using namespace ossify;

std::vector<double> about(double x, double y, double z, double degrees) {
    const double h = degrees * std::numbers::pi / 360.0;
    return {x * std::sin(h), y * std::sin(h), z * std::sin(h), std::cos(h)};
}

std::vector<float> as_floats(const std::vector<double>& v) {
    return {v.begin(), v.end()};
}

mat4 rigid_inverse(const mat4& m) {
    mat4 inv{};
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < 3; ++c)
            inv[c * 4 + r] = m[r * 4 + c];
        inv[12 + r] = -(m[r * 4] * m[12] + m[r * 4 + 1] * m[13] + m[r * 4 + 2] * m[14]);
    }
    inv[15] = 1;
    return inv;
}

// glTF's metres, y up, into the engine's inches, z up.
dvec3 in_engine(const point& g) {
    return {g[2] / 0.0254, g[0] / 0.0254, g[1] / 0.0254};
}

// A leg of three joints under a turned armature node, skinned by rings of
// vertices with one to three weights, and animated: the hip turns and (by
// steps) moves, the knee bends.
std::vector<std::uint8_t> rigged_leg() {
    gltf_builder b;
    const int armature = b.node("Armature");
    b.m.nodes[0].rotation = about(0, 1, 0, 30);
    b.m.nodes[0].translation = {0.1, 0, 0.05};
    const int hip = b.node("hip", armature);
    b.m.nodes[1].translation = {0, 1.0, 0};
    const int knee = b.node("knee", hip);
    b.m.nodes[2].translation = {0, -0.5, 0.05};
    b.m.nodes[2].rotation = about(0, 0, 1, 10);
    const int foot = b.node("foot", knee);
    b.m.nodes[3].translation = {0, -0.45, 0};
    const std::vector<mat4> rest = gltf_file(b.glb()).globals(0);

    std::vector<float> positions, weights;
    std::vector<std::uint16_t> joints, indices;
    const auto origin = [&](int node) {
        const mat4& g = rest[static_cast<std::size_t>(node)];
        return point{g[12], g[13], g[14]};
    };
    const point h = origin(hip), k = origin(knee), f = origin(foot);
    for (int ring = 0; ring <= 8; ++ring) {
        const double s = ring < 4 ? ring / 4.0 : (ring - 4) / 4.0;
        const point& a = ring < 4 ? h : k;
        const point& c = ring < 4 ? k : f;
        const std::vector<std::pair<int, float>> share =
            ring <= 2   ? std::vector<std::pair<int, float>>{{0, 1.0f}}
            : ring == 3 ? std::vector<std::pair<int, float>>{{0, 0.7f}, {1, 0.3f}}
            : ring == 4 ? std::vector<std::pair<int, float>>{{1, 0.5f}, {0, 0.3f}, {2, 0.2f}}
            : ring <= 6 ? std::vector<std::pair<int, float>>{{1, 1.0f}}
            : ring == 7 ? std::vector<std::pair<int, float>>{{1, 0.5f}, {2, 0.5f}}
                        : std::vector<std::pair<int, float>>{{2, 1.0f}};
        for (int corner = 0; corner < 4; ++corner) {
            const double dx = corner % 2 ? 0.06 : -0.06, dz = corner / 2 ? 0.06 : -0.06;
            for (std::size_t e = 0; e < 3; ++e)
                positions.push_back(static_cast<float>(a[e] + s * (c[e] - a[e]) +
                                                       (e == 0   ? dx
                                                        : e == 2 ? dz
                                                                 : 0)));
            for (std::size_t w = 0; w < 4; ++w) {
                joints.push_back(static_cast<std::uint16_t>(w < share.size() ? share[w].first : 0));
                weights.push_back(w < share.size() ? share[w].second : 0.0f);
            }
        }
        if (ring < 8)
            for (int corner = 0; corner < 4; ++corner) {
                const auto v = static_cast<std::uint16_t>(4 * ring + corner);
                const auto next = static_cast<std::uint16_t>(4 * ring + (corner + 1) % 4);
                indices.insert(indices.end(), {v, next, static_cast<std::uint16_t>(v + 4), next,
                                               static_cast<std::uint16_t>(next + 4),
                                               static_cast<std::uint16_t>(v + 4)});
            }
    }
    b.skinned_mesh("leg", positions, joints, weights, indices);

    std::vector<float> inverse;
    for (int j : {hip, knee, foot})
        for (double v : rigid_inverse(rest[static_cast<std::size_t>(j)]))
            inverse.push_back(static_cast<float>(v));
    tinygltf::Skin skin;
    skin.joints = {hip, knee, foot};
    skin.inverseBindMatrices = b.floats(inverse, TINYGLTF_TYPE_MAT4, 3);
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
    std::vector<float> knee_turns, hip_turns;
    for (double a : {0.0, 40.0, 80.0, 20.0})
        for (float v : as_floats(about(1, 0, 0, a)))
            knee_turns.push_back(v);
    for (double a : {0.0, 20.0, -30.0, 10.0})
        for (float v : as_floats(about(0, 1, 0, a)))
            hip_turns.push_back(v);
    channel(knee, "rotation", knee_turns, "LINEAR");
    channel(hip, "rotation", hip_turns, "LINEAR");
    channel(hip, "translation", {0, 1, 0, 0, 1.05f, 0, 0.02f, 0.95f, 0, 0, 1, 0}, "STEP");
    b.m.animations = {walk};
    return b.glb();
}

TEST(GltfImport, ARiggedAnimatedModelFollowsItsOwnSkinningAtEveryKey) {
    const std::vector<std::uint8_t> glb = rigged_leg();
    gltf_conversion c;
    convert_gltf(glb, c);
    ASSERT_EQ(c.error, "");
    ASSERT_EQ(c.model.joints.size(), 3u);
    EXPECT_EQ(c.model.joints[1].name, "knee");
    EXPECT_EQ(c.model.joints[1].parent, 0);
    EXPECT_EQ(c.model.joints[0].parent, -1); // the armature node is no joint
    const auto got = skin_every_frame(c.mdm.region, c.mdx.region);
    ASSERT_EQ(got.size(), 16u); // 0 to 0.75 s at 20 frames a second

    const gltf_file own(glb);
    ASSERT_TRUE(own.loaded) << own.error;
    std::vector<std::vector<dvec3>> expected, sampled;
    for (std::size_t key = 0; key < 4; ++key) {
        std::vector<dvec3> frame;
        for (const point& p : own.vertices(key))
            frame.push_back(in_engine(p));
        expected.push_back(frame);
        sampled.push_back(got[5 * key]);
    }
    const double height = height_of(expected[0]);
    const double worst = worst_path_distance(sampled, expected);
    EXPECT_LT(worst, 0.01 * height);
    std::printf("rigged leg: height %.4g, worst %.3g (%.2g of the height)\n", height, worst,
                worst / height);
    EXPECT_LT(c.stretch, 1e-3 * height); // the joints keep their distances

    // Another rate samples more frames over the same keys; an unknown name finds none.
    gltf_conversion faster;
    convert_gltf(glb, faster, 40, "walk");
    ASSERT_EQ(faster.error, "");
    const auto doubled = skin_every_frame(faster.mdm.region, faster.mdx.region);
    ASSERT_EQ(doubled.size(), 31u);
    EXPECT_LT(worst_path_distance({doubled[30]}, {got[15]}), 1e-3 * height);
    gltf_conversion unknown;
    convert_gltf(glb, unknown, 20, "run");
    EXPECT_EQ(unknown.error, "no animation");
}

TEST(GltfImport, ChannelsInterpolateAsGltfDefines) {
    gltf_document d;
    d.nodes.resize(1);
    gltf_animation a;
    gltf_channel step{
        0, gltf_target::translation, gltf_interpolation::step, {0, 1}, {0, 0, 0, 2, 4, 6}};
    a.channels.push_back(step);
    gltf_channel turn{0, gltf_target::rotation, gltf_interpolation::linear, {0, 2}, {}};
    for (double v : about(0, 0, 1, 0))
        turn.values.push_back(v);
    for (double v : about(0, 0, 1, 120))
        turn.values.push_back(v);
    a.channels.push_back(turn);
    // A cubic spline with zero tangents eases in and out: halfway is halfway,
    // a quarter of the way is 5/32 of the way.
    gltf_channel grow{0, gltf_target::scale, gltf_interpolation::cubic_spline, {0, 1}, {}};
    for (double v : {0., 0., 0., 1., 1., 1., 0., 0., 0., 0., 0., 0., 3., 3., 3., 0., 0., 0.})
        grow.values.push_back(v);
    a.channels.push_back(grow);

    const node_trs half = pose_at(d, a, 0.5)[0];
    EXPECT_EQ(half.translation[0], 0); // a step holds the earlier key
    EXPECT_EQ(pose_at(d, a, 1.0)[0].translation[2], 6);
    EXPECT_NEAR(half.scale[1], 2.0, 1e-12);
    EXPECT_NEAR(pose_at(d, a, 0.25)[0].scale[0], 1 + 2 * 5.0 / 32, 1e-12);
    // Slerp: a quarter of the time is a quarter of the angle, 30 degrees.
    const node_trs quarter = pose_at(d, a, 0.5)[0];
    EXPECT_NEAR(2 * std::acos(quarter.rotation[3]) * 180 / std::numbers::pi, 30, 1e-9);
    EXPECT_NEAR(pose_at(d, a, 5.0)[0].rotation[2], about(0, 0, 1, 120)[2], 1e-12); // held
    EXPECT_EQ(animation_span(a).first, 0);
    EXPECT_EQ(animation_span(a).last, 2);
}

TEST(GltfImport, ShaderNamesComeFromTheImagePath) {
    EXPECT_EQ(shader_from_image_uri("textures/body%20a.png"), "body a.png");
    EXPECT_EQ(shader_from_image_uri("C:\\art\\models\\players\\hero\\body.tga"),
              "players/hero/body.tga");
    EXPECT_EQ(shader_from_image_uri("../img/skin.jpg"), "skin.jpg");
    EXPECT_EQ(shader_from_image_uri("skin"), "skin");
    EXPECT_EQ(shader_from_image_uri("mymodels/x.png"), "x.png"); // "models/" must start a folder
    EXPECT_EQ(shader_from_image_uri("data:image/png;base64,iVBORw0KGgo="), "");
    EXPECT_EQ(shader_from_image_uri(""), "");
}

// Two mesh nodes (one of two primitives, one textured and turned), a tag, in mode 8.
std::vector<std::uint8_t> static_scene() {
    gltf_builder b;
    const std::vector<float> square = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const std::vector<float> uv = {0, 0, 1, 0, 1, 1, 0, 1};
    const std::vector<std::uint32_t> quad = {0, 1, 2, 0, 2, 3};
    tinygltf::Mesh box;
    box.name = "boxmesh";
    for (int m = 0; m < 2; ++m) {
        tinygltf::Primitive p;
        p.attributes["POSITION"] = b.floats(square, TINYGLTF_TYPE_VEC3, 4);
        p.attributes["TEXCOORD_0"] = b.floats(uv, TINYGLTF_TYPE_VEC2, 4);
        p.indices = b.add(quad, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, 6);
        p.material = m;
        box.primitives.push_back(p);
    }
    tinygltf::Mesh plate;
    tinygltf::Primitive p; // not indexed
    p.attributes["POSITION"] = b.floats({0, 0, 0, 0.5f, 0, 0, 0, 0, -0.5f}, TINYGLTF_TYPE_VEC3, 3);
    p.material = 1;
    plate.primitives = {p};
    b.m.meshes = {box, plate};
    tinygltf::Material wood, metal;
    wood.name = "wood";
    metal.name = "metal";
    metal.pbrMetallicRoughness.baseColorTexture.index = 0;
    b.m.materials = {wood, metal};
    tinygltf::Image image;
    image.uri = "textures/props/metal.png";
    b.m.images = {image};
    tinygltf::Texture texture;
    texture.source = 0;
    b.m.textures = {texture};
    const int boxes = b.node("box");
    b.m.nodes[0].mesh = 0;
    b.m.nodes[0].translation = {0.254, 0, 0}; // 10 inches along glTF x: the engine's y
    const int turned = b.node("plate", boxes);
    b.m.nodes[1].mesh = 1;
    b.m.nodes[1].rotation = about(0, 1, 0, 90);
    b.m.nodes[1].scale = {2, 2, 2};
    b.node("tag_weapon", boxes);
    b.m.nodes[2].translation = {0, 0.0254, 0};
    (void)turned;
    return b.glb();
}

std::string md3_text(const std::string& file, offset_t at, offset_t width) {
    return file.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(width)).c_str();
}

TEST(GltfImport, Mode8WritesEveryPrimitiveAsASurfaceAtItsWorldPlace) {
    scratch_dir dir;
    dir.write("scene.glb", static_scene());
    dir.write("md3.cfg", "MODE=8\nGLTF=scene.glb\nMD3OUTNAME=scene.md3\nMD3SCALE=64\n");
    const run_result run = dir.run({"-cfg", "md3.cfg"});
    ASSERT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("Load_glTF : File[scene.glb] Surface[3] Vertex[11] Triangle[5] "
                           "Joint[0] Tag[1] Animation[0]"),
              std::string::npos)
        << run.out;
    std::string md3 = dir.read("scene.md3");
    std::vector<std::uint8_t> data(md3.begin(), md3.end());
    const byte_region r{data.data(), data.size()};
    ASSERT_EQ(get_i32(r, md3_header::num_surfaces), 3);
    ASSERT_EQ(get_i32(r, md3_header::num_tags), 1);
    const offset_t tag = get_i32(r, md3_header::ofs_tags);
    EXPECT_EQ(md3_text(md3, tag + md3_tag::name, 64), "tag_weapon");
    // The tag 1 inch up glTF's y under a node 10 inches along glTF's x: engine (0, 10, 1).
    EXPECT_NEAR(get_f32(r, tag + md3_tag::origin), 0, 1e-4);
    EXPECT_NEAR(get_f32(r, tag + md3_tag::origin + 4), 10, 1e-4);
    EXPECT_NEAR(get_f32(r, tag + md3_tag::origin + 8), 1, 1e-4);

    const char* names[] = {"box_0", "box_1", "plate"};
    const char* shaders[] = {"wood", "props/metal.png", "props/metal.png"};
    offset_t surface = get_i32(r, md3_header::ofs_surfaces);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(md3_text(md3, surface + md3_surface::name, 64), names[s]);
        EXPECT_EQ(get_i32(r, surface + md3_surface::num_shaders), 1);
        EXPECT_EQ(md3_text(md3, surface + get_i32(r, surface + md3_surface::ofs_shaders), 64),
                  shaders[s]);
        if (s == 2) {
            // The plate's corner (0.5, 0, 0), turned 90 degrees about y and doubled, lies
            // 1 m along glTF's -z of the box: engine x = -1/0.0254, y = 10; times 64.
            const offset_t xyz = surface + get_i32(r, surface + md3_surface::ofs_xyz_normals);
            EXPECT_EQ(get_i16(r, xyz + md3_surface::vertex_size), -2519); // -39.37 × 64
            EXPECT_EQ(get_i16(r, xyz + md3_surface::vertex_size + 2), 640);
        }
        surface += get_i32(r, surface + md3_surface::ofs_end);
    }

    // GLTFMESH keeps the named node alone; MQO and GLTF at once are refused.
    dir.write("one.cfg", "MODE=8\nGLTF=scene.glb\nGLTFMESH=plate\nMD3OUTNAME=one.md3\n");
    ASSERT_EQ(dir.run({"-cfg", "one.cfg"}).status, 1);
    md3 = dir.read("one.md3");
    data.assign(md3.begin(), md3.end());
    EXPECT_EQ(get_i32(byte_region{data.data(), data.size()}, md3_header::num_surfaces), 1);
    dir.write("both.cfg", "MODE=8\nGLTF=scene.glb\nMQO=x.mqo\nMD3OUTNAME=both.md3\n");
    const run_result both = dir.run({"-cfg", "both.cfg"});
    EXPECT_EQ(both.status, 0);
    EXPECT_NE(both.out.find("ERROR: MQO and GLTF are both set.\n"), std::string::npos);
}

// Hostile files: each is refused with its reason, never read past its end.
struct refusal_case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* reason; // a fragment of the message
};

std::vector<refusal_case> hostile_files() {
    std::vector<refusal_case> cases;
    const std::vector<std::uint8_t> leg = rigged_leg();
    cases.push_back(
        {"truncated GLB", {leg.begin(), leg.begin() + static_cast<long>(leg.size() / 2)}, ""});
    cases.push_back({"GLB header only", {leg.begin(), leg.begin() + 12}, ""});
    {
        gltf_builder b = {};
        tinygltf::Model m;
        tinygltf::TinyGLTF library;
        std::string err, warn;
        library.LoadBinaryFromMemory(&m, &err, &warn, leg.data(),
                                     static_cast<unsigned>(leg.size()));
        b.m = m;
        b.m.accessors[0].count = 100000; // the positions claim more than their view holds
        cases.push_back({"accessor out of range", b.glb(), "runs beyond its buffer view"});
        b.m = m;
        b.m.nodes[1].children.push_back(0); // hip -> armature -> hip
        b.roots = {4};
        b.m.scenes.clear();
        cases.push_back({"node cycle", b.glb(), "cycle"});
        b.m = m;
        b.m.nodes[2].rotation = {0, std::numeric_limits<double>::quiet_NaN(), 0, 1};
        cases.push_back({"NaN transform", b.glb(), ""});
        b.m = m;
        b.m.skins[0].joints.pop_back(); // a weight on joint 2 of a skin of two
        cases.push_back({"joint beyond the skin", b.glb(), ""});
        b.m = m;
        b.m.meshes[0].primitives[0].mode = TINYGLTF_MODE_LINE;
        cases.push_back({"lines", b.glb(), "is not made of triangles"});
    }
    return cases;
}

TEST(GltfImport, HostileFilesAreRefusedWithAReason) {
    for (const refusal_case& c : hostile_files()) {
        gltf_conversion conversion;
        convert_gltf(c.bytes, conversion);
        EXPECT_NE(conversion.error, "") << c.what;
        EXPECT_NE(conversion.error.find(c.reason), std::string::npos)
            << c.what << ": " << conversion.error;
    }
}

} // namespace
} // namespace ossify_test
