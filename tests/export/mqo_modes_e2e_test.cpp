// Modes 8 and 9 end to end on the bundled character and small models: exit
// status, the trace, and the exact bytes of every file written.
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/mqo_text.hpp"
#include "support/scratch.hpp"
#include "support/trace.hpp"

using namespace ossify_test;

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

// Number of faces `assimp info` reports for a model, or -1 when it fails.
int assimp_faces(const std::string& path) {
    const std::string command = "assimp info '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return -1;
    std::string out;
    for (int c; (c = std::fgetc(pipe.get())) != EOF;)
        out += static_cast<char>(c);
    if (pclose(pipe.release()) != 0) return -1;
    std::smatch m;
    if (!std::regex_search(out, m, std::regex("Faces:\\s+(\\d+)"))) return -1;
    return std::stoi(m[1]);
}

} // namespace

TEST(MqoModes, Mode9WritesTheExampleCharacter) {
    scratch_dir s;
    const run_result r = run_example(s, "character-mdm.cfg");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    // The MDM ends in exactly the reference's tags.
    const std::string mdm = s.read("character.mdm");
    EXPECT_TRUE(mdm.ends_with(s.read("character-tags.mdm").substr(100)));
    // The exact bytes, the same on every build.
    EXPECT_EQ(fnv1a(s.read("test.mqoobj")), 0x39c506e2943c3a31u);
    EXPECT_EQ(fnv1a(s.read("test.bone")), 0xfd26bea86b5a1d8cu);
    EXPECT_EQ(fnv1a(s.read("test.mesh")), 0xeb1c8304768937b5u);
    EXPECT_EQ(fnv1a(mdm), 0x584bd0c85719b518u);
    EXPECT_EQ(fnv1a(r.out), 0x7d0df365d7e81183u);
}

TEST(MqoModes, Mode8WritesTheExampleCharacterAsMd3) {
    scratch_dir s;
    const run_result r = run_example(s, "character-md3.cfg");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(md3_triangles(r.out), 228);
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
        mqo_document(material_chunk({material_line("skin", "skin.tga")}) +
                     object_chunk("body", {"0 0 0", "64 0 0", "0 64 0"},
                                  {"3 V(0 1 2) M(0) UV(0 0 1 0 0 1)"})),
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
        EXPECT_EQ(assimp_faces(s.path("model.md3").string()), md3_triangles(r.out));
    }
}
