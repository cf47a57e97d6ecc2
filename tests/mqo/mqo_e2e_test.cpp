// MQO files through mode 8 (and 9): every file the reader refuses, where
// standard output carries the reader's own words (nothing for its silent
// refusals) and standard error says which line broke which rule; and real files.
#include <gtest/gtest.h>

#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;

namespace {

const std::string load_banner = "---------------------------------\nFUNCTION CALLED : Load_MQO\n"
                                "---------------------------------\n";

// A comment line of 63 tokens, the most a line may hold.
const std::string sixty_three_tokens = [] {
    std::string line = "\tcomment";
    for (int i = 1; i < 63; ++i)
        line += " w";
    return line;
}();

run_result run_mode8(const scratch_dir& s, const std::string& chunks) {
    s.write("ossify.cfg", mqo_config(8));
    s.write("model.mqo", mqo_document(chunks));
    return s.run();
}

} // namespace

TEST(MqoRefusal, EachRuleNamesTheLine) {
    const std::vector<std::string> triangle = {"0 0 0", "1 0 0", "0 1 0"};
    const auto face = [&](const std::string& line) { return object_chunk("o", triangle, {line}); };
    const auto named = [&](const std::string& name) { return object_chunk(name, triangle, {}); };
    const std::string m1 = material_chunk({material_line("m0")}), o = face("3 V(0 1 2)");
    const std::string vertices = "\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n";
    const std::string one_face = "\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n";
    const struct {
        std::string chunks; // the file between the Scene chunk and "Eof"
        std::string out;    // the reader's stdout after its banner
        std::string line;   // the refused line as standard error shows it
    } cases[] = {
        // Silent refusals: nothing on stdout.
        {"Material x {\n}\n", "", "Material x {"},
        {"Material 1025 {\n}\n", "", "Material 1025 {"},
        {material_chunk({"\"a\" col(1 1 1 1)", "\"b\" tex"}), "Load_MQO : Number of Material[2]\n",
         "\"b\" tex"},
        {"Object {\n}\n", "", "Object {"},
        {"vertex 3 {\n}\n", "", "vertex 3 {"},
        {"face 1 {\n}\n", "", "face 1 {"},
        {object_chunk("o", {}, {}), "", "vertex 0 {"},
        {"Object \"o\" {\n\tvertex 4097 {\n", "", "vertex 4097 {"},
        {"Object \"o\" {\n\tvertex 1 {\n\t\t0 0 0\n\t}\n\tface 0 {\n", "", "face 0 {"},
        {"Object \"o\" {\n\tvertex 1 {\n\t\t0 0 0\n\t}\n\tface x {\n", "", "face x {"},
        {face("V(0 1 2)"), "", "V(0 1 2)"},
        {face("5 V(0 1 2 0 1)"), "", "5 V(0 1 2 0 1)"},
        {face("1 V(0)"), "", "1 V(0)"},
        {face("3 (0 1 2) M(0)"), "", "3 (0 1 2) M(0)"},
        {face("3 V"), "", "3 V"},
        {face("3 V(0 1 2) M(x)"), "", "3 V(0 1 2) M(x)"},
        {face("3 V(0 1 2) M(1025)"), "", "3 V(0 1 2) M(1025)"},
        {named("vertex"), "", "Object \"vertex\" {"},
        {named("face"), "", "Object \"face\" {"},
        {named("Material"), "", "Object \"Material\" {"},
        {named("Object"), "", "Object \"Object\" {"},
        {object_chunk("o", {"0 0 0", "1 2 3 4", "0 1 0"}, {}),
         "Load_MQO : Read Vertex Pos failure : Not 3 chunks\n", "1 2 3 4"},
        // Input out of order.
        {o + m1, "Load_MQO : Line[29] Material list after an Object\n", "Material 1 {"},
        {m1 + m1 + o,
         "Load_MQO : Number of Material[1]\nLoad_MQO : Line[16] Second Material list\n",
         "Material 1 {"},
        {"Object \"o\" {\n" + vertices + vertices + "}\n",
         "Load_MQO : Line[19] Object[o] Second vertex list\n", "vertex 3 {"},
        {"Object \"o\" {\n" + vertices + one_face + vertices + "}\n",
         "Load_MQO : Line[22] Object[o] vertex list after the face list\n", "vertex 3 {"},
        {"Object \"o\" {\n" + vertices + one_face + "\tface 1 {\n}\n",
         "Load_MQO : Line[22] Object[o] Second face list\n", "face 1 {"},
        {"Object \"o\" {\n" + one_face + "}\n",
         "Load_MQO : Line[14] Object[o] face list without a vertex list\n", "face 1 {"},
        {"Object \"a\" {\n\tvertex 4 {\n\t\t0 0 0\n\t}\n}\n" + o,
         "Load_MQO : Line[18] Object[a] vertex list short of 3 lines\n", "Object \"o\" {"},
        {"Object \"a\" {\n" + vertices + "\tface 2 {\n\t\t3 V(0 1 2)\n\t}\n}\n" + o,
         "Load_MQO : Line[23] Object[a] face list short of 1 lines\n", "Object \"o\" {"},
        {"Material 2 {\n\t\"m\"\n}\n" + o,
         "Load_MQO : Number of Material[2]\n"
         "Load_MQO : Line[16] Material list short of 1 lines (or a material named Object)\n",
         "Object \"o\" {"},
        // Standard error shows the first 120 characters of a long line.
        {named("o") + sixty_three_tokens + " w\n",
         "Load_MQO : Line[26] Too many chunks : more than 63\n",
         sixty_three_tokens.substr(1, 120) + "..."},
        // Numbers beyond the float range.
        {object_chunk("o", {"0 0 0", "1e39 0 0"}, {}),
         "Load_MQO : Line[22] Coordinate[1e39] is not a finite number\n", "1e39 0 0"},
        {face("3 V(0 1 2) UV(0 0 1 -4e38 0 1)"),
         "Load_MQO : Line[26] Texture coordinate[-4e38] is not a finite number\n",
         "3 V(0 1 2) UV(0 0 1 -4e38 0 1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        scratch_dir s;
        const run_result r = run_mode8(s, c.chunks);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out,
                  banner + running_mode(8) + load_banner + c.out + "ERROR:Failed to load MQO.\n");
        EXPECT_NE(r.err.find(": " + c.line + "\nLoad_MQO : "), std::string::npos) << r.err;
        EXPECT_FALSE(s.exists("test.mqoobj"));
    }
}

TEST(MqoRefusal, MissingFileAndWarningsOfAcceptedFiles) {
    scratch_dir s;
    for (int mode : {8, 9}) {
        s.write("ossify.cfg", mqo_config(mode));
        const run_result missing = s.run();
        EXPECT_EQ(missing.status, 0);
        // Refused before the job reads or writes anything, naming the key.
        EXPECT_EQ(missing.out, banner + running_mode(mode) +
                                   "ERROR:Failed to open file[ model.mqo ].\nERROR: Cannot open "
                                   "MQO file.\n");
        EXPECT_FALSE(s.exists("test.mqoobj"));
    }
    s.write("ossify.cfg", mqo_config(8));

    const std::vector<std::string> triangle = {"0 0 0", "1 0 0", "0 1 0"};
    EXPECT_EQ(run_mode8(s, object_chunk("o", triangle, {}) + sixty_three_tokens + "\n").status, 1);
    s.write("model.mqo", mqo_document(object_chunk(std::string(64, 'a'), triangle, {})) +
                             "Object \"b\" {\n\tvertex 3 {\n\t\t0 0 0\n");
    const run_result r = s.run();
    EXPECT_EQ(r.status, 1);
    // The reader's warnings come first; the MD3's engine-limit warnings follow.
    EXPECT_TRUE(r.err.starts_with("Load_MQO : line 13: name longer than 63 bytes, cut to [" +
                                  std::string(63, 'a') +
                                  "]\nLoad_MQO : the file ends inside a list (0 materials, 2 "
                                  "vertices, 0 faces missing); they stay zero\nossify: warning"))
        << r.err;
}

// Files saved by the modeller itself (data/README.md gives their origin and
// licences: CRLF line ends, Shift_JIS names, n-gons, chunks the reader skips):
// each is read in full and converts in mode 8, but for the one with n-gons.
// Mode 9 finds no object named "bone" (wild_dsan's skeleton object follows
// another tool's convention, "bone:BoneDsan") and stops before test.bone.
TEST(RealFiles, ModeEightConvertsThemModeNineFindsNoBoneObject) {
    const auto run = [](const scratch_dir& s, int mode, const std::string& file) {
        s.write("ossify.cfg", "MODE=" + std::to_string(mode) +
                                  "\nMQO=" + source_path("tests/mqo/data/" + file).string() +
                                  "\nMQOROOTBONE=0\nMDM=out.mdm\nMD3OUTNAME=out.md3\n");
        return s.run();
    };
    const struct {
        const char* file;
        std::string loaded; // the reader's last line, or what standard error says
    } models[] = {
        {"d-chan2_anchors_mirror.mqo", "EXIT MQOSIZE[31256] Material[3] Object[13]\n"},
        {"materialex2_v11.mqo", "EXIT MQOSIZE[736] Material[1] Object[1]\n"},
        {"wild_dsan_bones.mqo", "EXIT MQOSIZE[123876] Material[10] Object[3]\n"},
        {"autocsg_sample_v11_ngons.mqo",
         "Load_MQO : refused line 1544: 16 V(11 25 24 23 22 21 20 19 18 17 16 15 14 13 12 10) "
         "M(0) UID(42031)\nLoad_MQO : a face has 2, 3 or 4 corners\n"},
    };
    for (const auto& m : models) {
        SCOPED_TRACE(m.file);
        scratch_dir s;
        const run_result r = run(s, 8, m.file);
        const bool refused = m.loaded.starts_with("Load_MQO");
        EXPECT_EQ(r.status, refused ? 0 : 1);
        EXPECT_NE((refused ? r.err : r.out).find(m.loaded), std::string::npos) << r.out << r.err;
        EXPECT_EQ(s.exists("out.md3"), !refused);
    }
    scratch_dir s;
    const run_result r = run(s, 9, "wild_dsan_bones.mqo");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("build_bones_from_mqo : Bone Object[3]\n"
                                "build_bones_from_mqo : Bone Object Not Found\n"
                                "ERROR:Failed to build bone from MQO.\n"));
    EXPECT_TRUE(s.exists("test.mqoobj"));
    EXPECT_FALSE(s.exists("test.bone"));
}
