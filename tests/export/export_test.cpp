// Modes 8 and 9 end to end on the bundled character and small models (exit
// status, the trace, the exact bytes of every file written). The writers' own
// tests keep the refusals and the rules the character's bytes do not show.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;
using namespace ossify;

namespace {

run_result run_example(const scratch_dir& s, const char* cfg) {
    for (const char* f : {"character.mqo", "character-tags.mdm", cfg})
        s.write(f, read_file(source_path(std::string("examples/") + f)));
    return s.run({"-cfg", cfg});
}

// The sum of the triangle counts the MD3 writer printed for its surfaces.
int md3_triangles(const std::string& trace) {
    int total = 0;
    const std::regex line("build_md3surface_from_mesh : Surface Name\\[[^\\]]*\\] Frame\\[1\\] "
                          "Shader\\[\\d+\\] Vertex\\[\\d+\\] Triangle\\[(\\d+)\\]");
    for (auto it = std::sregex_iterator(trace.begin(), trace.end(), line);
         it != std::sregex_iterator(); ++it)
        total += std::stoi((*it)[1]);
    return total;
}

// Number of faces `assimp info` reports for the model.md3 of `s`, or -1.
int assimp_faces(const scratch_dir& s) {
    const std::string info = s.path("info").string();
    const std::string command =
        "assimp info '" + s.path("model.md3").string() + "' >'" + info + "'";
    std::smatch m;
    const std::string out = std::system(command.c_str()) == 0 ? read_file(info) : "";
    return std::regex_search(out, m, std::regex("Faces:\\s+(\\d+)")) ? std::stoi(m[1]) : -1;
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

written md3_of(const mqo_model& m, std::size_t size = 1 << 16) {
    written w{make_work_buffer(size)};
    w.out = capture_stdout(
        [&] { w.size = build_md3_from_mesh(m.mesh.region, w.file.region, "gfx/skin"); });
    return w;
}

} // namespace

TEST(MqoModes, Mode9WritesTheExampleCharacter) {
    scratch_dir s;
    const run_result r = run_example(s, "character-mdm.cfg");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    // The exact bytes, the same on every build.
    EXPECT_EQ(fnv1a(s.read("test.mqoobj")), 0x39c506e2943c3a31u);
    EXPECT_EQ(fnv1a(s.read("test.bone")), 0xfd26bea86b5a1d8cu);
    EXPECT_EQ(fnv1a(s.read("test.mesh")), 0xeb1c8304768937b5u);
    EXPECT_EQ(fnv1a(s.read("character.mdm")), 0x584bd0c85719b518u);
    EXPECT_EQ(fnv1a(r.out), 0x7d0df365d7e81183u);
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
    EXPECT_EQ(fnv1a(s.read("test.mesh")), 0x27d339714d2807e1u);
    EXPECT_EQ(fnv1a(s.read("character.md3")), 0x50d782cbeedc599eu);
    EXPECT_EQ(fnv1a(r.out), 0x20e2afbd34633188u);
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
    if (std::system("command -v assimp >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "assimp is not installed";
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
