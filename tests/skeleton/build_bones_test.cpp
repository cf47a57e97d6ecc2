// The skeleton builder on small models: records, trace lines, refusals.
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "driver/vector_fields.hpp"
#include "mqo/load_mqo.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/build_bones.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_text.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

struct built {
    std::vector<std::uint8_t> mqo_bytes = std::vector<std::uint8_t>(1'000'000);
    std::vector<std::uint8_t> bone_bytes;
    byte_region mqo{mqo_bytes.data(), mqo_bytes.size()};
    byte_region bone;
    std::int32_t result = 0;
    std::string out;

    offset_t record(std::int32_t index) const { return bone_record_at(index); }
    std::int32_t i32(std::int32_t index, offset_t field) const {
        return get_i32(bone, record(index) + field);
    }
    float f32(std::int32_t index, offset_t field) const {
        return get_f32(bone, record(index) + field);
    }
    bool printed(const std::string& line) const { return out.find(line) != std::string::npos; }
};

void build(built& b, const std::string& mqo_text, std::int32_t root = 0,
           std::size_t bone_size = 1'000'000) {
    capture_stdout([&] { ASSERT_GT(load_mqo_text(mqo_text, b.mqo), 0); });
    b.bone_bytes.assign(bone_size, 0);
    b.bone = byte_region{b.bone_bytes.data(), b.bone_bytes.size()};
    b.out = capture_stdout([&] { b.result = build_bones_from_mqo(b.mqo, b.bone, root); });
}

std::vector<std::string> materials_with(const std::vector<std::string>& names) {
    std::vector<std::string> lines = {material_line("skin", "skin.tga")};
    for (const std::string& name : names)
        lines.push_back(material_line(name));
    return lines;
}

// The chain's faces use these vertices: root along +x (up +y), child along +y
// (up -x), grand along +x (up +z), and a tag drawn as a quad at the end of grand.
const std::vector<std::string> chain_vertices = {
    "0.0000 0.0000 0.0000",   "10.0000 0.0000 0.0000",  "0.0000 2.0000 0.0000",
    "10.0000 10.0000 0.0000", "8.0000 0.0000 0.0000",   "20.0000 10.0000 0.0000",
    "10.0000 10.0000 2.0000", "25.0000 10.0000 0.0000", "20.0000 11.0000 0.0000"};

// A model whose object "bone" holds the chain's vertices and the given marker
// faces, after a mesh object (and the objects `before`).
std::string skeleton(const std::vector<std::string>& markers, const std::vector<std::string>& faces,
                     const std::string& before = "") {
    return mqo_document(material_chunk(materials_with(markers)) +
                        object_chunk("body", {"0 0 0", "1 0 0", "0 1 0"}, {"3 V(0 1 2) M(0)"}) +
                        before + object_chunk("bone", chain_vertices, faces));
}

const std::vector<std::string> chain_faces = {"3 V(0 1 2) M(1)", "3 V(1 3 4) M(2)",
                                              "3 V(6 3 5) M(3)", "4 V(5 7 8 6) M(4)"};
const std::vector<std::string> chain_markers = {"bone:root", "bone:child", "bone:grand",
                                                "tag:hand"};

} // namespace

TEST(BuildBones, ChainOfThreeBonesAndATag) {
    built b;
    build(b, skeleton(chain_markers, chain_faces));
    EXPECT_EQ(b.result, 96 + 796 * 4);
    EXPECT_EQ(get_i32(b.bone, boneobj_header::num_bone), 3);
    EXPECT_EQ(get_i32(b.bone, boneobj_header::ofs_bone), 96);
    EXPECT_EQ(get_i32(b.bone, boneobj_header::num_tag), 1);
    EXPECT_EQ(get_i32(b.bone, boneobj_header::ofs_end), 96 + 796 * 4);

    EXPECT_TRUE(b.printed("build_bones_from_mqo : NumObject[2] NumMaterial[5] OffsetObject[732] "
                          "OffsetMaterial[92]\nbuild_bones_from_mqo : Bone Object[1]\n"
                          "build_bones_from_mqo : Bone[0] Material[1] Name[root]\n"));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Bone[2] Face[2] Origin[3:10.000000 10.000000 "
                          "0.000000] Forward[5:20.000000 10.000000 0.000000] Up[6:10.000000 "
                          "10.000000 2.000000]\n"));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : BONE[0] Name[root] NumBoneTree[0] Tree[]\n"));
    EXPECT_TRUE(
        b.printed("build_bones_from_mqo : BONE[2] Name[grand] NumBoneTree[2] Tree[0 1 ]\n"));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : BONE[0] Name[root] RMW1[1.000000 0.000000 "
                          "0.000000] RMW2[0.000000 1.000000 0.000000] RMW3[0.000000 0.000000 "
                          "1.000000]\n"));
    EXPECT_TRUE(
        b.printed("build_bones_from_mqo : Tag[0] Material[4] Name[hand]\n"
                  "build_bones_from_mqo : Tag[1] found in bone object\n"
                  "build_bones_from_mqo : Tag[0] Face[3] Origin[5] Forward[7] Up[8]\n"
                  "build_bones_from_mqo : Tag[0] Name[hand] NumBoneTree[3] Tree[0 1 2 ]\n"));

    // The root: no parent, no ancestors, relative fields equal to its own.
    EXPECT_EQ(b.i32(0, bone_record::parent), -1);
    EXPECT_EQ(b.f32(0, bone_record::parent_distance), 0.0f);
    EXPECT_EQ(b.i32(0, bone_record::num_bone_tree), 0);
    for (int i = 0; i < bone_max_tree; ++i)
        EXPECT_EQ(b.i32(0, bone_record::tree + 4 * i), 0);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(b.f32(0, bone_record::relative_angles + 4 * i),
                  b.f32(0, bone_record::angles + 4 * i));

    // child: Yaw -pi/2; grand: Roll -pi/2, relative to child's angles and rows.
    EXPECT_EQ(b.i32(1, bone_record::parent), 0);
    EXPECT_EQ(b.f32(1, bone_record::parent_distance), 10.0f);
    EXPECT_EQ(b.f32(1, bone_record::angles + 8), static_cast<float>(-M_PI / 2));
    EXPECT_EQ(b.i32(2, bone_record::origin), 3);
    EXPECT_EQ(b.i32(2, bone_record::face_vertex), 6);
    EXPECT_EQ(b.i32(2, bone_record::tree + 4), 1); // the root first, the parent last
    EXPECT_EQ(b.f32(2, bone_record::angles), static_cast<float>(-M_PI / 2));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(b.f32(2, bone_record::relative_angles + 4 * i),
                  b.f32(2, bone_record::angles + 4 * i) - b.f32(1, bone_record::angles + 4 * i));

    // The tag: kind 1, defined by its quad's first three corners, on grand.
    EXPECT_EQ(b.i32(3, bone_record::kind), 1);
    EXPECT_EQ(b.i32(3, bone_record::face), 3);
    EXPECT_EQ(b.i32(3, bone_record::face_vertex + 8), 8);
    EXPECT_EQ(b.i32(3, bone_record::parent), 2);
    EXPECT_EQ(b.f32(3, bone_record::relative_angles),
              b.f32(3, bone_record::angles) - b.f32(2, bone_record::angles));
}

TEST(BuildBones, OnlyTheObjectNamedExactlyBone) {
    built b;
    const std::string lookalikes =
        object_chunk("bones", {"0 0 0"}, {}) + object_chunk("Bone", {"0 0 0"}, {});
    build(b, skeleton(chain_markers, chain_faces, lookalikes));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Bone Object[3]\n"));
    EXPECT_GT(b.result, 0);
}

TEST(BuildBones, LastTriangleOfAMaterialDefinesTheBone) {
    built b;
    build(b, skeleton({"bone:only", "bone:quad"},
                      {"3 V(0 1 2) M(1)", "4 V(0 1 3 4) M(2)", "3 V(1 3 4) M(1)"}));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Bone[0] Face[0] "));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Bone[0] Face[2] "));
    EXPECT_EQ(b.i32(0, bone_record::face), 2);
    EXPECT_EQ(b.i32(0, bone_record::origin), 1);
    // A bone drawn only as a quad keeps zero face fields: vertex 0 for every
    // role, so its parent search finds itself and it cannot reach the root.
    EXPECT_EQ(b.i32(1, bone_record::face), 0);
    EXPECT_EQ(b.i32(1, bone_record::forward), 0);
    EXPECT_EQ(b.f32(1, bone_record::up_position + 4), 0.0f);
    EXPECT_TRUE(b.printed("who_is_your_parent : BONE[1] Parent chain returns to BONE[1].\n"
                          "build_bones_from_mqo : BONE[1] Name[quad] Cannot reach Root.\n"));
    EXPECT_EQ(b.result, -3);
}

TEST(BuildBones, BoneWithoutAFaceCanBeTheRoot) {
    built b;
    build(b, skeleton({"bone:hip", "bone:leg"}, {"3 V(0 1 2) M(2)"}));
    // Without tags the object ends after the bones.
    EXPECT_EQ(b.result, 96 + 796 * 2);
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Tag[0] found in bone object\n"));
    EXPECT_EQ(get_i32(b.bone, boneobj_header::num_tag), 0);
    EXPECT_EQ(b.i32(1, bone_record::parent), 0);
    // Its zero-length directions give angles 0 and identity rows.
    EXPECT_EQ(b.f32(0, bone_record::angles + 8), 0.0f);
    EXPECT_EQ(b.f32(0, bone_record::rmw3 + 8), 1.0f);
    EXPECT_TRUE(b.printed("build_bones_from_mqo : BONE[0] Name[hip] RMW1[1.000000 0.000000 "
                          "0.000000] RMW2[0.000000 1.000000 0.000000] RMW3[0.000000 0.000000 "
                          "1.000000]\n"));
}

TEST(BuildBones, LinesGiveAlternateOrigins) {
    // b's origin 3 is nobody's forward vertex, but the line 3-1 makes vertex 1,
    // the root's forward vertex, its alternate origin. The line also gives the
    // bone starting at vertex 1 the alternate origin 3.
    built b;
    build(b, skeleton({"bone:root", "bone:a", "bone:b", "tag:t"},
                      {"3 V(0 1 2) M(1)", "3 V(1 3 4) M(2)", "3 V(3 5 6) M(3)", "2 V(3 1)",
                       "3 V(5 7 8) M(4)", "2 V(8 5)"}));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : BONE[1] Alternate Origin[3].\n"
                          "build_bones_from_mqo : BONE[2] Alternate Origin[1].\n"));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Tag[0] Alternate Origin[8].\n"));
    EXPECT_EQ(b.i32(2, bone_record::alternate_origin), 1);
    EXPECT_EQ(b.i32(2, bone_record::parent), 0);
    EXPECT_EQ(b.i32(3, bone_record::alternate_origin), 8);
    EXPECT_GT(b.result, 0);
}

// Each refused model gives its result (-1, or -3 where a bone or tag cannot
// reach the root) and says why.
TEST(BuildBones, Refusals) {
    const struct {
        std::string document;
        std::int32_t root;
        std::size_t bone_size;
        std::int32_t result;
        std::string message;
    } cases[] = {
        {mqo_document(material_chunk(materials_with({"bone:a"})) +
                      object_chunk("bones", {"0 0 0"}, {}) + object_chunk("Bone", {"0 0 0"}, {})),
         0, 1'000'000, -1,
         "build_bones_from_mqo : Bone Object[2]\nbuild_bones_from_mqo : Bone Object Not Found\n"},
        {skeleton(chain_markers, chain_faces), 3, 1'000'000, -1,
         "build_bones_from_mqo : Invalid Root Bone Definition!!\n"},
        {skeleton({}, {"3 V(0 1 2)"}), 0, 1'000'000, -1,
         "build_bones_from_mqo : Invalid Root Bone Definition!!\n"},
        // a and b point at each other's origins (vertices 3 and 5).
        {skeleton({"bone:root", "bone:a", "bone:b"},
                  {"3 V(0 1 2) M(1)", "3 V(3 5 6) M(2)", "3 V(5 3 8) M(3)"}),
         0, 1'000'000, -3,
         "who_is_your_parent : BONE[2] Parent chain returns to BONE[1].\n"
         "build_bones_from_mqo : BONE[1] Name[a] Cannot reach Root.\n"},
        {skeleton({"bone:root", "tag:lost"}, {"3 V(0 1 2) M(1)", "3 V(5 7 8) M(2)"}), 0, 1'000'000,
         -3,
         "who_is_your_parent : BONE[0] No parents found.\n"
         "build_bones_from_mqo : Tag[0] Name[lost] Cannot reach Root.\n"},
        {skeleton({"bone:root"}, {"3 V(0 1 x) M(1)"}), 0, 1'000'000, -1,
         "build_bones_from_mqo : Bone[0] Name[root] Face[0] Vertex[-1] is not a vertex of the "
         "bone object\n"},
        {skeleton({"bone:root", "tag:far"}, {"3 V(0 1 2) M(1)", "4 V(1 2 9 3) M(2)"}), 0, 1'000'000,
         -1,
         "build_bones_from_mqo : Tag[0] Name[far] Face[1] Vertex[9] is not a vertex of the bone "
         "object\n"},
        {skeleton(chain_markers, chain_faces), 0, 96 + 796 * 2, -1,
         "build_bones_from_mqo : Bone[1] Material[2] Name[child]\n"
         "build_bones_from_mqo : Bone object would grow past the bone buffer[1688 bytes]\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        built b;
        build(b, c.document, c.root, c.bone_size);
        EXPECT_EQ(b.result, c.result);
        EXPECT_TRUE(b.printed(c.message)) << b.out;
        EXPECT_FALSE(b.bone.fault);
    }
}
