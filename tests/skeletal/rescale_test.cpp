// Rescaling MDM and MDX files in place.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

#include "skeletal/skeletal_layout.hpp"
#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

struct rescaled {
    bytes before;
    placed_file file;
    std::string out;
    byte_region& r() { return file.region(); }
    float f(offset_t at) { return get_f32(file.region(), at); }
    bool unchanged() { return std::memcmp(before.data(), file.region().data, before.size()) == 0; }
};

// Builds a file, places it in a work buffer and rescales it there.
template <typename desc_t>
rescaled scaled(bytes (*build)(const desc_t&), placed_file (*place)(const bytes&),
                int (*rescale)(byte_region&, std::int32_t), const desc_t& desc,
                std::int32_t percent) {
    rescaled s;
    s.before = build(desc);
    s.file = place(s.before);
    s.out = capture_stdout([&] { EXPECT_EQ(rescale(s.file.region(), percent), 1); });
    return s;
}

rescaled mdm_scaled(const mdm_desc& desc, std::int32_t percent) {
    return scaled(build_mdm, place_mdm, rescale_mdm, desc, percent);
}

rescaled mdx_scaled(const mdx_desc& desc, std::int32_t percent) {
    return scaled(build_mdx, place_mdx, rescale_mdx, desc, percent);
}

mdx_desc framed() {
    mdx_desc x = reference_mdx_desc();
    x.frames[0].header = {-1, -2, -3, 1, 2, 3, 0.5f, 0, -0.5f, 7, 1, 0, -1};
    x.frames.push_back(x.frames[0]);
    return x;
}

// First weight offset of the first vertex of the first surface, and the first
// tag's offset.
constexpr offset_t weight_offset = 100 + 176 + 24 + skin_weight::offset;

} // namespace

TEST(RescaleMdm, HundredKeepsEveryByte) {
    rescaled s = mdm_scaled(reference_mdm_desc(), 100);
    EXPECT_TRUE(s.unchanged());
    EXPECT_EQ(s.out, "1\n0:0:1\n");
}

TEST(RescaleMdm, ScalesWeightAndTagOffsetsOnly) {
    mdm_desc m = reference_mdm_desc();
    m.surfaces[0].vertices[0].weights[0].offset = {2, -4, 0.5f};
    rescaled s = mdm_scaled(m, 50);
    EXPECT_EQ(s.f(weight_offset), 1.0f);
    EXPECT_EQ(s.f(weight_offset + 4), -2.0f);
    EXPECT_EQ(s.f(weight_offset + 8), 0.25f);
    const offset_t tag = get_i32(s.r(), mdm_header::ofs_tags);
    EXPECT_EQ(s.f(tag + mdm_tag::offset + 8), 3.0f);
    EXPECT_EQ(s.f(tag + mdm_tag::axis + 4), 1.0f); // axis untouched
    EXPECT_EQ(s.f(weight_offset - 4), 1.0f);       // weight untouched
    // Other tags: offsets (2,0,0) and (5,-1,0).
    const offset_t second = tag + get_i32(s.r(), tag + mdm_tag::ofs_end);
    EXPECT_EQ(s.f(second + mdm_tag::offset), 1.0f);
}

TEST(RescaleMdm, ZeroAndNegativeFactors) {
    mdm_desc m = reference_mdm_desc();
    m.surfaces[0].vertices[0].weights[0].offset = {2, -4, 0};
    rescaled zero = mdm_scaled(m, 0);
    EXPECT_EQ(zero.f(weight_offset), 0.0f);
    EXPECT_FALSE(std::signbit(zero.f(weight_offset)));
    EXPECT_TRUE(std::signbit(zero.f(weight_offset + 4))); // -4 * 0 is -0
    rescaled mirrored = mdm_scaled(m, -100);
    EXPECT_EQ(mirrored.f(weight_offset), -2.0f);
    EXPECT_EQ(mirrored.f(weight_offset + 4), 4.0f);
    EXPECT_TRUE(std::signbit(mirrored.f(weight_offset + 8)));
    // A factor that is not exact in float32: f32(value * f32(percent / 100.0)).
    rescaled third = mdm_scaled(m, 33);
    EXPECT_EQ(third.f(weight_offset), static_cast<float>(2.0 * static_cast<float>(0.33)));
}

TEST(RescaleMdm, ProgressLineCountsWeightsOfEarlierSurfaces) {
    mdm_desc m;
    surface_desc ten;
    for (int v = 0; v < 10; ++v)
        ten.vertices.push_back({{}, {}, {{0, 0.5f, {1, 1, 1}}, {1, 0.5f, {}}}});
    ten.collapse_map.assign(10, 0);
    surface_desc three = ten;
    three.vertices.resize(3);
    three.collapse_map.resize(3);
    m.surfaces = {ten, three};
    EXPECT_EQ(mdm_scaled(m, 200).out, "2\n0:0:10\n1:20:3\n");
}

TEST(RescaleMdx, ScalesFrameHeadersAndParentDistances) {
    EXPECT_TRUE(mdx_scaled(framed(), 100).unchanged());
    rescaled s = mdx_scaled(framed(), 200);
    EXPECT_EQ(s.out, "");
    const offset_t second = 96 + 52 + 12 * 5;
    EXPECT_EQ(s.f(96), -2.0f);
    EXPECT_EQ(s.f(96 + 36), 14.0f); // radius
    EXPECT_EQ(s.f(second + 48), -2.0f);
    const offset_t bones = get_i32(s.r(), mdx_header::ofs_bones);
    EXPECT_EQ(s.f(bones + mds_bone_info::parent_dist), 14.0f);
    EXPECT_EQ(s.f(bones + mds_bone_info::torso_weight), 0.5f);
    rescaled zero = mdx_scaled(framed(), 0);
    EXPECT_TRUE(std::signbit(zero.f(96)));
    EXPECT_FALSE(std::signbit(zero.f(96 + 12)));
    rescaled negative = mdx_scaled(framed(), -50);
    EXPECT_EQ(negative.f(96 + 12), -0.5f);
    EXPECT_EQ(negative.f(bones + mds_bone_info::parent_dist), -3.5f);
}
