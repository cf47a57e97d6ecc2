// The glTF route against the engine: an MDM and MDX shown as a preview and
// read back with the animation give an MDM and MDX that the engine skins to
// the same places at every frame, on generated skeletons and on the bundled
// character.
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

#include "gltf/gltf_pipeline.hpp"
#include "preview/preview_model.hpp"
#include "skeletal/skeletal_fixture.hpp"
#include "support/engine_skin.hpp"
#include "support/scratch.hpp"

namespace ossify_test {
namespace {

using namespace ossify;

std::int16_t turn(double degrees) {
    return static_cast<std::int16_t>(std::lround(degrees * 65536.0 / 360.0));
}

// A branching skeleton of `count` bones whose bones point every way (bent and
// twisted at the bind frame already), with `frames` frames that bend and twist
// every joint, and one surface whose vertices take one to three bones, their
// offsets all from one bind position.
struct generated {
    mdm_desc mdm;
    mdx_desc mdx;
};

generated generated_skeleton(int count, int frames, unsigned seed) {
    generated g;
    const auto wave = [&](int i, int k) { // a fixed pseudo-random value in -1..1
        return std::sin(seed * 12.9898 + i * 78.233 + k * 37.719);
    };
    for (int b = 0; b < count; ++b)
        g.mdx.bones.push_back({"bone" + std::to_string(b), b == 0 ? -1 : (b - 1) / 2 * (b % 3 != 0),
                               0, static_cast<float>(b == 0 ? 0 : 6 + 4 * std::fabs(wave(b, 1))),
                               0});
    for (int f = 0; f < frames; ++f) {
        frame_desc frame;
        frame.header[10] = static_cast<float>(3 + f);
        frame.header[12] = static_cast<float>(20 - f);
        frame.bones.resize(static_cast<std::size_t>(count));
        for (int b = 0; b < count; ++b) {
            const double bend = f == 0 ? 0.3 : 1.0 + 0.5 * f;
            bone_frame_desc& d = frame.bones[static_cast<std::size_t>(b)];
            d.angles = {turn(60 * bend * wave(b, 2)), turn(170 * wave(b, 3) + 25 * f),
                        turn(80 * bend * wave(b, 4)), 0};
            d.offset_angles = {turn(70 * wave(b, 5) + 10 * f * wave(b, 6)),
                               turn(170 * wave(b, 7) - 15 * f)};
        }
        g.mdx.frames.push_back(frame);
    }
    const auto bind = engine_pose(g.mdx.bones, g.mdx.frames[0]);
    surface_desc s;
    s.name = "body";
    for (int v = 0; v < 6 * count; ++v) {
        const auto b = static_cast<std::size_t>(v % count);
        const dvec3 at = {bind[b].position[0] + 3 * wave(v, 8),
                          bind[b].position[1] + 3 * wave(v, 9),
                          bind[b].position[2] + 3 * wave(v, 10)};
        std::vector<std::pair<std::size_t, double>> share = {{b, 1.0}};
        if (v % 3 == 1) share = {{b, 0.6}, {(b + 1) % static_cast<std::size_t>(count), 0.4}};
        if (v % 3 == 2)
            share = {{b, 0.5},
                     {(b + 1) % static_cast<std::size_t>(count), 0.3},
                     {(b + 2) % static_cast<std::size_t>(count), 0.2}};
        vertex_desc vd;
        for (const auto& [bone, w] : share) {
            const posed_bone& p = bind[bone];
            const dvec3 o = model_to_bone(
                p.rotation, {at[0] - p.position[0], at[1] - p.position[1], at[2] - p.position[2]});
            vd.weights.push_back(
                {static_cast<std::int32_t>(bone),
                 static_cast<float>(w),
                 {static_cast<float>(o[0]), static_cast<float>(o[1]), static_cast<float>(o[2])}});
        }
        vd.uv = {static_cast<float>(v) / 64.0f, 1.0f - static_cast<float>(v) / 128.0f};
        s.vertices.push_back(vd);
    }
    for (std::int32_t i = 0; i + 2 < static_cast<std::int32_t>(s.vertices.size()); ++i)
        s.triangles.push_back({i, i + 1, i + 2});
    s.collapse_map.assign(s.vertices.size(), 0);
    g.mdm.surfaces = {s};
    return g;
}

struct round_trip_result {
    double height = 0;
    double worst = 1e300;
    std::size_t frames = 0;
    double stretch = 0;
};

round_trip_result round_trip(byte_region mdm, byte_region mdx) {
    round_trip_result r;
    preview_model preview;
    capture_stdout([&] { EXPECT_TRUE(preview_of_mdm_on_mdx(mdm, mdx, 0, preview)); });
    gltf_conversion c;
    convert_gltf(encode_glb(preview), c);
    EXPECT_EQ(c.error, "");
    if (!c.error.empty()) return r;
    const auto expected = skin_every_frame(mdm, mdx);
    const auto got = skin_every_frame(c.mdm.region, c.mdx.region);
    r.frames = got.size();
    r.height = height_of(expected[0]);
    r.worst = worst_path_distance(got, expected);
    r.stretch = c.stretch;
    return r;
}

TEST(GltfRoundTrip, GeneratedSkeletonsSkinAsTheOriginalAtEveryFrame) {
    for (const auto& [bones, frames, seed] :
         {std::tuple{2, 3, 1u}, std::tuple{7, 5, 2u}, std::tuple{16, 4, 3u}}) {
        const generated g = generated_skeleton(bones, frames, seed);
        placed_file mdm = place_mdm(build_mdm(g.mdm));
        placed_file mdx = place_mdx(build_mdx(g.mdx));
        ASSERT_GT(mdm.end, 0) << mdm.out;
        ASSERT_GT(mdx.end, 0) << mdx.out;
        const round_trip_result r = round_trip(mdm.region(), mdx.region());
        EXPECT_EQ(r.frames, static_cast<std::size_t>(frames));
        EXPECT_LT(r.worst, 1e-3 * r.height) << bones << " bones";
        EXPECT_LT(r.stretch, 1e-3 * r.height); // the engine's bones keep their lengths
        std::printf("generated skeleton of %d bones, %d frames: height %.4g, worst %.3g "
                    "(%.2g of the height)\n",
                    bones, frames, r.height, r.worst, r.worst / r.height);
    }
}

// The character's MDM and its one-frame skeleton MDX from mode 9, the frame
// repeated with every bone turned differently in each copy.
bytes animated_copy(const std::string& one_frame, int frames) {
    bytes mdx(one_frame.begin(), one_frame.end());
    placed_file placed = place_mdx(mdx);
    const byte_region& r = placed.region();
    const std::int32_t bones = get_i32(r, mdx_header::num_bones);
    const offset_t size = frame_size(bones);
    const offset_t infos = get_i32(r, mdx_header::ofs_bones);
    bytes out(mdx.begin(), mdx.begin() + static_cast<std::ptrdiff_t>(mdx_header::size));
    for (int f = 0; f < frames; ++f) {
        bytes frame(mdx.begin() + mdx_header::size, mdx.begin() + mdx_header::size + size);
        byte_region fr{frame.data(), frame.size()};
        for (std::int32_t b = 0; b < bones && f > 0; ++b) {
            const offset_t at = bone_frame_at(0, b);
            for (int k = 0; k < 5; ++k) {
                const offset_t field =
                    at +
                    (k < 3 ? mds_bone_frame::angles + mds_bone_frame::angle_step * k
                           : mds_bone_frame::offset_angles + mds_bone_frame::angle_step * (k - 3));
                const auto angle = static_cast<std::int16_t>(get_i16(fr, field) +
                                                             turn(9.0 * f * std::sin(b * 3 + k)));
                put_i16(fr, field, angle);
            }
        }
        out.insert(out.end(), frame.begin(), frame.end());
    }
    out.insert(out.end(), mdx.begin() + infos, mdx.end());
    byte_region header{out.data(), out.size()};
    put_i32(header, mdx_header::num_frames, frames);
    put_i32(header, mdx_header::ofs_bones,
            static_cast<std::int32_t>(mdx_header::size + size * frames));
    put_i32(header, mdx_header::ofs_end, static_cast<std::int32_t>(out.size()));
    return out;
}

TEST(GltfRoundTrip, TheBundledCharacterSkinsAsTheOriginalAtEveryFrame) {
    scratch_dir dir;
    dir.write("character.mqo", read_file(source_path("examples/character.mqo")));
    dir.write("skeleton.cfg", "MODE=9\nMQO=character.mqo\nMQOROOTBONE=0\nMDM=character.mdm\n"
                              "SKELETONMDX=character.mdx\n");
    ASSERT_EQ(dir.run({"-cfg", "skeleton.cfg"}).status, 1);
    dir.write("walk.mdx", animated_copy(dir.read("character.mdx"), 6));
    dir.write("preview.cfg", "MODE=10\nMDMSOURCE=character.mdm\nMDXSOURCE=walk.mdx\n"
                             "PREVIEW=character.glb\n");
    ASSERT_EQ(dir.run({"-cfg", "preview.cfg"}).status, 1);

    const std::string mdm_text = dir.read("character.mdm");
    placed_file mdm = place_mdm(bytes(mdm_text.begin(), mdm_text.end()));
    const std::string mdx_text = dir.read("walk.mdx");
    placed_file mdx = place_mdx(bytes(mdx_text.begin(), mdx_text.end()));
    ASSERT_GT(mdx.end, 0) << mdx.out;
    const round_trip_result r = round_trip(mdm.region(), mdx.region());
    EXPECT_EQ(r.frames, 6u);
    EXPECT_LT(r.worst, 1e-3 * r.height);
    std::printf("bundled character, 6 frames: height %.4g, worst %.3g (%.2g of the height)\n",
                r.height, r.worst, r.worst / r.height);

    // The same through the tool: the MDM, the bind-pose MDX and the animation.
    dir.write("back.cfg", "MODE=9\nGLTF=character.glb\nMDM=back.mdm\nSKELETONMDX=back-bind.mdx\n"
                          "ANIMMDX=back-walk.mdx\n");
    const run_result run = dir.run({"-cfg", "back.cfg"});
    EXPECT_EQ(run.status, 1) << run.out;
    const std::string walk = dir.read("back-walk.mdx");
    placed_file back = place_mdx(bytes(walk.begin(), walk.end()));
    ASSERT_GT(back.end, 0) << back.out;
    EXPECT_EQ(get_i32(back.region(), mdx_header::num_frames), 6);
    EXPECT_NE(run.out.find("build_mdx_from_gltf : Animation[frames] Frame[6] Rate[20]"),
              std::string::npos);

    // The skeleton's tags come back on their bones: the engine places them where
    // it placed the original ones, at every frame.
    const std::string back_mdm = dir.read("back.mdm");
    placed_file again = place_mdm(bytes(back_mdm.begin(), back_mdm.end()));
    ASSERT_GT(again.end, 0) << again.out;
    const auto before = place_every_tag(mdm.region(), mdx.region());
    const auto after = place_every_tag(again.region(), back.region());
    ASSERT_EQ(before.size(), 3u);
    ASSERT_EQ(after.size(), before.size());
    double worst = 0;
    for (std::size_t t = 0; t < before.size(); ++t) {
        EXPECT_EQ(after[t].name, before[t].name);
        for (std::size_t f = 0; f < before[t].frames.size(); ++f) {
            worst =
                std::max(worst, distance3(after[t].frames[f].origin, before[t].frames[f].origin));
            EXPECT_GT(dot3(after[t].frames[f].axes.forward, before[t].frames[f].axes.forward),
                      0.999);
            EXPECT_GT(dot3(after[t].frames[f].axes.up, before[t].frames[f].axes.up), 0.999);
        }
    }
    EXPECT_LT(worst, 1e-3 * r.height);
    std::printf("bundled character's tags: worst %.3g\n", worst);
}

} // namespace
} // namespace ossify_test
