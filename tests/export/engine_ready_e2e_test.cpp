// Engine-ready whole models end to end: surfaces within the limits on the real
// files, shaders from materials, the skin file, the up axis and the MD3 frame
// of the stored model.
#include <cmath>
#include <gtest/gtest.h>

#include "support/md3_file.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;

namespace {

run_result run_config(const scratch_dir& s, const std::string& config) {
    s.write("ossify.cfg", config);
    return s.run();
}

std::string mode8(const std::string& mqo, const std::string& extra) {
    return "MODE=8\nMQO=" + mqo + "\nMD3OUTNAME=model.md3\n" + extra;
}

// Two materials on one object, the first textured by an absolute path.
const std::string two_materials =
    mqo_document(material_chunk({material_line("cloth", "C:\\art\\models\\hero\\cloth.tga"),
                                 material_line("skin")}) +
                 object_chunk("body", {"0 0 0", "10 0 0", "0 10 0", "10 10 0"},
                              {"3 V(0 1 2) M(0)", "3 V(1 3 2) M(1)"}));

} // namespace

// Every bundled real model converts whole with no surface beyond 1,024
// vertices or 2,048 triangles, so the engine-limit warnings stay silent, and
// the split surfaces hold the same triangles at the same places as the
// undivided ones a larger limit leaves.
TEST(EngineReady, RealModelsStayWithinTheSurfaceLimits) {
    for (const char* file : {"autocsg_sample_v11_ngons.mqo", "d-chan2_anchors_mirror.mqo",
                             "materialex2_v11.mqo", "wild_dsan_bones.mqo"}) {
        SCOPED_TRACE(file);
        scratch_dir s;
        const std::string mqo = source_path(std::string("tests/mqo/data/") + file).string();
        const run_result r = run_config(s, mode8(mqo, "WHOLEMODEL=1\nMD3SCALE=64\n"));
        ASSERT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_EQ(r.err.find("the engine takes at most"), std::string::npos) << r.err;
        const md3_data split = read_md3(s.read("model.md3"));
        for (const md3_surface_data& surface : split.surfaces) {
            EXPECT_LE(surface.xyz.size(), 1024u) << surface.name;
            EXPECT_LE(surface.triangles.size(), 2048u) << surface.name;
            EXPECT_EQ(surface.shaders.size(), 1u) << surface.name;
        }
        ASSERT_EQ(
            run_config(s, mode8(mqo, "WHOLEMODEL=1\nMD3SCALE=64\nSURFACELIMIT=4096\n")).status, 1);
        const md3_data whole = read_md3(s.read("model.md3"));
        EXPECT_EQ(md3_triangle_set(split, false), md3_triangle_set(whole, false));
        if (std::string(file) == "wild_dsan_bones.mqo") {
            EXPECT_GT(split.surfaces.size(), whole.surfaces.size());
            EXPECT_NE(r.err.find("ossify: Object[sdef:DSan] (1696 vertices, 3368 triangles) "
                                 "becomes 4 surfaces"),
                      std::string::npos)
                << r.err;
        }
    }
}

// One surface a material, each with one shader: the texture path made a shader
// name, or the material's name, after SHADERPREFIX; MD3SHADERPATH overrides.
TEST(EngineReady, Md3ShadersFromMaterials) {
    scratch_dir s;
    s.write("model.mqo", two_materials);
    const std::string config = mode8("model.mqo", "WHOLEMODEL=1\nSHADERPREFIX=models/players/x/\n");
    ASSERT_EQ(run_config(s, config + "SKINOUT=model.skin\n").status, 1);
    md3_data d = read_md3(s.read("model.md3"));
    ASSERT_EQ(d.surfaces.size(), 2u);
    EXPECT_EQ(d.surfaces[0].name, "body_cloth");
    EXPECT_EQ(d.surfaces[0].shaders, std::vector<std::string>{"models/players/x/hero/cloth.tga"});
    EXPECT_EQ(d.surfaces[1].name, "body_skin");
    EXPECT_EQ(d.surfaces[1].shaders, std::vector<std::string>{"models/players/x/skin"});
    EXPECT_EQ(s.read("model.skin"),
              "body_cloth,models/players/x/hero/cloth.tga\nbody_skin,models/players/x/skin\n");

    ASSERT_EQ(run_config(s, config + "MD3SHADERPATH=gfx/one\nSKINOUT=model.skin\n").status, 1);
    d = read_md3(s.read("model.md3"));
    for (const md3_surface_data& surface : d.surfaces)
        EXPECT_EQ(surface.shaders, std::vector<std::string>{"gfx/one"});
    EXPECT_EQ(s.read("model.skin"), "body_cloth,gfx/one\nbody_skin,gfx/one\n");

    // Without WHOLEMODEL the keys change nothing but the frame; SKINOUT is noted and ignored.
    ASSERT_EQ(run_config(s, mode8("model.mqo", "")).status, 1);
    const std::string plain = s.read("model.md3");
    s.write("model.skin", "");
    const run_result r = run_config(s, mode8("model.mqo", "SHADERPREFIX=p/\nSKINOUT=model.skin\n"));
    EXPECT_NE(r.err.find("SKINOUT is ignored without WHOLEMODEL=1"), std::string::npos) << r.err;
    EXPECT_EQ(s.read("model.skin"), "");
    EXPECT_EQ(read_md3(s.read("model.md3")).surfaces[0].shaders,
              read_md3(plain).surfaces[0].shaders);
}

// Mode 9: the MDM's surfaces carry the shader names and SKINOUT writes the
// skin file the engine chooses images by.
TEST(EngineReady, Mode9ShaderNamesAndSkinFile) {
    scratch_dir s;
    for (const char* f : {"character.mqo", "character-tags.mdm", "character-mdm.cfg"})
        s.write(f, read_file(source_path(std::string("examples/") + f)));
    s.write("character-mdm.cfg", s.read("character-mdm.cfg") +
                                     "WHOLEMODEL=1\nSHADERPREFIX=models/players/hero/\n"
                                     "SKINOUT=body_default.skin\n");
    const run_result r = s.run({"-cfg", "character-mdm.cfg"});
    ASSERT_EQ(r.status, 1) << r.out;
    const std::string skin = s.read("body_default.skin");
    EXPECT_EQ(skin.substr(0, skin.find('\n')), "body_skin,models/players/hero/skin.tga");
    EXPECT_EQ(std::count(skin.begin(), skin.end(), '\n'), 7);
    EXPECT_NE(r.out.find("build_mdm_from_mesh : Surface[1] Name[body_shirt] "
                         "ShaderName[models/players/hero/shirt.tga]\n"),
              std::string::npos);
}

// UPAXIS=Y turns (x, y, z) into (z, x, y); anything but Y or Z is refused
// before any work, as is a SURFACELIMIT the format cannot hold.
TEST(EngineReady, UpAxisAndRefusedValues) {
    scratch_dir s;
    s.write("model.mqo",
            mqo_document(material_chunk({material_line("skin")}) +
                         object_chunk("o", {"1 2 3", "4 5 6", "7 8 10"}, {"3 V(0 1 2) M(0)"})));
    ASSERT_EQ(run_config(s, mode8("model.mqo", "UPAXIS=Y\n")).status, 1);
    const md3_data turned = read_md3(s.read("model.md3"));
    using xyz = std::array<std::int16_t, 3>;
    EXPECT_EQ(turned.surfaces[0].xyz, (std::vector<xyz>{{3, 1, 2}, {6, 4, 5}, {10, 7, 8}}));
    ASSERT_EQ(run_config(s, mode8("model.mqo", "UPAXIS=Z\n")).status, 1);
    EXPECT_EQ(read_md3(s.read("model.md3")).surfaces[0].xyz,
              (std::vector<xyz>{{1, 2, 3}, {4, 5, 6}, {7, 8, 10}}));

    const struct {
        std::string extra, error;
    } refused[] = {{"UPAXIS=y\n", "ERROR: Invalid UPAXIS value.\n"},
                   {"UPAXIS=X\n", "ERROR: Invalid UPAXIS value.\n"},
                   {"SURFACELIMIT=4097\n", "ERROR: Invalid SURFACELIMIT value.\n"},
                   {"SURFACELIMIT=2\n", "ERROR: Invalid SURFACELIMIT value.\n"},
                   {"SURFACELIMIT=-5\n", "ERROR: Invalid SURFACELIMIT value.\n"}};
    for (const auto& c : refused) {
        SCOPED_TRACE(c.extra);
        scratch_dir fresh;
        fresh.write("model.mqo", s.read("model.mqo"));
        const run_result r = run_config(fresh, mode8("model.mqo", c.extra));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, banner + running_mode(8) + c.error);
        EXPECT_FALSE(fresh.exists("test.mqoobj"));
    }
}

// The bundled character turned with UPAXIS=Y stands on z: its box is tallest
// along z, and the feet (toes drawn towards +z) point along +x.
TEST(EngineReady, UpAxisStandsTheCharacterUp) {
    scratch_dir s;
    s.write("character.mqo", read_file(source_path("examples/character.mqo")));
    ASSERT_EQ(run_config(s, mode8("character.mqo", "UPAXIS=Y\n")).status, 1);
    const md3_data d = read_md3(s.read("model.md3"));
    const double height = d.high.z - d.low.z;
    EXPECT_GT(height, 2.0 * (d.high.x - d.low.x));
    EXPECT_GT(height, d.high.y - d.low.y);
    EXPECT_GT(d.high.x, -d.low.x); // the toes reach further forward than the heels back
}

// With MD3SCALE the frame is that of the stored model as the engine reads it:
// the box round the stored positions / 64, its centre, and a radius round the
// centre that holds every vertex.
TEST(EngineReady, Md3FrameOfTheStoredModel) {
    scratch_dir s;
    s.write("model.mqo", mqo_document(material_chunk({material_line("skin")}) +
                                      object_chunk("o", {"10 20 30", "12.9 -3.7 30.2", "11 25 31"},
                                                   {"3 V(0 1 2) M(0)"})));
    for (const char* scale : {"MD3SCALE=1\n", "MD3SCALE=64\n", "MD3SCALE=7\n"}) {
        SCOPED_TRACE(scale);
        ASSERT_EQ(run_config(s, mode8("model.mqo", scale)).status, 1);
        const md3_data d = read_md3(s.read("model.md3"));
        float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
        for (const auto& p : d.surfaces[0].xyz)
            for (std::size_t a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], p[a] / 64.0f);
                high[a] = std::max(high[a], p[a] / 64.0f);
            }
        EXPECT_EQ(d.low.x, low[0]);
        EXPECT_EQ(d.low.z, low[2]);
        EXPECT_EQ(d.high.y, high[1]);
        EXPECT_GT(d.low.z, 0.0f); // the origin is not drawn into the box
        EXPECT_FLOAT_EQ(d.origin.x, (low[0] + high[0]) / 2);
        for (const auto& p : d.surfaces[0].xyz) {
            const double dx = p[0] / 64.0 - d.origin.x, dy = p[1] / 64.0 - d.origin.y,
                         dz = p[2] / 64.0 - d.origin.z;
            EXPECT_LE(std::sqrt(dx * dx + dy * dy + dz * dz), static_cast<double>(d.radius));
        }
    }
}
