// The skeleton of a rigged model: the roles of a bone triangle's corners, the
// names its material gives, the links by shared vertices and by lines, the
// numbering and the added root; and both shared rigged characters, whose
// expected figures come from reading the files by hand.
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "mqo/load_mqo.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/build_bones.hpp"
#include "skeleton/rig_bones.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_model.hpp"
#include "support/scratch.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// A bone triangle with its head, tip and up positions given in that order, its
// corners listed in `order`; vertex numbers are `first`, `first` + 1, + 2 in role
// order.
rig_face bone_face(std::int32_t face, std::int32_t material, std::array<vector3, 3> role_position,
                   std::array<std::int32_t, 3> vertex, std::array<int, 3> order = {0, 1, 2}) {
    rig_face f;
    f.face = face;
    f.material = material;
    for (std::size_t k = 0; k < 3; ++k) {
        const auto r = static_cast<std::size_t>(order[k]);
        f.vertex[k] = vertex[r];
        f.position[k] = role_position[r];
    }
    return f;
}

rig_face line_face(std::int32_t face, std::int32_t a, std::int32_t b) {
    rig_face f;
    f.face = face;
    f.corners = 2;
    f.vertex = {a, b, 0};
    return f;
}

// A long bone from `head` along +y by `length`, its up vertex a third of it
// along +z (far from a near tie of edge lengths).
std::array<vector3, 3> along_y(vector3 head, float length = 10.0f) {
    return {head, vector3{head.x, head.y + length, head.z},
            vector3{head.x, head.y, head.z + length / 3}};
}

std::vector<rig_bone> build(const std::vector<rig_face>& faces,
                            const std::vector<std::string>& materials) {
    testing::internal::CaptureStderr();
    auto bones = build_rig_bones(faces, materials);
    testing::internal::GetCapturedStderr();
    return bones;
}

const rig_bone* named(const std::vector<rig_bone>& bones, const std::string& name) {
    for (const rig_bone& b : bones)
        if (b.name == name) return &b;
    return nullptr;
}

std::string parent_name(const std::vector<rig_bone>& bones, const std::string& name) {
    const rig_bone* b = named(bones, name);
    if (b == nullptr) return "(missing)";
    return b->parent < 0 ? "-" : bones[static_cast<std::size_t>(b->parent)].name;
}

// The whole line of `text` that begins with `start`, or "".
std::string trace_line(const std::string& text, const std::string& start) {
    const std::size_t at = text.find("\n" + start);
    if (at == std::string::npos) return "";
    return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

} // namespace

TEST(RigRoles, HeadTipAndUpDoNotDependOnCornerOrder) {
    const std::array<vector3, 3> roles = along_y({1, 2, 3});
    const std::array<std::array<int, 3>, 6> orders = {
        {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}}};
    for (const auto& order : orders) {
        const rig_face f = bone_face(0, 0, roles, {10, 11, 12}, order);
        const rig_roles r = rig_corner_roles(f.position, f.vertex);
        EXPECT_EQ(f.vertex[static_cast<std::size_t>(r.head)], 10);
        EXPECT_EQ(f.vertex[static_cast<std::size_t>(r.tip)], 11);
        EXPECT_EQ(f.vertex[static_cast<std::size_t>(r.up)], 12);
        EXPECT_FALSE(r.near_tie);
    }
}

TEST(RigRoles, EqualEdgesGoByVertexNumberAndNearTiesAreFlagged) {
    // Two equal edges: the one opposite the lower vertex number counts as the
    // longer.
    const std::array<vector3, 3> p = {vector3{0, 0, 0}, vector3{4, 0, 0}, vector3{2, 3, 0}};
    const rig_roles r = rig_corner_roles(p, {7, 3, 5});
    EXPECT_EQ(r.head, 2); // opposite the longest edge, 4
    EXPECT_EQ(r.up, 1);   // vertex 3: its opposite edge is the second
    EXPECT_EQ(r.tip, 0);
    EXPECT_TRUE(r.near_tie);
    const rig_roles swapped = rig_corner_roles(p, {3, 7, 5});
    EXPECT_EQ(swapped.up, 0);
    EXPECT_EQ(swapped.tip, 1);
    // Two long edges 0.5 % apart.
    const rig_roles n =
        rig_corner_roles({vector3{0, 0, 0}, vector3{0, 100, 0}, vector3{1, 0.5f, 0}}, {0, 1, 2});
    EXPECT_TRUE(n.near_tie);
}

TEST(RigNames, SingleMirrorPairAndNumberedMaterials) {
    const std::vector<std::string> materials = {"Spine", "Arm[]", "Finger", "Odd[]"};
    std::vector<rig_face> faces = {
        bone_face(0, 0, along_y({0, 0, 0}), {0, 1, 2}),
        bone_face(1, 1, along_y({-5, 10, 0}), {3, 4, 5}), // x < 0: right
        bone_face(2, 1, along_y({5, 10, 0}), {6, 7, 8}),  // x > 0: left
        bone_face(3, 2, along_y({9, 20, 0}), {9, 10, 11}),
        bone_face(4, 2, along_y({19, 20, 0}), {12, 13, 14}),
        bone_face(5, 2, along_y({29, 20, 0}), {15, 16, 17}),
        bone_face(6, 3, along_y({40, 0, 0}), {18, 19, 20}), // a pair on one side: numbered
        bone_face(7, 3, along_y({50, 0, 0}), {21, 22, 23}),
        bone_face(8, -1, along_y({60, 0, 0}), {24, 25, 26}),
    };
    const std::vector<rig_bone> bones = build(faces, materials);
    std::vector<std::string> names;
    for (const rig_bone& b : bones)
        names.push_back(b.name);
    std::sort(names.begin(), names.end());
    const std::vector<std::string> expected = {"Arm[L]",   "Arm[R]", "Finger",  "Finger01",
                                               "Finger02", "Odd[]",  "Odd[]01", "Spine",
                                               "bone",     "root"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(named(bones, "Arm[L]")->face, 2);
    EXPECT_EQ(named(bones, "Finger01")->face, 4);
}

TEST(RigLinks, SharedVerticesLinesSiblingsAndTheAddedRoot) {
    const std::vector<std::string> materials = {"spine", "neck", "arm", "hand", "leg", "tail"};
    const std::vector<rig_face> faces = {
        bone_face(0, 0, along_y({0, 0, 0}), {0, 1, 2}),
        bone_face(1, 1, along_y({0, 10, 0}, 3), {1, 3, 4}), // head on the spine's tip
        // Off the spine's tip through two lines (1 - 20 - 21): floating.
        bone_face(2, 2, along_y({5, 10, 0}, 5), {21, 5, 6}),
        line_face(3, 1, 20),
        line_face(4, 20, 21),
        bone_face(5, 3, along_y({5, 15, 0}, 2), {5, 7, 8}),
        // Shares the spine's head (0, nobody's tip): a second root.
        bone_face(6, 4, {vector3{0, 0, 0}, vector3{0, -9, 0}, vector3{0, 0, 3}}, {0, 9, 12}),
        line_face(7, 0, 1),   // from the spine's head to its tip: both ends on one triangle
        line_face(8, 30, 31), // joins nothing
        // A loop: "tail" hangs off "hand"'s tip, "hand" is not on it; fine.
        bone_face(9, 5, along_y({5, 17, 0}, 2), {7, 10, 11}),
    };
    testing::internal::CaptureStderr();
    const std::vector<rig_bone> bones = build_rig_bones(faces, materials);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("line face 7 has both ends on one bone triangle: ignored"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("line face 8 links no bone's head"), std::string::npos) << err;

    ASSERT_EQ(bones.size(), 7u);
    // Depth-first from the added root, children in face order.
    const std::vector<std::string> order = {"root", "spine", "neck", "arm", "hand", "tail", "leg"};
    for (std::size_t b = 0; b < order.size(); ++b)
        EXPECT_EQ(bones[b].name, order[b]) << b;
    EXPECT_EQ(parent_name(bones, "root"), "-");
    EXPECT_EQ(parent_name(bones, "spine"), "root");
    EXPECT_EQ(parent_name(bones, "leg"), "root");
    EXPECT_EQ(parent_name(bones, "neck"), "spine");
    EXPECT_EQ(parent_name(bones, "arm"), "spine");
    EXPECT_TRUE(named(bones, "arm")->floating);
    EXPECT_FALSE(named(bones, "neck")->floating);
    EXPECT_EQ(parent_name(bones, "hand"), "arm");
    EXPECT_EQ(parent_name(bones, "tail"), "hand");
    // Every parent comes before its children.
    for (std::size_t b = 0; b < bones.size(); ++b)
        EXPECT_LT(bones[b].parent, static_cast<std::int32_t>(b));
    const rig_bone& root = bones[0];
    EXPECT_EQ(root.face, -1);
    EXPECT_EQ(root.head_position.x, 0.0f);
    EXPECT_EQ(root.head_position.y, 0.0f);
}

TEST(RigLinks, ASingleRootGetsNoAddedBoneAndLoopsAreCut) {
    const std::vector<std::string> materials = {"a", "b"};
    // a's tip is b's head and b's tip is a's head: a loop of two.
    const std::vector<rig_face> loop = {
        bone_face(0, 0, {vector3{0, 0, 0}, vector3{0, 10, 0}, vector3{0, 0, 1}}, {0, 1, 2}),
        bone_face(1, 1, {vector3{0, 10, 0}, vector3{0, 0, 0}, vector3{0, 10, 1}}, {1, 0, 3}),
    };
    testing::internal::CaptureStderr();
    const std::vector<rig_bone> bones = build_rig_bones(loop, materials);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("run in a loop"), std::string::npos);
    ASSERT_EQ(bones.size(), 2u);
    EXPECT_EQ(bones[0].name, "a");
    EXPECT_EQ(bones[0].parent, -1);
    EXPECT_EQ(bones[1].parent, 0);
}

// Both shared characters. The figures were worked out from the files by hand
// (edge lengths of each bone triangle, the lines of the bone object, the
// materials), not taken from the tool.
struct rig_case {
    const char* file;
    std::vector<std::array<const char*, 3>> bones; // name, parent, "f" when floating
};

TEST(RigCharacters, SkeletonsOfTheSharedCharacters) {
    const rig_case cases[] = {
        {"tests/mqo/data/wild_dsan_bones.mqo",
         {{"root", "-", ""},
          {"BodyButtom", "root", ""},
          {"LegA[L]", "BodyButtom", "f"},
          {"LegB[L]", "LegA[L]", ""},
          {"LegC[L]", "LegB[L]", ""},
          {"LegA[R]", "BodyButtom", "f"},
          {"LegB[R]", "LegA[R]", ""},
          {"LegC[R]", "LegB[R]", ""},
          {"BodyTop", "root", ""},
          {"ArmA[L]", "BodyTop", "f"},
          {"ArmB[L]", "ArmA[L]", ""},
          {"ArmA[R]", "BodyTop", "f"},
          {"ArmB[R]", "ArmA[R]", ""}}},
        // One material for five bones: numbered names, and no triangle's head
        // is another's tip, so all five hang from the added root.
        {"tests/mqo/data/d-chan2_anchors_mirror.mqo",
         {{"root", "-", ""},
          {"material1", "root", ""},
          {"material101", "root", ""},
          {"material102", "root", ""},
          {"material103", "root", ""},
          {"material104", "root", ""}}},
    };
    for (const rig_case& c : cases) {
        SCOPED_TRACE(c.file);
        testing::internal::CaptureStderr();
        mqo_model m(read_file(source_path(c.file)), mqo_options{true, true});
        m.bones = make_work_buffer(1 << 20);
        std::int32_t size = 0;
        m.out = capture_stdout([&] { size = build_bones_from_rig(m.mqo.region, m.bones.region); });
        testing::internal::GetCapturedStderr();
        ASSERT_GT(size, 0) << m.out;
        const byte_region& r = m.bones.region;
        ASSERT_EQ(get_i32(r, boneobj_header::num_bone), static_cast<std::int32_t>(c.bones.size()));
        EXPECT_EQ(get_i32(r, boneobj_header::num_tag), 0);
        for (std::size_t b = 0; b < c.bones.size(); ++b) {
            const offset_t record = bone_record_at(static_cast<offset_t>(b));
            EXPECT_EQ(bone_record_name(r, record), c.bones[b][0]);
            const std::int32_t parent = get_i32(r, record + bone_record::parent);
            EXPECT_EQ(parent < 0 ? "-" : bone_record_name(r, bone_record_at(parent)), c.bones[b][1])
                << c.bones[b][0];
            const std::string line =
                trace_line(m.out, "build_bones_from_rig : Bone[" + std::to_string(b) + "] Name[" +
                                      c.bones[b][0] + "]");
            EXPECT_EQ(line.ends_with(" Floating"), std::string(c.bones[b][2]) == "f") << line;
            // The tree lists the ancestors root first.
            const std::int32_t depth = get_i32(r, record + bone_record::num_bone_tree);
            if (parent >= 0) {
                EXPECT_EQ(get_i32(r, record + bone_record::tree + 4 * (depth - 1)), parent);
            }
        }
    }
}
