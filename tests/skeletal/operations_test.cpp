// The operations on loaded MDMs and MDXs, for what the end-to-end hashes do not
// show: the MDM report, tag and bone replacement, and rescaling in place.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

mdx_desc skeleton(std::vector<bone_desc> bones) {
    return {"skeleton", -1, std::move(bones), {{}}};
}

struct edited {
    placed_file file;
    int result = 0;
    std::string out{};
    std::int32_t i(offset_t at) { return get_i32(file.region(), at); }
    float f(offset_t at) { return get_f32(file.region(), at); }
    float bone(int b, offset_t field) {
        return f(i(mdx_header::ofs_bones) + mds_bone_info::size * b + field);
    }
};

edited replace_tags(const mdm_desc& target, const placed_file& reference) {
    edited e{place_mdm(build_mdm(target))};
    e.out = capture_stdout(
        [&] { e.result = replace_mdm_tags(reference.buffer.region, e.file.region()); });
    return e;
}

edited replace_bones(const mdx_desc& target, const mdx_desc& reference) {
    edited e{place_mdx(build_mdx(target))};
    placed_file ref = place_mdx(build_mdx(reference));
    e.out = capture_stdout([&] { e.result = replace_mdx_bones(e.file.region(), ref.region()); });
    return e;
}

edited rescaled(placed_file file, int (*rescale)(byte_region&, std::int32_t),
                std::int32_t percent) {
    edited e{std::move(file)};
    e.out = capture_stdout([&] { e.result = rescale(e.file.region(), percent); });
    EXPECT_EQ(e.result, 1);
    return e;
}

// The first weight offset of the first vertex of the first surface.
constexpr offset_t weight_offset = 100 + 176 + 24 + skin_weight::offset;

} // namespace

TEST(PrintMdmReport, EndingsAndUnterminatedNames) {
    const auto report = [](bytes file) {
        return capture_stdout([&] { EXPECT_EQ(print_mdm_report(region_of(file)), 1); });
    };
    mdm_desc m = reference_mdm_desc();
    m.tags = {{"t", {}, 5, {}, {0, 1, 5}}};
    EXPECT_TRUE(report(build_mdm(m)).ends_with("Bone List\t\t\t\t: 0 1 5 \n"));
    m.tags.clear();
    EXPECT_TRUE(report(build_mdm(m)).ends_with("Offset to NextSurface\t\t:228\n"));
    // A name without its NUL ends with its 64-byte field.
    bytes file = build_mdm(reference_mdm_desc());
    std::fill_n(file.begin() + mdm_header::name, 64, 'A');
    EXPECT_NE(report(file).find("MDM Name\t\t\t\t\t:" + std::string(64, 'A') + "\n"),
              std::string::npos);
}

// The reference's whole tag block replaces the target's, whatever either holds;
// a tagless MDM (as built from a mesh) has its tags offset at its end.
TEST(ReplaceMdmTags, TakesTheWholeTagBlock) {
    const placed_file ref = place_mdm(build_mdm(reference_mdm_desc()));
    mdm_desc target = reference_mdm_desc();
    target.tags = {{"a", {}, 0, {}, {0}}, {"b", {}, 1, {}, {0, 1}}};
    edited e = replace_tags(target, ref);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.out, "\nMDM tag total replacement...Done.\n");
    EXPECT_EQ(e.i(mdm_header::ofs_tags), 328); // unchanged
    EXPECT_EQ(e.i(mdm_header::num_tags), 3);
    EXPECT_EQ(e.i(mdm_header::ofs_end), 752);
    EXPECT_EQ(std::memcmp(e.file.region().data + 328, ref.buffer.region.data + 328, 752 - 328), 0);
    target.tags.clear();
    EXPECT_EQ(replace_tags(target, ref).i(mdm_header::ofs_end), 752);
    edited emptied = replace_tags(reference_mdm_desc(), place_mdm(build_mdm(target)));
    EXPECT_EQ(emptied.i(mdm_header::num_tags), 0);
    EXPECT_EQ(emptied.i(mdm_header::ofs_end), 328);
}

TEST(ReplaceMdmTags, ResultBeyondTheBufferIsRefused) {
    // 436 bytes of tags do not fit after 999,700.
    edited e{
        place_mdm(patched(build_mdm(reference_mdm_desc()), {{mdm_header::ofs_tags, 999'700}}))};
    const placed_file ref = place_mdm(build_mdm(reference_mdm_desc()));
    e.out =
        capture_stdout([&] { e.result = replace_mdm_tags(ref.buffer.region, e.file.region()); });
    EXPECT_EQ(e.result, -1);
    EXPECT_EQ(e.out, "\nMDM tag total replacement...ERROR:The replaced tags would not fit the "
                     "MDM buffer.\n");
    EXPECT_EQ(e.i(mdm_header::num_tags), 3); // untouched
}

TEST(ReplaceMdxBones, ANameTwiceInTheReferenceHitsTheFirstTargetTwice) {
    edited e = replace_bones(skeleton({{"a", -1, 0, 1, 0}, {"a", 0, 0, 2, 0}}),
                             skeleton({{"a", -1, 0.1f, 10, 0}, {"a", -1, 0.2f, 20, 0}}));
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.out, "a\na\n");
    EXPECT_EQ(e.bone(0, mds_bone_info::parent_dist), 20.0f);
    EXPECT_EQ(e.bone(1, mds_bone_info::parent_dist), 2.0f);
}

TEST(ReplaceMdxBones, Refusals) {
    const mdx_desc target = skeleton({{"a", -1, 0, 1, 0}, {"b", 0, 0, 2, 0}});
    edited count = replace_bones(target, skeleton({{"a", -1, 0, 5, 0}}));
    EXPECT_EQ(count.result, -1);
    EXPECT_EQ(count.out, "ERROR: Number of bones not same.\n");
    EXPECT_EQ(count.bone(0, mds_bone_info::parent_dist), 1.0f);
    // Names compare exactly: "B" is not "b", "a" is not "ab". The match already made stays.
    edited missing = replace_bones(target, skeleton({{"a", -1, 0, 5, 0}, {"B", -1, 0, 6, 0}}));
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.out, "a\nERROR: Insufficient number of replaced bones.\n");
    EXPECT_EQ(missing.bone(0, mds_bone_info::parent_dist), 5.0f);
    EXPECT_EQ(replace_bones(skeleton({{"ab", -1, 0, 1, 0}}), skeleton({{"a", -1, 0, 5, 0}})).result,
              -1);
}

TEST(ReplaceMdxBones, ManyBonesStayQuick) {
    // 40,000 bones in opposite orders: a search per bone would compare 1.6e9
    // names; matching goes through one table of the target's names.
    std::vector<bone_desc> forward, backward;
    for (int b = 0; b < 40000; ++b) {
        forward.push_back({"bone" + std::to_string(b), -1, 0, 1, 0});
        backward.push_back({"bone" + std::to_string(39999 - b), -1, 0, 7, 0});
    }
    edited e = replace_bones(skeleton(forward), skeleton(backward));
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.bone(0, mds_bone_info::parent_dist), 7.0f);
    EXPECT_EQ(e.bone(39999, mds_bone_info::parent_dist), 7.0f);
}

// Factors of zero and below keep the signs of zero a product gives; a factor
// inexact in float32 scales by f32(percent / 100.0).
TEST(Rescale, ZeroNegativeAndInexactFactors) {
    mdm_desc m = reference_mdm_desc();
    m.surfaces[0].vertices[0].weights[0].offset = {2, -4, 0};
    edited zero = rescaled(place_mdm(build_mdm(m)), rescale_mdm, 0);
    EXPECT_FALSE(std::signbit(zero.f(weight_offset)));
    EXPECT_TRUE(std::signbit(zero.f(weight_offset + 4))); // -4 * 0 is -0
    edited mirrored = rescaled(place_mdm(build_mdm(m)), rescale_mdm, -100);
    EXPECT_EQ(mirrored.f(weight_offset), -2.0f);
    EXPECT_EQ(mirrored.f(weight_offset + 4), 4.0f);
    EXPECT_TRUE(std::signbit(mirrored.f(weight_offset + 8)));
    EXPECT_EQ(rescaled(place_mdm(build_mdm(m)), rescale_mdm, 33).f(weight_offset),
              static_cast<float>(2.0 * static_cast<float>(0.33)));

    mdx_desc x = reference_mdx_desc();
    x.frames[0].header = {-1, -2, -3, 1, 2, 3, 0.5f, 0, -0.5f, 7, 1, 0, -1};
    edited zero_x = rescaled(place_mdx(build_mdx(x)), rescale_mdx, 0);
    EXPECT_TRUE(std::signbit(zero_x.f(96)));
    EXPECT_FALSE(std::signbit(zero_x.f(96 + 12)));
    edited negative = rescaled(place_mdx(build_mdx(x)), rescale_mdx, -50);
    EXPECT_EQ(negative.f(96 + 12), -0.5f);
    EXPECT_EQ(negative.bone(0, mds_bone_info::parent_dist), -3.5f);
    EXPECT_EQ(negative.bone(0, mds_bone_info::torso_weight), 0.5f); // not a length
}
