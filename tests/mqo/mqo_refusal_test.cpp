// Every file the reader refuses, run through mode 8: standard output carries the
// reader's own words (nothing for its silent refusals), standard error says
// which line broke which rule.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/mqo_text.hpp"
#include "support/scratch.hpp"
#include "support/trace.hpp"

using namespace ossify_test;

namespace {

const std::string load_banner = "---------------------------------\nFUNCTION CALLED : Load_MQO\n"
                                "---------------------------------\n";
const std::string load_failed = "ERROR:Failed to load MQO.\n";

struct refusal {
    const char* what;
    std::string chunks; // the file between the Scene chunk and "Eof"
    std::string out;    // the reader's stdout after its banner
    std::string line;   // the refused line as standard error shows it
};

std::vector<std::string> triangle() {
    return {"0 0 0", "1 0 0", "0 1 0"};
}

std::string with_materials(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(material_line("m" + std::to_string(i)));
    return material_chunk(lines);
}

void expect_refused(const refusal& c) {
    SCOPED_TRACE(c.what);
    scratch_dir s;
    s.write("ossify.cfg", mqo_config(8));
    s.write("model.mqo", mqo_document(c.chunks));
    const run_result r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, banner + running_mode(8) + load_banner + c.out + load_failed);
    EXPECT_NE(r.err.find(": " + c.line + "\nLoad_MQO : "), std::string::npos) << r.err;
    EXPECT_FALSE(s.exists("test.mqoobj"));
}

} // namespace

TEST(MqoRefusal, SilentRefusalsKeepStdoutAndExplainOnStderr) {
    const std::string m2 = "Load_MQO : Number of Material[2]\n";
    const refusal cases[] = {
        {"material count missing", "Material {\n}\n", "", "Material {"},
        {"material count not a number", "Material x {\n}\n", "", "Material x {"},
        {"material count above 1024", "Material 1025 {\n}\n", "", "Material 1025 {"},
        {"tex without a name", material_chunk({"\"a\" col(1 1 1 1)", "\"b\" tex"}), m2,
         "\"b\" tex"},
        {"object without a name", "Object {\n}\n", "", "Object {"},
        {"vertex list before any object", "vertex 3 {\n}\n", "", "vertex 3 {"},
        {"face list before any object", "face 1 {\n}\n", "", "face 1 {"},
        {"empty vertex list", object_chunk("o", {}, {}), "", "vertex 0 {"},
        {"vertex list above 4096", "Object \"o\" {\n\tvertex 4097 {\n", "", "vertex 4097 {"},
        {"empty face list", "Object \"o\" {\n\tvertex 1 {\n\t\t0 0 0\n\t}\n\tface 0 {\n", "",
         "face 0 {"},
        {"face count not a number", "Object \"o\" {\n\tvertex 1 {\n\t\t0 0 0\n\t}\n\tface x {\n",
         "", "face x {"},
        {"face line without a count", object_chunk("o", triangle(), {"V(0 1 2)"}), "", "V(0 1 2)"},
        {"face of five corners", object_chunk("o", triangle(), {"5 V(0 1 2 0 1)"}), "",
         "5 V(0 1 2 0 1)"},
        {"face of one corner", object_chunk("o", triangle(), {"1 V(0)"}), "", "1 V(0)"},
        {"face without V", object_chunk("o", triangle(), {"3 (0 1 2) M(0)"}), "", "3 (0 1 2) M(0)"},
        {"face ending in V", object_chunk("o", triangle(), {"3 V"}), "", "3 V"},
        {"material index not a number", object_chunk("o", triangle(), {"3 V(0 1 2) M(x)"}), "",
         "3 V(0 1 2) M(x)"},
        {"material index above 1024", object_chunk("o", triangle(), {"3 V(0 1 2) M(1025)"}), "",
         "3 V(0 1 2) M(1025)"},
        {"object named vertex", object_chunk("vertex", triangle(), {}), "", "Object \"vertex\" {"},
        {"object named face", object_chunk("face", triangle(), {}), "", "Object \"face\" {"},
        {"object named Material", object_chunk("Material", triangle(), {}), "",
         "Object \"Material\" {"},
        {"object named Object", object_chunk("Object", triangle(), {}), "", "Object \"Object\" {"},
    };
    for (const refusal& c : cases)
        expect_refused(c);
}

TEST(MqoRefusal, VertexLineOfFourNumbers) {
    expect_refused({"four coordinates", object_chunk("o", {"0 0 0", "1 2 3 4", "0 1 0"}, {}),
                    "Load_MQO : Read Vertex Pos failure : Not 3 chunks\n", "1 2 3 4"});
}

TEST(MqoRefusal, InputOutOfOrderIsRefusedClearly) {
    const std::string m1 = "Load_MQO : Number of Material[1]\n";
    const std::string o = object_chunk("o", triangle(), {"3 V(0 1 2)"});
    const std::string vertices = "\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n";
    const refusal cases[] = {
        {"Material after an object", o + with_materials(1),
         "Load_MQO : Line[29] Material list after an Object\n", "Material 1 {"},
        {"second Material list", with_materials(1) + with_materials(1) + o,
         m1 + "Load_MQO : Line[16] Second Material list\n", "Material 1 {"},
        {"second vertex list", "Object \"o\" {\n" + vertices + vertices + "}\n",
         "Load_MQO : Line[19] Object[o] Second vertex list\n", "vertex 3 {"},
        {"vertex list after the faces",
         "Object \"o\" {\n" + vertices + "\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n" + vertices + "}\n",
         "Load_MQO : Line[22] Object[o] vertex list after the face list\n", "vertex 3 {"},
        {"second face list",
         "Object \"o\" {\n" + vertices + "\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n\tface 1 {\n}\n",
         "Load_MQO : Line[22] Object[o] Second face list\n", "face 1 {"},
        {"faces without vertices", "Object \"o\" {\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n}\n",
         "Load_MQO : Line[14] Object[o] face list without a vertex list\n", "face 1 {"},
        {"short vertex list", "Object \"a\" {\n\tvertex 4 {\n\t\t0 0 0\n\t}\n}\n" + o,
         "Load_MQO : Line[18] Object[a] vertex list short of 3 lines\n", "Object \"o\" {"},
        {"short face list",
         "Object \"a\" {\n" + vertices + "\tface 2 {\n\t\t3 V(0 1 2)\n\t}\n}\n" + o,
         "Load_MQO : Line[23] Object[a] face list short of 1 lines\n", "Object \"o\" {"},
        {"short material list", "Material 2 {\n\t\"m\"\n}\n" + o,
         "Load_MQO : Number of Material[2]\n"
         "Load_MQO : Line[16] Material list short of 1 lines (or a material named Object)\n",
         "Object \"o\" {"},
    };
    for (const refusal& c : cases)
        expect_refused(c);
}

TEST(MqoRefusal, NumbersBeyondFloatRange) {
    expect_refused({"coordinate", object_chunk("o", {"0 0 0", "1e39 0 0"}, {}),
                    "Load_MQO : Line[22] Coordinate[1e39] is not a finite number\n", "1e39 0 0"});
    expect_refused({"texture coordinate",
                    object_chunk("o", triangle(), {"3 V(0 1 2) UV(0 0 1 -4e38 0 1)"}),
                    "Load_MQO : Line[26] Texture coordinate[-4e38] is not a finite number\n",
                    "3 V(0 1 2) UV(0 0 1 -4e38 0 1)"});
}

TEST(MqoRefusal, LineOfMoreThan63Tokens) {
    std::string sixty_three = "\tcomment";
    for (int i = 1; i < 63; ++i)
        sixty_three += " w";
    const std::string o = object_chunk("o", triangle(), {});
    scratch_dir s;
    s.write("ossify.cfg", mqo_config(8));
    s.write("model.mqo", mqo_document(o + sixty_three + "\n"));
    EXPECT_EQ(s.run().status, 1);
    expect_refused({"64 tokens", o + sixty_three + " w\n",
                    "Load_MQO : Line[26] Too many chunks : more than 63\n",
                    sixty_three.substr(1, 120) + "..."});
}

TEST(MqoRefusal, RecordPastTheTenMillionByteBuffer) {
    // Objects without lists take 84 bytes each: after the header 119,046 fit.
    std::string objects;
    for (int i = 0; i < 119'048; ++i)
        objects += "Object o\n";
    expect_refused(
        {"too many objects", objects,
         "Load_MQO : Line[119059] Record would grow past the MQO buffer[10000000 bytes]\n",
         "Object o"});
}

TEST(MqoRefusal, MissingFile) {
    scratch_dir s;
    s.write("ossify.cfg", mqo_config(8));
    const run_result r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              banner + running_mode(8) + load_banner + "Failed to open MQO file.\n" + load_failed);
}

TEST(MqoRefusal, WarningsOfAnAcceptedFile) {
    scratch_dir s;
    s.write("ossify.cfg", mqo_config(8));
    s.write("model.mqo", mqo_document(object_chunk(std::string(64, 'a'), triangle(), {})) +
                             "Object \"b\" {\n\tvertex 3 {\n\t\t0 0 0\n");
    const run_result r = s.run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Load_MQO : line 13: name longer than 63 bytes, cut to [" +
                         std::string(63, 'a') +
                         "]\nLoad_MQO : the file ends inside a list (0 materials, 2 vertices, 0 "
                         "faces missing); they stay zero\n");
}
