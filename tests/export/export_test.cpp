// Modes 8 and 9 end to end on the bundled character and small models (exit
// status, the trace, the exact bytes of every file written). The writers' own
// tests keep the refusals and the rules the character's bytes do not show.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

#include "base/vector_fields.hpp"
#include "export/md3_layout.hpp"
#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "support/md3_counts.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;
using namespace ossify;

namespace {

// Runs a bundled example job, with `extra` lines added to its configuration.
run_result run_example(const scratch_dir& s, const char* cfg, const std::string& extra = "") {
    for (const char* f : {"character.mqo", "character-tags.mdm", cfg})
        s.write(f, read_file(source_path(std::string("examples/") + f)));
    s.write(cfg, read_file(source_path(std::string("examples/") + cfg)) + extra);
    return s.run({"-cfg", cfg});
}

// The mesh of one object "body": one triangle from `corner` to (1 0 0) and (1 1 0).
mqo_model body(const std::string& corner) {
    mqo_model m(
        mqo_document(material_chunk({material_line("skin")}) +
                     object_chunk("body", {corner, "1 0 0", "1 1 0"}, {"3 V(0 1 2) M(0)"})));
    EXPECT_GT(m.build_mesh(), 0);
    return m;
}

struct written {
    work_buffer file;
    std::int32_t size = 0;
    std::string out{};
};

std::string read_bytes(const written& w) {
    return std::string(get_chars(w.file.region, 0, w.size));
}

written md3_of(const mqo_model& m, std::size_t size = 1 << 16, std::int32_t scale = 1) {
    written w{make_work_buffer(size)};
    w.out = capture_stdout(
        [&] { w.size = build_md3_from_mesh(m.mesh.region, w.file.region, "gfx/skin", scale); });
    return w;
}

} // namespace

// BLENDWEIGHTS=0 is the rigid binding, byte for byte.
TEST(MqoModes, Mode9WritesTheExampleCharacter) {
    for (const std::string extra : {"", "BLENDWEIGHTS=0\n"}) {
        scratch_dir s;
        const run_result r = run_example(s, "character-mdm.cfg", extra);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "");
        // The exact bytes, the same on every build.
        EXPECT_EQ(fnv1a(s.read("test.mqoobj")), 0x39c506e2943c3a31u);
        EXPECT_EQ(fnv1a(s.read("test.bone")), 0xfd26bea86b5a1d8cu);
        EXPECT_EQ(fnv1a(s.read("test.mesh")), 0x95c5c6d5ffe93635u);
        EXPECT_EQ(fnv1a(s.read("character.mdm")), 0x673cef5b5c3f0c9u);
        EXPECT_EQ(fnv1a(r.out), 0x6be4f9d3b178f43cu);
    }
}

// With blending the job completes with more weights; a count the blending
// cannot take stops mode 9 before it reads anything.
TEST(MqoModes, Mode9BlendsWeightsOnRequest) {
    scratch_dir s;
    const run_result r = run_example(s, "character-mdm.cfg", "BLENDWEIGHTS=3\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("blend_skin_weights : Mesh_Object[1] Name[arms] Vertex[64] Weights[116] "
                         "NumRefBone[10]\n"),
              std::string::npos);
    for (const std::string value : {"5", "x", "-1"}) {
        scratch_dir refused;
        const run_result no =
            run_example(refused, "character-mdm.cfg", "BLENDWEIGHTS=" + value + "\n");
        EXPECT_EQ(no.status, 0);
        EXPECT_TRUE(no.out.ends_with("Running MODE(9)\nERROR: Invalid BLENDWEIGHTS value.\n"))
            << no.out;
        EXPECT_NE(no.err.find("BLENDWEIGHTS takes"), std::string::npos);
        EXPECT_FALSE(refused.exists("test.mqoobj"));
    }
}

// Without REFERENCEMDM mode 9 gives the MDM the skeleton's own tags in place of
// loading a reference; the job up to the first save is the same.
TEST(MqoModes, Mode9WithoutReferenceTakesTheSkeletonsTags) {
    scratch_dir s, reference;
    const run_result r = run_example(s, "character-skeleton.cfg");
    const run_result with_reference = run_example(reference, "character-mdm.cfg");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    const std::size_t split = with_reference.out.find("\n--- Loading MDM ---");
    ASSERT_NE(split, std::string::npos);
    // The same trace but for the name of the MDM.
    std::string out = r.out;
    out.replace(out.find("character-skeleton.mdm"), 22, "character.mdm");
    EXPECT_EQ(out.substr(0, split), with_reference.out.substr(0, split));
    EXPECT_TRUE(out.substr(split).starts_with("\nMDM tags from the skeleton...Done.\n" +
                                              saving("character-skeleton.mdm")));
    EXPECT_NE(r.out.find("Number of Tags\t\t\t\t:3\n"), std::string::npos);
    EXPECT_EQ(fnv1a(s.read("character-skeleton.mdm")), 0x8953677fced5685u);
    EXPECT_EQ(fnv1a(s.read("character-skeleton.mdx")), 0xbc269f853f9484aeu);
    EXPECT_EQ(fnv1a(r.out), 0x905a6b67a84d924u);
}

// SKELETONMDX adds the skeleton's MDX after the mode 9 job and changes nothing
// else; mode 8 accepts the key and ignores it.
TEST(MqoModes, SkeletonMdxIsWrittenOnlyInMode9WhenAsked) {
    for (const char* cfg : {"character-mdm.cfg", "character-md3.cfg"}) {
        scratch_dir plain, asked;
        const run_result without = run_example(plain, cfg);
        run_example(asked, cfg);
        asked.write("asked.cfg", read_file(source_path(std::string("examples/") + cfg)) +
                                     "SKELETONMDX=out/skeleton.mdx\n");
        std::filesystem::create_directories(asked.path("out"));
        const run_result with = asked.run({"-cfg", "asked.cfg"});
        EXPECT_EQ(with.status, 1);
        const bool mode9 = std::string(cfg) == "character-mdm.cfg";
        EXPECT_EQ(asked.exists("out/skeleton.mdx"), mode9);
        const std::string mdx = asked.read("out/skeleton.mdx");
        EXPECT_EQ(with.out, mode9 ? without.out.substr(0, without.out.size() - all_done.size()) +
                                        exporting("out/skeleton.mdx", long(mdx.size())) + all_done
                                  : without.out);
        if (mode9) {
            EXPECT_EQ(asked.read("character.mdm"), plain.read("character.mdm"));
            EXPECT_EQ(fnv1a(mdx), 0xbc269f853f9484aeu);
        }
    }
}

TEST(MqoModes, Mode8WritesTheExampleCharacterAsMd3) {
    scratch_dir s;
    const run_result r = run_example(s, "character-md3.cfg");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(fnv1a(s.read("test.mesh")), 0xc327f821446e7361u);
    EXPECT_EQ(fnv1a(s.read("character.md3")), 0xc2272c9da974bc1eu);
    EXPECT_EQ(fnv1a(r.out), 0x20e2afbd34633188u);

    // Every tag sits on the figure where its object was drawn: inside the
    // frame's box (the head tag at the top of the head, y = 700).
    const std::string text = s.read("character.md3");
    std::vector<std::uint8_t> file(text.begin(), text.end());
    const byte_region md3{file.data(), file.size()};
    const offset_t frame = get_i32(md3, md3_header::ofs_frames);
    const vector3 lo = get_vector3(md3, frame + md3_frame::bounds_min);
    const vector3 hi = get_vector3(md3, frame + md3_frame::bounds_max);
    ASSERT_EQ(get_i32(md3, md3_header::num_tags), 3);
    for (int t = 0; t < 3; ++t) {
        const offset_t tag = get_i32(md3, md3_header::ofs_tags) + md3_tag::size * t;
        const vector3 o = get_vector3(md3, tag + md3_tag::origin);
        SCOPED_TRACE(get_text(md3, tag + md3_tag::name, 64));
        EXPECT_TRUE(lo.x <= o.x && o.x <= hi.x && lo.y <= o.y && o.y <= hi.y && lo.z <= o.z &&
                    o.z <= hi.z);
    }
    EXPECT_EQ(get_vector3(md3, get_i32(md3, md3_header::ofs_tags) + md3_tag::origin).y, 700.0f);
}

TEST(MqoModes, FailedMeshIsNotSaved) {
    scratch_dir s;
    s.write("ossify.cfg", mqo_config(8));
    s.write("model.mqo",
            mqo_document(material_chunk({material_line("bone:x")}) +
                         object_chunk("body", {"0 0 0", "1 0 0", "0 1 0"}, {"3 V(0 1 2) M(0)"})));
    const run_result r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("build_meshes_from_mqo : NumMeshObj[0]\n"
                                "ERROR:Failed to build mesh from MQO.\n"));
    EXPECT_TRUE(s.exists("test.mqoobj"));
    EXPECT_FALSE(s.exists("test.mesh"));
    EXPECT_FALSE(s.exists("model.md3"));
}

// An independent reader finds as many faces in each MD3 as the writer wrote triangles.
TEST(MqoModes, Md3FilesLoadInAnIndependentReader) {
    if (!has_assimp()) GTEST_SKIP() << "assimp is not installed";
    const std::string models[] = {
        read_file(source_path("examples/character.mqo")),
        mqo_document(material_chunk({material_line("a"), material_line("b")}) +
                     object_chunk("left", {"0 0 0", "9 0 0", "0 9 0", "9 9 0"},
                                  {"3 V(0 1 2) M(0)", "3 V(1 3 2) M(1)"}) +
                     object_chunk("right", {"20 0 0", "29 0 0", "20 9 5"}, {"3 V(0 1 2) M(1)"}) +
                     object_chunk("tag:t", {"0 0 0", "5 0 0", "0 1 0"}, {"3 V(0 1 2)"})),
    };
    for (const std::string& model : models) {
        scratch_dir s;
        s.write("model.mqo", model);
        s.write("ossify.cfg", mqo_config(8) + "MD3SHADERPATH=textures/skin\n");
        const run_result r = s.run();
        ASSERT_EQ(r.status, 1);
        EXPECT_EQ(assimp_faces(s), md3_triangles(r.out));
    }
}

TEST(Md3Writer, Refusals) {
    const struct {
        std::string corner, message; // an empty name is explained on standard error
        bool unnamed = false;
        std::size_t size = 1 << 16;
    } cases[] = {
        {"40000 0 0", "Vertex[0] Position[40000.000000] is outside -32768..32767"},
        {"-32769 0 0", "Vertex[0] Position[-32769.000000] is outside -32768..32767"},
        {"0 0 0", "", true},
        {"0 0 0", "Surface Name[body] does not fit the MD3 buffer of 399 bytes", false, 399},
    };
    for (const auto& c : cases) {
        mqo_model m = body(c.corner);
        if (c.unnamed) put_text(m.mesh.region, m.object(0) + mesh_object::name, 64, "");
        const written w = md3_of(m, c.size);
        EXPECT_EQ(w.size, -1) << c.message;
        EXPECT_NE(w.out.find(c.message), std::string::npos) << w.out;
    }
    EXPECT_EQ(md3_of(body("0 0 0"), 400).size, 400); // the exact size fits
}

TEST(MdmWriter, RefusesASurfaceBeyondTheBuffer) {
    const mqo_model m = body("0 0 0");
    const work_buffer bones = make_work_buffer(1 << 16);
    written w{make_work_buffer(300)};
    w.out = capture_stdout(
        [&] { w.size = build_mdm_from_mesh(m.mesh.region, w.file.region, bones.region); });
    EXPECT_EQ(w.size, -1);
    EXPECT_NE(w.out.find("does not fit the MDM buffer of 300 bytes"), std::string::npos);
}

// MD3SCALE multiplies each stored position before truncation; the header, the
// frame, the tags and the rest of each vertex stay as drawn. A scaled coordinate
// outside int16 is refused, naming its axis.
TEST(Md3Writer, ScaledPositions) {
    const mqo_model m = body("0.5 -511.9 -0.75");
    const written plain = md3_of(m);
    const written scaled = md3_of(m, 1 << 16, 64);
    ASSERT_EQ(scaled.size, plain.size);
    const byte_region& r = scaled.file.region;
    const offset_t surface = get_i32(r, md3_header::ofs_surfaces);
    const offset_t xyz = surface + get_i32(r, surface + md3_surface::ofs_xyz_normals);
    const std::int16_t expected[3][3] = {{32, -32761, -48}, {64, 0, 0}, {64, 64, 0}};
    std::string masked_plain = read_bytes(plain), masked_scaled = read_bytes(scaled);
    for (int v = 0; v < 3; ++v)
        for (int axis = 0; axis < 3; ++axis) {
            const offset_t at = xyz + md3_surface::vertex_size * v + 2 * axis;
            EXPECT_EQ(get_i16(r, at), expected[v][axis]) << v << " " << axis;
            for (const offset_t byte : {at, at + 1})
                masked_plain[static_cast<std::size_t>(byte)] =
                    masked_scaled[static_cast<std::size_t>(byte)] = 0;
        }
    EXPECT_EQ(masked_plain, masked_scaled);

    const struct {
        std::string corner, axis;
    } overflows[] = {{"600 0 0", "x = 600.000000 times MD3SCALE 64"},
                     {"0 -513 0", "y = -513.000000 times MD3SCALE 64"}};
    for (const auto& c : overflows) {
        testing::internal::CaptureStderr();
        const written w = md3_of(body(c.corner), 1 << 16, 64);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(w.size, -1);
        EXPECT_NE(w.out.find("Vertex[0] Position["), std::string::npos) << w.out;
        EXPECT_NE(err.find(c.axis + " does not fit -32768..32767"), std::string::npos) << err;
    }
}

// A model 1.5 units long shows as a speck in the engine unless MD3SCALE=64;
// MD3SCALE=1 leaves every byte as without it; a signed value is refused.
TEST(MqoModes, Md3ScaleThroughTheTool) {
    scratch_dir s;
    s.write("model.mqo",
            mqo_document(material_chunk({material_line("skin")}) +
                         object_chunk("body", {"0 0 0", "1.5 0 0", "0 1 0"}, {"3 V(0 1 2) M(0)"})));
    const std::string config = mqo_config(8);
    s.write("ossify.cfg", config);
    const run_result plain = s.run();
    const std::string plain_md3 = s.read("model.md3");
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("less than one engine unit"), std::string::npos) << plain.err;
    // MD3SCALE=1 stores the same positions; the frame is that of the stored model.
    s.write("ossify.cfg", config + "MD3SCALE=1\n");
    EXPECT_NE(
        s.run().out.find("BBoxmin[0.000000 0.000000 0.000000] BBoxmax[0.015625 0.015625 "
                         "0.000000] LocalOrigin[0.007812 0.007812 0.000000] Radius[0.011049]"),
        std::string::npos);
    const std::string same_scale = s.read("model.md3");
    const std::size_t frame_end = md3_header::size + md3_frame::size;
    EXPECT_EQ(same_scale.substr(0, md3_header::size), plain_md3.substr(0, md3_header::size));
    EXPECT_EQ(same_scale.substr(frame_end), plain_md3.substr(frame_end));
    s.write("ossify.cfg", config + "MD3SCALE=64\n");
    const run_result scaled = s.run();
    EXPECT_EQ(scaled.status, 1);
    EXPECT_EQ(scaled.err, "");
    s.write("ossify.cfg", config + "MD3SCALE=-64\n");
    const run_result refused = s.run();
    EXPECT_EQ(refused.status, 0);
    EXPECT_EQ(refused.out, banner + running_mode(8) + "ERROR: Invalid MD3SCALE value.\n");
}
