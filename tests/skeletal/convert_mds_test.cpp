// Splitting an MDS into an MDM (bone numbering, surfaces, tags at the base
// frame) and an MDX (the frames and bone infos of the regular bones).
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

struct converted {
    placed_file mds;
    work_buffer file;
    std::int32_t end = 0;
    std::string out{};
    std::int32_t i(offset_t at) const { return get_i32(file.region, at); }
    float f(offset_t at) const { return get_f32(file.region, at); }
    offset_t tag(int t) const {
        offset_t at = i(mdm_header::ofs_tags);
        for (int k = 0; k < t; ++k)
            at += i(at + mdm_tag::ofs_end);
        return at;
    }
    // Whether `length` bytes at `at` equal those at `mds_at` in the MDS.
    bool copied(offset_t at, offset_t mds_at, offset_t length) {
        return std::memcmp(file.region.data + at, mds.region().data + mds_at,
                           static_cast<std::size_t>(length)) == 0;
    }
};

converted to_mdm(const mds_desc& desc, std::int32_t base_frame = 0,
                 std::size_t size = mdm_buffer_size) {
    converted c{place_mds(build_mds(desc)), make_work_buffer(size)};
    EXPECT_EQ(c.mds.out, mds_valid);
    c.out = capture_stdout(
        [&] { c.end = convert_mds_to_mdm(c.mds.region(), c.file.region, base_frame); });
    return c;
}

converted to_mdx(const mds_desc& desc) {
    converted c{place_mds(build_mds(desc)), make_work_buffer(mdx_buffer_size)};
    EXPECT_EQ(c.mds.out, mds_valid);
    c.out = capture_stdout([&] { c.end = convert_mds_to_mdx(c.file.region, c.mds.region()); });
    return c;
}

// A root and one tag hanging from it, whose parent pose is `pose`.
mds_desc one_tag(bone_frame_desc pose, float distance) {
    mds_desc s;
    s.bones = {{"root", -1, 0, 0, 0}, {"tag_x", 0, 0, distance, 1}};
    s.frames = {{{}, {pose, {}}}};
    return s;
}

} // namespace

TEST(ConvertMdsToMdm, TagsTakeTheirParentsPoseInFloat32) {
    const converted zero = to_mdm(one_tag({}, 7.5f));
    const offset_t t = zero.tag(0);
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(zero.f(t + mdm_tag::axis + 4 * k), identity[k]) << k;
    EXPECT_EQ(zero.f(t + mdm_tag::offset), 7.5f);
    EXPECT_EQ(zero.f(t + mdm_tag::offset + 4), 0.0f);
    EXPECT_TRUE(std::signbit(zero.f(t + mdm_tag::offset + 8))); // -D * sin(0) is -0
    // A tag whose parent is the root lists the root alone.
    EXPECT_EQ(zero.i(t + mdm_tag::num_bone_refs), 1);
    EXPECT_EQ(zero.i(t + mdm_tag::size), 0);

    // A quarter turn is 16384 steps of 2 * 3.1415 / 65536: 1.57075 radians, not pi/2.
    const converted turned = to_mdm(one_tag({{0, 16384, 0, 0}}, 1.0f));
    const offset_t axis = turned.tag(0) + mdm_tag::axis;
    EXPECT_EQ(turned.f(axis), static_cast<float>(std::cos(1.57075)));
    EXPECT_NEAR(turned.f(axis), 4.63268e-5f, 1e-9f);
    EXPECT_EQ(turned.f(axis + 4), 1.0f);
    EXPECT_EQ(turned.f(axis + 8), 0.0f);
    EXPECT_TRUE(std::signbit(turned.f(axis + 8)));
    const converted down = to_mdm(one_tag({{}, {0, -16384}}, 10.0f));
    const offset_t offset = down.tag(0) + mdm_tag::offset;
    EXPECT_NEAR(down.f(offset), 0.000463f, 1e-6f);
    EXPECT_EQ(down.f(offset + 4), 0.0f);
    EXPECT_EQ(down.f(offset + 8), 10.0f);

    // The sample at frame 1: tag_head hangs from "head" (MDS 5, MDM 4), its list
    // root first and renumbered, its offset from its own distance 2 and head's
    // offset angles.
    const converted sample = to_mdm(sample_mds_desc(), 1);
    EXPECT_EQ(sample.end, 1204);
    const offset_t head = sample.tag(1);
    EXPECT_EQ(sample.i(head + mdm_tag::attach_bone), 4);
    ASSERT_EQ(sample.i(head + mdm_tag::num_bone_refs), 5);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(sample.i(head + mdm_tag::size + 4 * k), k);
    const double o0 = 8192 * (1.0 / 65536) * 2 * 3.1415, o1 = 4096 * (1.0 / 65536) * 2 * 3.1415;
    EXPECT_EQ(sample.f(head + mdm_tag::offset),
              static_cast<float>(2.0 * std::cos(o1) * std::cos(o0)));
    EXPECT_EQ(sample.f(head + mdm_tag::offset + 8), static_cast<float>(-2.0 * std::sin(o1)));
}

TEST(ConvertMdsToMdm, OffsetMismatchIsReportedAndTolerated) {
    bytes file = build_mds(sample_mds_desc());
    const offset_t s = read_i32(file, mds_header::ofs_surfaces);
    patch_i32(file, s + mds_surface::ofs_end, read_i32(file, s + mds_surface::ofs_end) + 8);
    placed_file mds = place_mds(file);
    ASSERT_EQ(mds.out, mds_valid);
    work_buffer mdm = make_work_buffer(mdm_buffer_size);
    std::int32_t end = 0;
    const std::string out =
        capture_stdout([&] { end = convert_mds_to_mdm(mds.region(), mdm.region, 0); });
    EXPECT_NE(out.find("Report_MDM : Surface[0] Triangle[1:2] Index[0 2 3]\n"
                       "Oops, Offset does not match total size in #0 surface."
                       "(SIZE:448)(OFFSET:456)(ADDRESS:448)\n"
                       "Report_MDM : Surface[1] Vertex[0:3]"),
              std::string::npos);
    // The next surfaces are read and written where the packed contents end.
    EXPECT_EQ(end, 1204);
    EXPECT_EQ(get_i32(mdm.region, 100 + 448 + mdm_surface::ofs_header), -548);
}

TEST(ConvertMdsToMdm, Refusals) {
    for (std::int32_t frame : {2, -1}) {
        // Refused after the surfaces were converted and logged, before the header.
        const converted c = to_mdm(sample_mds_desc(), frame);
        EXPECT_EQ(c.end, -1);
        EXPECT_TRUE(c.out.ends_with("Report_MDM : Surface[1] Triangle[0:1] Index[0 1 2]\nDone.\n"
                                    "Tags...ERROR: Invalid BASEFRAME value.\n"));
        EXPECT_EQ(c.i(mdm_header::ident), 0);
    }
    const converted small = to_mdm(sample_mds_desc(), 0, 1000);
    EXPECT_EQ(small.end, -1);
    EXPECT_TRUE(small.out.ends_with("Tags...Done.\nERROR:The MDM of this MDS does not fit its "
                                    "buffer.\n"));
}

TEST(ConvertMdsToMdx, FramesAndBoneInfosOfTheRegularBones) {
    mds_desc s = sample_mds_desc();
    for (bone_desc& b : s.bones)
        b.flags = 0;
    // Without tags, frames and bone infos are the MDS's, byte for byte.
    converted all = to_mdx(s);
    const offset_t length = 2 * (52 + 12 * 7) + 80 * 7;
    EXPECT_EQ(all.end, 96 + length);
    EXPECT_TRUE(all.copied(96, mds_header::size, length));
    EXPECT_EQ(all.out, "\n--- Build MDX ---\n\nParsing MDS Bone...Done.\n"
                       "MDS Bones\t\t\t:7 (Bone 7 + Tag 0)\nHeader...Done\nFrames...Done\n"
                       "Bones...Done\nMDX Convertion has been done.\nMDX size\t\t\t:928\n");
    // The tag bones MDS 2 and 6 leave frames and bone infos; later parents are renumbered.
    converted c = to_mdx(sample_mds_desc());
    const offset_t frame = 52 + 12 * 5, mds_frame1 = mds_header::size + 52 + 12 * 7;
    EXPECT_EQ(c.end, 96 + 2 * frame + 80 * 5);
    EXPECT_TRUE(c.copied(96 + frame, mds_frame1, 52));
    EXPECT_TRUE(c.copied(96 + frame + 52 + 12 * 2, mds_frame1 + 52 + 12 * 3, 12)); // "chest"
    const offset_t bones = c.i(mdx_header::ofs_bones);
    EXPECT_EQ(get_text(c.file.region, bones + 80 * 3, 64), "neck");
    EXPECT_EQ(c.i(bones + 80 * 3 + mds_bone_info::parent), 2);
    EXPECT_EQ(c.i(bones + 80 * 4 + mds_bone_info::parent), 3);
}

TEST(ConvertMdsToMdx, TorsoParentIsRenumbered) {
    EXPECT_EQ(to_mdx(sample_mds_desc()).i(mdx_header::torso_parent), 3); // MDS 4
    for (std::int32_t torso : {-1, 7, -2}) {
        mds_desc s = sample_mds_desc();
        s.torso_parent = torso;
        const converted c = to_mdx(s);
        if (torso == -1) {
            EXPECT_EQ(c.i(mdx_header::torso_parent), -1);
            continue;
        }
        EXPECT_EQ(c.end, -1);
        EXPECT_TRUE(c.out.ends_with("Tag 2)\nERROR:The MDS torso parent " + std::to_string(torso) +
                                    " is not one of its bones.\n"));
    }
}
