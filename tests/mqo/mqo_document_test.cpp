// The MQO text writer: what it writes, the reader takes back unchanged (every
// float32 bit for bit, names as one token each, empty lists left out).
#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

#include "mqo/load_mqo.hpp"
#include "mqo/mqo_document.hpp"
#include "mqo/mqo_walk.hpp"
#include "support/mqo_model.hpp"

using namespace ossify;

namespace {

TEST(MqoDocument, EveryFloatComesBackBitForBit) {
    std::mt19937 random(11);
    mqo_document document;
    document.materials.push_back({"skin", {}});
    mqo_document_object object{"cloud", {}, {}};
    // Random bit patterns cover every exponent; a few hand-picked values the
    // reader's short path rounds differently from the text's shortest digits.
    std::vector<float> values{0.0f, -0.0f, 1.0f, 0.979725f, 0.393048f, 1e-45f, 3.4e38f, -1e-7f};
    while (values.size() < 3 * 4000) {
        const float v = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (std::isfinite(v)) values.push_back(v);
    }
    for (std::size_t i = 0; i + 2 < values.size(); i += 3)
        object.vertices.push_back({values[i], values[i + 1], values[i + 2]});
    for (std::size_t i = 0; i + 6 <= 3000; i += 6)
        object.faces.push_back({{0, 1, 2},
                                0,
                                true,
                                {{{values[i], values[i + 1]},
                                  {values[i + 2], values[i + 3]},
                                  {values[i + 4], values[i + 5]}}}});
    document.objects.push_back(object);
    const ossify_test::mqo_model r(mqo_text(document));
    const offset_t at = mqo_first_object(r.mqo.region);
    int wrong = 0;
    for (std::size_t v = 0; v < object.vertices.size(); ++v) {
        const vector3 p = mqo_vertex(r.mqo.region, at, static_cast<std::int32_t>(v));
        const float got[3] = {p.x, p.y, p.z};
        for (std::size_t k = 0; k < 3; ++k)
            wrong += got[k] != object.vertices[v][k]; // -0 reads back as 0, which is equal
    }
    for (std::size_t f = 0; f < object.faces.size(); ++f)
        for (std::size_t k = 0; k < 6; ++k)
            wrong +=
                get_f32(r.mqo.region, mqo_face_at(r.mqo.region, at, static_cast<std::int32_t>(f)) +
                                          mqo_face::uv + 4 * static_cast<offset_t>(k)) !=
                object.faces[f].uv[k / 2][k % 2];
    EXPECT_EQ(wrong, 0);
}

TEST(MqoDocument, NamesComeBackAsOneTokenThatIsNoKeyword) {
    const std::string long_name(80, 'n');
    struct row {
        std::string name, read;
    };
    const row rows[] = {
        {"body", "body"},
        {"two words", "two words"},
        {"say \"hi\"", "say _hi_"},
        {"face", "face_"},
        {"Object", "Object_"},
        {"", "_"},
        {long_name, std::string(63, 'n')},
        {"tag:tag_head", "tag:tag_head"},
    };
    mqo_document document;
    for (const row& r : rows) {
        document.materials.push_back({r.name, r.name.empty() ? "" : r.name + ".tga"});
        document.objects.push_back({r.name, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}}});
    }
    const ossify_test::mqo_model back(mqo_text(document));
    ASSERT_EQ(mqo_num_object(back.mqo.region), std::ssize(rows));
    offset_t object = mqo_first_object(back.mqo.region);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(mqo_object_name(back.mqo.region, object), rows[i].read);
        EXPECT_EQ(mqo_material_name(back.mqo.region, static_cast<std::int32_t>(i)), rows[i].read);
        EXPECT_EQ(mqo_face_material(back.mqo.region, mqo_face_at(back.mqo.region, object, 0)), -1);
        object = mqo_next_object(back.mqo.region, object);
    }
    EXPECT_EQ(
        get_text(back.mqo.region, mqo_material_at(back.mqo.region, 0) + mqo_material::texture, 64),
        "body.tga");
}

TEST(MqoDocument, LeavesOutEmptyListsAndWritesTheModellersLineEnds) {
    mqo_document document;
    document.objects.push_back({"empty", {}, {}});
    document.objects.push_back({"points", {{1, 2, 3}}, {}});
    const std::string text = mqo_text(document);
    EXPECT_EQ(text.find("vertex 0"), std::string::npos);
    EXPECT_EQ(text.find("face 0"), std::string::npos);
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        EXPECT_EQ(text[at - 1], '\r') << at;
    EXPECT_EQ(text.substr(text.size() - 5), "Eof\r\n");
    const ossify_test::mqo_model back(mqo_text(document));
    EXPECT_EQ(mqo_num_object(back.mqo.region), 2);
}

} // namespace
