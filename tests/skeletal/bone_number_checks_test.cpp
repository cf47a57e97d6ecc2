// The warnings where bone numbers cannot fit: tags on bones the mesh never
// uses (mode 4), and an MDM posed by an MDX that lacks some of its bones
// (mode 10).
#include <gtest/gtest.h>
#include <string>

#include "skeletal/bone_number_checks.hpp"
#include "support/skeletal_builder.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// One surface of one vertex weighted on `bone`, listing `refs`.
mdm_desc mesh_on(std::int32_t bone, std::vector<std::int32_t> refs) {
    mdm_desc d;
    surface_desc s;
    s.name = "body";
    s.vertices.push_back({{0, 0, 1}, {0, 0}, {{bone, 1.0f, {0, 0, 0}}}});
    s.collapse_map = {0};
    s.bone_refs = std::move(refs);
    d.surfaces.push_back(s);
    return d;
}

} // namespace

TEST(BoneNumberChecks, TagsOnBonesTheMeshDoesNotUse) {
    mdm_desc d = mesh_on(2, {0, 1, 2});
    d.tags.push_back({"tag_used", {1, 0, 0, 0, 1, 0, 0, 0, 1}, 1, {0, 0, 0}, {0, 1}});
    d.tags.push_back({"tag_far", {1, 0, 0, 0, 1, 0, 0, 0, 1}, 40, {0, 0, 0}, {0, 40}});
    bytes mdm = build_mdm(d);
    testing::internal::CaptureStderr();
    EXPECT_EQ(warn_tags_on_unused_bones(region_of(mdm)), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("tag \"tag_far\" hangs on bone 40"), std::string::npos) << err;
    EXPECT_EQ(err.find("tag_used"), std::string::npos);
}

TEST(BoneNumberChecks, MeshBonesTheMdxLacks) {
    mdx_desc skeleton;
    skeleton.bones = {{"root", -1}, {"spine", 0, 0, 4}, {"head", 1, 0, 3}};
    skeleton.frames.resize(1);
    bytes mdx = build_mdx(skeleton);
    bytes fits = build_mdm(mesh_on(2, {0, 1, 2}));
    bytes weighted_beyond = build_mdm(mesh_on(7, {0}));
    bytes listed_beyond = build_mdm(mesh_on(1, {0, 1, 52}));
    testing::internal::CaptureStderr();
    EXPECT_EQ(warn_bones_beyond_mdx(region_of(fits), region_of(mdx)), 0);
    EXPECT_EQ(warn_bones_beyond_mdx(region_of(weighted_beyond), region_of(mdx)), 1);
    EXPECT_EQ(warn_bones_beyond_mdx(region_of(listed_beyond), region_of(mdx)), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("names bone 7"), std::string::npos) << err;
    EXPECT_NE(err.find("names bone 52"), std::string::npos) << err;
    EXPECT_NE(err.find("bones 0 to 2"), std::string::npos) << err;
}
