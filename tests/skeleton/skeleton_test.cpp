// The skeleton builder on small models (the bone a material's triangles define,
// refusals), the parent search on hand-made bone records (first match, broken
// chains, loops, chains too long for the ancestor list), and the roles and
// angles of a marker triangle.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>

#include "base/vector_fields.hpp"
#include "skeleton/orientation.hpp"
#include "skeleton/parent_search.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

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

struct bones {
    work_buffer buffer = make_work_buffer(1'000'000);
    byte_region& region = buffer.region;

    // Bone `index` from vertex `origin` (at (origin, 0, 0)) to vertex `forward`.
    void set(std::int32_t index, std::int32_t origin, std::int32_t forward,
             std::int32_t alternate = -1) {
        const offset_t r = bone_record_at(index);
        put_i32(region, r + bone_record::origin, origin);
        put_i32(region, r + bone_record::forward, forward);
        put_i32(region, r + bone_record::alternate_origin, alternate);
        put_vector3(region, r + bone_record::origin_position, {static_cast<float>(origin), 0, 0});
    }
    void make_root(std::int32_t index) {
        put_i32(region, bone_record_at(index) + bone_record::parent, -1);
    }
    std::int32_t field(std::int32_t index, offset_t at) const {
        return get_i32(region, bone_record_at(index) + at);
    }
};

struct search {
    int result = -1;
    ancestor_list ancestors;
    std::string out;
};

search run(bones& b, std::int32_t num_bones, std::int32_t k) {
    search s;
    s.out = capture_stdout([&] {
        s.result = who_is_your_parent(b.region, num_bones, k, bone_record_at(k), s.ancestors);
    });
    return s;
}

} // namespace

TEST(BuildBones, LastTriangleOfAMaterialDefinesTheBone) {
    mqo_model b(skeleton({"bone:only", "bone:quad"},
                         {"3 V(0 1 2) M(1)", "4 V(0 1 3 4) M(2)", "3 V(1 3 4) M(1)"}));
    const std::int32_t result = b.build_bones(0);
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Bone[0] Face[0] "));
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Bone[0] Face[2] "));
    EXPECT_EQ(b.bone_i32(0, bone_record::face), 2);
    EXPECT_EQ(b.bone_i32(0, bone_record::origin), 1);
    // A bone drawn only as a quad keeps zero face fields: vertex 0 for every
    // role, so its parent search finds itself and it cannot reach the root.
    EXPECT_EQ(b.bone_i32(1, bone_record::face), 0);
    EXPECT_EQ(b.bone_i32(1, bone_record::forward), 0);
    EXPECT_EQ(b.bone_f32(1, bone_record::up_position + 4), 0.0f);
    EXPECT_TRUE(b.printed("who_is_your_parent : BONE[1] Parent chain returns to BONE[1].\n"
                          "build_bones_from_mqo : BONE[1] Name[quad] Cannot reach Root.\n"));
    EXPECT_EQ(result, -3);
}

// Each refused model gives its result (-1, or -3 where a bone or tag cannot
// reach the root) and says why.
TEST(BuildBones, Refusals) {
    const struct {
        std::string document, message;
        std::int32_t result = -1, root = 0;
        std::size_t bone_size = 1'000'000;
    } cases[] = {
        {mqo_document(material_chunk(materials_with({"bone:a"})) +
                      object_chunk("bones", {"0 0 0"}, {}) + object_chunk("Bone", {"0 0 0"}, {})),
         "build_bones_from_mqo : Bone Object[2]\nbuild_bones_from_mqo : Bone Object Not Found\n"},
        {skeleton(chain_markers, chain_faces),
         "build_bones_from_mqo : Invalid Root Bone "
         "Definition!!\n",
         -1, 3},
        {skeleton({}, {"3 V(0 1 2)"}), "build_bones_from_mqo : Invalid Root Bone Definition!!\n"},
        // a and b point at each other's origins (vertices 3 and 5).
        {skeleton({"bone:root", "bone:a", "bone:b"},
                  {"3 V(0 1 2) M(1)", "3 V(3 5 6) M(2)", "3 V(5 3 8) M(3)"}),
         "who_is_your_parent : BONE[2] Parent chain returns to BONE[1].\n"
         "build_bones_from_mqo : BONE[1] Name[a] Cannot reach Root.\n",
         -3},
        {skeleton({"bone:root", "tag:lost"}, {"3 V(0 1 2) M(1)", "3 V(5 7 8) M(2)"}),
         "who_is_your_parent : BONE[0] No parents found.\n"
         "build_bones_from_mqo : Tag[0] Name[lost] Cannot reach Root.\n",
         -3},
        {skeleton({"bone:root"}, {"3 V(0 1 x) M(1)"}),
         "build_bones_from_mqo : Bone[0] Name[root] Face[0] Vertex[-1] is not a vertex of the "
         "bone object\n"},
        {skeleton({"bone:root", "tag:far"}, {"3 V(0 1 2) M(1)", "4 V(1 2 9 3) M(2)"}),
         "build_bones_from_mqo : Tag[0] Name[far] Face[1] Vertex[9] is not a vertex of the bone "
         "object\n"},
        {skeleton(chain_markers, chain_faces),
         "build_bones_from_mqo : Bone[1] Material[2] Name[child]\n"
         "build_bones_from_mqo : Bone object would grow past the bone buffer[1688 bytes]\n",
         -1, 0, 96 + 796 * 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        mqo_model b(c.document);
        EXPECT_EQ(b.build_bones(c.root, c.bone_size), c.result);
        EXPECT_TRUE(b.printed(c.message)) << b.out;
        EXPECT_FALSE(b.bones.region.fault);
    }
}

TEST(WhoIsYourParent, LowestNumberedBoneWinsAndTheChainIsWalked) {
    bones b;
    b.set(0, 0, 1);
    b.make_root(0);
    b.set(1, 1, 2);
    b.set(2, 1, 2);
    b.set(3, 2, 6);
    const search s = run(b, 4, 3);
    EXPECT_EQ(s.result, 1);
    ASSERT_EQ(s.ancestors.count, 2);
    EXPECT_EQ(s.ancestors.bone[0], 1);
    EXPECT_EQ(s.ancestors.bone[1], 0);
    EXPECT_EQ(b.field(3, bone_record::parent), 1);
    EXPECT_EQ(b.field(1, bone_record::parent), 0);
    EXPECT_EQ(get_f32(b.region, bone_record_at(3) + bone_record::parent_distance), 1.0f);
    EXPECT_EQ(get_f32(b.region, bone_record_at(1) + bone_record::parent_distance), 1.0f);
}

TEST(WhoIsYourParent, BrokenChainsAndLoopsEndTheSearch) {
    bones b;
    b.set(0, 0, 1);
    b.make_root(0);
    b.set(1, 5, 6); // 2 hangs from 1, which hangs from nothing
    b.set(2, 6, 7);
    b.set(3, 14, 15); // 3 and 4 point at each other's origins
    b.set(4, 15, 14);
    b.set(5, 17, 18, 18); // its forward vertex is its own alternate origin
    const struct {
        std::int32_t num_bones, k;
        std::string message;
    } cases[] = {
        {6, 2, "who_is_your_parent : BONE[1] No parents found.\n"},
        {6, 1, "who_is_your_parent : BONE[1] No parents found.\n"},
        {0, 1, "who_is_your_parent : BONE[1] No parents found.\n"},
        {6, 3, "who_is_your_parent : BONE[4] Parent chain returns to BONE[3].\n"},
        {6, 5, "who_is_your_parent : BONE[5] Parent chain returns to BONE[5].\n"},
    };
    for (const auto& c : cases) {
        const search s = run(b, c.num_bones, c.k);
        EXPECT_EQ(s.result, 0) << c.message;
        EXPECT_EQ(s.out, c.message);
    }
}

TEST(WhoIsYourParent, AtMost128Ancestors) {
    bones b;
    for (std::int32_t i = 0; i < 130; ++i)
        b.set(i, i, i + 1);
    b.make_root(0);
    const search deepest_allowed = run(b, 130, 128);
    EXPECT_EQ(deepest_allowed.result, 1);
    EXPECT_EQ(deepest_allowed.ancestors.count, 128);
    EXPECT_EQ(deepest_allowed.ancestors.bone[127], 0);
    const search too_deep = run(b, 130, 129);
    EXPECT_EQ(too_deep.result, 0);
    EXPECT_EQ(too_deep.out, "who_is_your_parent : BONE[1] More than 128 ancestors.\n");
}

// The origin is opposite the longest edge, forward along the middle one, up
// closing the shortest, in any corner order; equal edges go to the last rule
// that holds.
TEST(AssignVertexRoles, SameRolesInEveryCornerOrderAndTiesToTheLastRule) {
    const auto roles = [](vertex_roles r) { return std::array<int, 3>{r.origin, r.forward, r.up}; };
    const vector3 corner[3] = {{1, 1, 1}, {11, 1, 1}, {1, 3, 1}};
    std::array<int, 3> order = {0, 1, 2};
    do {
        EXPECT_EQ(roles(assign_vertex_roles(corner[order[0]], corner[order[1]], corner[order[2]],
                                            7 + order[0], 7 + order[1], 7 + order[2])),
                  (std::array<int, 3>{7, 8, 9}));
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(roles(assign_vertex_roles({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 0, 1, 2)),
              (std::array<int, 3>{2, 0, 1})); // equilateral
    EXPECT_EQ(roles(assign_vertex_roles({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0, 1, 2)),
              (std::array<int, 3>{0, 1, 2})); // d01 = d02 < d12
}

// Each pair of directions against the bits of the three angles.
TEST(ExamAngles, AnglesOfForwardAndUp) {
    const auto quarter = static_cast<float>(-M_PI / 2);
    // F = +x and U in the y-z plane with U.y < 0: Roll = asin(-U.z) before the
    // turn, 0.5 here, and 3.14 - 0.5 after it.
    const auto turned =
        static_cast<float>(3.14 - static_cast<float>(std::asin(static_cast<float>(std::sin(0.5)))));
    const vector3 tilted{0, static_cast<float>(-std::cos(0.5)), static_cast<float>(-std::sin(0.5))};
    const auto down = static_cast<float>(-std::asin(1.0)), back = static_cast<float>(-M_PI);
    const struct {
        vector3 forward, up;
        float roll, pitch, yaw;
    } cases[] = {
        {{5, 0, 0}, {0, 2, 0}, 0.0f, -0.0f, 0.0f},
        {{0, 3, 0}, {-1, 0, 0}, -0.0f, -0.0f, quarter}, // asin(C.y) with C.y = -0
        {{1, 0, 0}, {0, 0, 4}, quarter, -0.0f, 0.0f},
        {{1, 0, 0}, tilted, turned, -0.0f, 0.0f},
        // C = (1, 0, 0): Pitch = -asin(1) in float, whose cosine is about -4.37e-8,
        // not 0, so Yaw = atan2(-0, -0) = -pi.
        {{0, 1, 0}, {0, 0, 1}, -0.0f, down, back},
        // Zero-length directions give angles 0; without that these would give Yaw
        // -pi/2, pi and 0.
        {{0, 0, 0}, {-1, 0, 0}, 0.0f, 0.0f, 0.0f},
        {{-2, 0, 0}, {0, 0, 0}, 0.0f, 0.0f, 0.0f},
        {{}, {}, 0.0f, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        bone_angles a;
        const std::string out =
            capture_stdout([&] { a = exam_angles_from_vectors({}, c.forward, c.up); });
        SCOPED_TRACE(out);
        const auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
        EXPECT_EQ(bits(a.roll), bits(c.roll));
        EXPECT_EQ(bits(a.pitch), bits(c.pitch));
        EXPECT_EQ(bits(a.yaw), bits(c.yaw));
        const auto zero = [](const vector3& v) { return v.x == 0 && v.y == 0 && v.z == 0; };
        if (zero(c.forward) || zero(c.up)) {
            EXPECT_NE(out.find("Pitch[0.000000] Yaw[0.000000] Roll[0.000000]"), std::string::npos);
        }
    }
}

// Without an object named exactly "bone", standard error names the objects that
// come close, and only those.
TEST(SkeletonHints, CloseNamesOfTheBoneObject) {
    const std::vector<std::string> triangle = {"0 0 0", "1 0 0", "0 1 0"};
    mqo_model b(
        mqo_document(material_chunk(materials_with({"bone:root"})) +
                     object_chunk("Bone", triangle, {}) + object_chunk("body", triangle, {}) +
                     object_chunk("bones", triangle, {}) + object_chunk("bone:arm", triangle, {})));
    testing::internal::CaptureStderr();
    EXPECT_EQ(b.build_bones(0), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(b.printed("build_bones_from_mqo : Bone Object Not Found\n"));
    EXPECT_NE(err.find("an object named exactly \"bone\""), std::string::npos) << err;
    EXPECT_NE(err.find("objects with a close name: \"Bone\" \"bones\" \"bone:arm\";"),
              std::string::npos)
        << err;
}

// A bone whose origin lies on another bone's forward vertex without being it:
// within 1e-4 the two vertices are named to be welded; farther, nothing is said.
TEST(SkeletonHints, UnweldedOriginNamesBothVertices) {
    for (const float gap : {0.0f, 0.00009f, 0.0002f}) {
        bones b;
        b.set(0, 0, 1);
        b.make_root(0);
        put_vector3(b.region, bone_record_at(0) + bone_record::forward_position, {10, 0, 0});
        b.set(1, 5, 6);
        put_vector3(b.region, bone_record_at(1) + bone_record::origin_position, {10, gap, 0});
        testing::internal::CaptureStderr();
        const search s = run(b, 2, 1);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(s.result, 0);
        EXPECT_EQ(err.find("weld vertices 5 and 1") != std::string::npos, gap < 1e-4f) << err;
    }
}
