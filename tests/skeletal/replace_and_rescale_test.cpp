// Tag replacement between MDMs, bone replacement between MDXs, and rescaling
// both in place.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

tag_desc tag(const std::string& name, std::vector<std::int32_t> refs) {
    return {name, {1, 0, 0, 0, 1, 0, 0, 0, 1}, 0, {1, 2, 3}, std::move(refs)};
}

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

template <typename desc_t>
edited rescaled(bytes (*build)(const desc_t&), placed_file (*place)(const bytes&),
                int (*rescale)(byte_region&, std::int32_t), const desc_t& desc,
                std::int32_t percent) {
    edited e{place(build(desc))};
    e.out = capture_stdout([&] { e.result = rescale(e.file.region(), percent); });
    EXPECT_EQ(e.result, 1);
    return e;
}

edited mdm_rescaled(const mdm_desc& desc, std::int32_t percent) {
    return rescaled(build_mdm, place_mdm, rescale_mdm, desc, percent);
}

edited mdx_rescaled(const mdx_desc& desc, std::int32_t percent) {
    return rescaled(build_mdx, place_mdx, rescale_mdx, desc, percent);
}

// The first weight offset of the first vertex of the first surface.
constexpr offset_t weight_offset = 100 + 176 + 24 + skin_weight::offset;

} // namespace

TEST(ReplaceMdmTags, TakesTheWholeTagBlock) {
    mdm_desc target = reference_mdm_desc();
    target.tags = {tag("a", {0}), tag("b", {0, 1})};
    mdm_desc reference;
    reference.tags = {tag("r0", {0}), tag("r1", {0, 1}), tag("r2", {}), tag("r3", {4, 5, 6}),
                      tag("r4", {7})};
    const placed_file ref = place_mdm(build_mdm(reference));
    edited e = replace_tags(target, ref);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.out, "\nMDM tag total replacement...Done.\n");
    const std::int32_t block = get_i32(ref.buffer.region, mdm_header::ofs_end) - 100;
    EXPECT_EQ(e.i(mdm_header::ofs_tags), 328); // unchanged
    EXPECT_EQ(e.i(mdm_header::num_tags), 5);
    EXPECT_EQ(e.i(mdm_header::ofs_end), 328 + block);
    EXPECT_EQ(std::memcmp(e.file.region().data + 328, ref.buffer.region.data + 100,
                          static_cast<std::size_t>(block)),
              0);

    // Tagless targets (as built from a mesh: tags offset equal to end offset) and references.
    mdm_desc bare = reference_mdm_desc();
    bare.tags.clear();
    edited gained = replace_tags(bare, place_mdm(build_mdm(reference_mdm_desc())));
    EXPECT_EQ(gained.i(mdm_header::num_tags), 3);
    EXPECT_EQ(gained.i(mdm_header::ofs_end), 752);
    edited emptied = replace_tags(reference_mdm_desc(), place_mdm(build_mdm(bare)));
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

TEST(ReplaceMdxBones, MatchesByNameInAnyOrder) {
    edited e = replace_bones(
        skeleton({{"a", -1, 0, 1, 0}, {"b", 0, 0, 2, 0}, {"c", 1, 0, 3, 0}}),
        skeleton({{"c", -1, 0.5f, 30, 0}, {"a", -1, 0.25f, 10, 0}, {"b", -1, 0.75f, 20, 0}}));
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.out, "c\na\nb\n");
    EXPECT_EQ(e.bone(0, mds_bone_info::parent_dist), 10.0f);
    EXPECT_EQ(e.bone(0, mds_bone_info::torso_weight), 0.25f);
    EXPECT_EQ(e.bone(2, mds_bone_info::parent_dist), 30.0f);
    EXPECT_EQ(e.i(e.i(mdx_header::ofs_bones) + 80 * 2 + mds_bone_info::parent), 1); // the target's
    // A name given twice in the reference hits the first target bone of that name twice.
    edited twice = replace_bones(skeleton({{"a", -1, 0, 1, 0}, {"a", 0, 0, 2, 0}}),
                                 skeleton({{"a", -1, 0.1f, 10, 0}, {"a", -1, 0.2f, 20, 0}}));
    EXPECT_EQ(twice.result, 1);
    EXPECT_EQ(twice.out, "a\na\n");
    EXPECT_EQ(twice.bone(0, mds_bone_info::parent_dist), 20.0f);
    EXPECT_EQ(twice.bone(1, mds_bone_info::parent_dist), 2.0f);
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

TEST(RescaleMdm, ScalesWeightAndTagOffsetsOnly) {
    mdm_desc m = reference_mdm_desc();
    const bytes before = build_mdm(m);
    edited same = mdm_rescaled(m, 100);
    EXPECT_EQ(std::memcmp(before.data(), same.file.region().data, before.size()), 0);
    EXPECT_EQ(same.out, "1\n0:0:1\n");

    m.surfaces[0].vertices[0].weights[0].offset = {2, -4, 0.5f};
    edited half = mdm_rescaled(m, 50);
    EXPECT_EQ(half.f(weight_offset), 1.0f);
    EXPECT_EQ(half.f(weight_offset + 4), -2.0f);
    EXPECT_EQ(half.f(weight_offset + 8), 0.25f);
    EXPECT_EQ(half.f(weight_offset - 4), 1.0f); // the weight itself is untouched
    const offset_t tag = half.i(mdm_header::ofs_tags);
    EXPECT_EQ(half.f(tag + mdm_tag::offset + 8), 3.0f);
    EXPECT_EQ(half.f(tag + mdm_tag::axis + 4), 1.0f); // the axis is untouched
    EXPECT_EQ(half.f(tag + half.i(tag + mdm_tag::ofs_end) + mdm_tag::offset), 1.0f); // 2 * 0.5

    // Zero and negative factors keep the signs of zero a product gives.
    m.surfaces[0].vertices[0].weights[0].offset = {2, -4, 0};
    edited zero = mdm_rescaled(m, 0);
    EXPECT_FALSE(std::signbit(zero.f(weight_offset)));
    EXPECT_TRUE(std::signbit(zero.f(weight_offset + 4))); // -4 * 0 is -0
    edited mirrored = mdm_rescaled(m, -100);
    EXPECT_EQ(mirrored.f(weight_offset), -2.0f);
    EXPECT_EQ(mirrored.f(weight_offset + 4), 4.0f);
    EXPECT_TRUE(std::signbit(mirrored.f(weight_offset + 8)));
    // A factor that is not exact in float32: f32(value * f32(percent / 100.0)).
    EXPECT_EQ(mdm_rescaled(m, 33).f(weight_offset),
              static_cast<float>(2.0 * static_cast<float>(0.33)));
}

TEST(RescaleMdm, ProgressLineCountsWeightsOfEarlierSurfaces) {
    surface_desc ten;
    for (int v = 0; v < 10; ++v)
        ten.vertices.push_back({{}, {}, {{0, 0.5f, {1, 1, 1}}, {1, 0.5f, {}}}});
    ten.collapse_map.assign(10, 0);
    surface_desc three = ten;
    three.vertices.resize(3);
    three.collapse_map.resize(3);
    EXPECT_EQ(mdm_rescaled({"mesh", 1, 0, {ten, three}, {}}, 200).out, "2\n0:0:10\n1:20:3\n");
}

TEST(RescaleMdx, ScalesFrameHeadersAndParentDistances) {
    mdx_desc x = reference_mdx_desc();
    x.frames[0].header = {-1, -2, -3, 1, 2, 3, 0.5f, 0, -0.5f, 7, 1, 0, -1};
    x.frames.push_back(x.frames[0]);
    const bytes before = build_mdx(x);
    EXPECT_EQ(std::memcmp(before.data(), mdx_rescaled(x, 100).file.region().data, before.size()),
              0);
    edited twice = mdx_rescaled(x, 200);
    EXPECT_EQ(twice.out, "");
    EXPECT_EQ(twice.f(96), -2.0f);
    EXPECT_EQ(twice.f(96 + 36), 14.0f);               // radius
    EXPECT_EQ(twice.f(96 + 52 + 12 * 5 + 48), -2.0f); // the second frame
    EXPECT_EQ(twice.bone(0, mds_bone_info::parent_dist), 14.0f);
    EXPECT_EQ(twice.bone(0, mds_bone_info::torso_weight), 0.5f);
    edited zero = mdx_rescaled(x, 0);
    EXPECT_TRUE(std::signbit(zero.f(96)));
    EXPECT_FALSE(std::signbit(zero.f(96 + 12)));
    edited negative = mdx_rescaled(x, -50);
    EXPECT_EQ(negative.f(96 + 12), -0.5f);
    EXPECT_EQ(negative.bone(0, mds_bone_info::parent_dist), -3.5f);
}
