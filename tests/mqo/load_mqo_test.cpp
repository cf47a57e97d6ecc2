// The parsed-MQO record as the reader lays it out, read from texts in memory.
#include <array>
#include <gtest/gtest.h>

#include "base/work_buffer.hpp"
#include "mqo/load_mqo.hpp"
#include "mqo/mqo_walk.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_text.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

struct parsed {
    work_buffer buffer;
    byte_region mqo{};
    std::int32_t result = 0;
    std::string out{};
    std::string texture(std::int32_t material) const {
        return get_text(mqo, mqo_material_at(mqo, material) + mqo_material::texture, 64);
    }
};

// Parses `text` into a fresh zero-filled buffer of `size` bytes.
parsed parse(const std::string& text, std::size_t size = 1'000'000) {
    parsed p{make_work_buffer(size)};
    p.mqo = p.buffer.region;
    p.out = capture_stdout([&] { p.result = load_mqo_text(text, p.mqo); });
    return p;
}

const std::vector<std::string> triangle = {"0 0 0", "1 0 0", "0 1 0"};

} // namespace

// Without a material list the objects start right after the header; each object
// gives the next one's distance (0 in the last); an object without lists has
// its vertices at its end and no faces.
TEST(LoadMqo, ObjectsFollowEachOtherWithOrWithoutLists) {
    parsed p = parse(mqo_document(object_chunk("a", triangle, {"3 V(0 1 2)"}) +
                                  object_chunk("b", {"0 0 0", "1 0 0"}, {"2 V(0 1)"})));
    EXPECT_EQ(p.result, 92 + 176 + 84 + 24 + 56);
    EXPECT_EQ(get_i32(p.mqo, mqoobj_header::ofs_object), 92);
    EXPECT_EQ(get_i32(p.mqo, mqo_object_at(p.mqo, 0) + mqo_object::ofs_next), 84 + 36 + 56);
    EXPECT_EQ(mqo_object_name(p.mqo, mqo_object_at(p.mqo, 1)), "b");
    EXPECT_EQ(get_i32(p.mqo, mqo_object_at(p.mqo, 1) + mqo_object::ofs_next), 0);
    p = parse(mqo_document("Material 0 {\n}\nObject \"empty\" {\n\tvisible 15\n}\n"));
    EXPECT_EQ(p.result, 92 + 84);
    EXPECT_EQ(get_i32(p.mqo, 92 + mqo_object::ofs_vertex), 84);
    EXPECT_EQ(get_i32(p.mqo, 92 + mqo_object::ofs_face), 0);
}

// Each face line against every field of its face: a corner that is no number
// (or missing) reads -1, a line of two corners has no material, UV(...) needs
// four values at least, numbers may use exponents.
TEST(LoadMqo, FaceLines) {
    const struct {
        const char* line;
        std::int32_t corners;
        std::array<std::int32_t, 4> vertex;
        std::int32_t material;
        std::array<float, 8> uv;
    } cases[] = {
        {"2 V(3 4) M(0)", 2, {3, 4, 0, 0}, -1, {}},
        {"3 V(0 1 x) M(1)", 3, {0, 1, -1, 0}, 1, {}},
        {"4 V(5 6", 4, {5, 6, -1, -1}, -1, {}},
        {"3 V(0 1 2) M(0) UV(0.25 0.5 1 0.75)", 3, {0, 1, 2, 0}, 0, {0.25f, 0.5f, 1, 0.75f}},
        {"3 V(0 1 2) UV(0.25 0.5 1)", 3, {0, 1, 2, 0}, -1, {}},
        {"4 V(0 1 2 3) UV(1 2 3 4 5 6 7 8) M(0)", 4, {0, 1, 2, 3}, 0, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"3 V(0 0 0) UV(1e-1 0 0 0 0 0)", 3, {0, 0, 0, 0}, -1, {0.1f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const parsed p = parse(mqo_document(object_chunk(
            "o", {"0 0 0", "1 0 0", "0 1 0", "1 1 0", "2 2 0", "3 3 0", "4 4 0"}, {c.line})));
        const offset_t f = mqo_face_at(p.mqo, mqo_object_at(p.mqo, 0), 0);
        EXPECT_EQ(mqo_face_corners(p.mqo, f), c.corners);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(mqo_face_vertex(p.mqo, f, k), c.vertex[static_cast<std::size_t>(k)]) << k;
        EXPECT_EQ(mqo_face_material(p.mqo, f), c.material);
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(get_f32(p.mqo, f + mqo_face::uv + 4 * k), c.uv[static_cast<std::size_t>(k)])
                << k;
    }
    const parsed p = parse(mqo_document(object_chunk("o", {"1.5e3 -2.5E-1 6.12323426e-17"}, {})));
    const vector3 v = mqo_vertex(p.mqo, mqo_object_at(p.mqo, 0), 0);
    EXPECT_EQ(v.x, 1500.0f);
    EXPECT_EQ(v.y, -0.25f);
    EXPECT_EQ(v.z, 6.12323426e-17f);
}

TEST(LoadMqo, MaterialNamesAndTextures) {
    parsed p = parse(mqo_document(material_chunk({
        "\"skin \xB1\xB2 body\" col(1 1 1 1) tex(\"C:\\maps\\skin file.tga\")",
        "plain\xB3name col(1 1 1 1)",
        "tex \"next.tga\" col(1 1 1 1)",
        "\"quoted\" dif(0.8)",
    })));
    EXPECT_EQ(mqo_material_name(p.mqo, 0), "skin \xB1\xB2 body");
    EXPECT_EQ(p.texture(0), "C:\\maps\\skin file.tga");
    // Outside quotes a high byte splits the name; the first token is the name.
    EXPECT_EQ(mqo_material_name(p.mqo, 1), "plain");
    // A material named tex takes the token after its name as its texture.
    EXPECT_EQ(mqo_material_name(p.mqo, 2), "tex");
    EXPECT_EQ(p.texture(2), "next.tga");
    const auto texture = p.mqo.data + mqo_material_at(p.mqo, 3) + mqo_material::texture;
    EXPECT_EQ(std::string(texture, texture + 64), std::string(64, '\0'));
}

TEST(LoadMqo, KeywordsCountAnywhereAndBracesAreNoLines) {
    // "vertex" after other tokens opens the list; the brace-only lines and the
    // attribute lines inside the list count as no list lines.
    parsed p = parse("Object \"o\" {\n\tpoints vertex 2 {\n\t}\n\t\t1 2 3\n\t}\n\t\t4 5 6\nface 1\n"
                     "3 V(0 1 1)\n");
    const offset_t o = mqo_object_at(p.mqo, 0);
    EXPECT_EQ(mqo_num_vertex(p.mqo, o), 2);
    EXPECT_EQ(mqo_vertex(p.mqo, o, 1).x, 4.0f);
    EXPECT_EQ(mqo_num_face(p.mqo, o), 1);
    // The rest of an Object line is read too: here it opens the vertex list.
    p = parse("Object o vertex 1\n7 8 9\n");
    EXPECT_EQ(mqo_vertex(p.mqo, mqo_object_at(p.mqo, 0), 0).z, 9.0f);
}

// Header, object, three vertices and a face take 92 + 84 + 36 + 56 bytes.
TEST(LoadMqo, RecordMustFitItsBuffer) {
    const std::string text = mqo_document(object_chunk("o", triangle, {"3 V(0 1 2)"}));
    EXPECT_EQ(parse(text, 268).result, 268);
    const parsed p = parse(text, 267);
    EXPECT_EQ(p.result, -1);
    EXPECT_EQ(p.out, "Load_MQO : Line[25] Record would grow past the MQO buffer[267 bytes]\n");
    EXPECT_FALSE(p.mqo.fault);
    EXPECT_EQ(parse(text, 175).out,
              "Load_MQO : Line[13] Record would grow past the MQO buffer[175 bytes]\n");
}
