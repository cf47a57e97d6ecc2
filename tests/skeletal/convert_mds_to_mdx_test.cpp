// The MDS to MDX conversion: frames and bone infos of the regular bones.
#include <cstring>
#include <gtest/gtest.h>

#include "skeletal/skeletal_layout.hpp"
#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

struct converted {
    placed_file mds;
    work_buffer mdx = make_work_buffer(mdx_buffer_size);
    std::int32_t end = 0;
    std::string out;
    byte_region& r() { return mdx.region; }
};

converted convert(const mds_desc& desc) {
    converted c;
    c.mds = place_mds(build_mds(desc));
    EXPECT_EQ(c.mds.out, mds_valid);
    c.out = capture_stdout([&] { c.end = convert_mds_to_mdx(c.mdx.region, c.mds.region()); });
    return c;
}

bool same_bytes(const byte_region& a, offset_t at_a, const byte_region& b, offset_t at_b,
                offset_t length) {
    return fits(a, at_a, length) && fits(b, at_b, length) &&
           std::memcmp(a.data + at_a, b.data + at_b, static_cast<std::size_t>(length)) == 0;
}

mds_desc without_tags() {
    mds_desc s = sample_mds_desc();
    for (bone_desc& b : s.bones)
        b.flags = 0;
    return s;
}

} // namespace

TEST(ConvertMdsToMdx, WithoutTagsFramesAndBonesAreCopied) {
    converted c = convert(without_tags());
    const offset_t n = 7, f = 2;
    EXPECT_EQ(c.end, 96 + f * (52 + 12 * n) + 80 * n);
    const byte_region& mds = c.mds.region();
    EXPECT_TRUE(same_bytes(c.r(), 96, mds, get_i32(mds, mds_header::ofs_frames),
                           f * (52 + 12 * n) + 80 * n));
    EXPECT_EQ(c.out, "\n--- Build MDX ---\n\nParsing MDS Bone...Done.\n"
                     "MDS Bones\t\t\t:7 (Bone 7 + Tag 0)\nHeader...Done\nFrames...Done\n"
                     "Bones...Done\nMDX Convertion has been done.\nMDX size\t\t\t:928\n");
    EXPECT_EQ(get_text(c.r(), mdx_header::name, 64), "output/animations/human/base/body.mdx");
    EXPECT_EQ(get_text(c.r(), 0, 4), "MDXW");
    EXPECT_EQ(get_i32(c.r(), mdx_header::version), 2);
}

TEST(ConvertMdsToMdx, TagBonesAreDroppedAndLaterBonesRenumbered) {
    converted c = convert(sample_mds_desc()); // tags at MDS 2 and 6
    const byte_region& mds = c.mds.region();
    EXPECT_EQ(get_i32(c.r(), mdx_header::num_bones), 5);
    EXPECT_EQ(get_i32(c.r(), mdx_header::num_frames), 2);
    const offset_t frame = 52 + 12 * 5;
    EXPECT_EQ(get_i32(c.r(), mdx_header::ofs_bones), 96 + 2 * frame);
    EXPECT_EQ(c.end, 96 + 2 * frame + 80 * 5);
    // Frame 1, MDX bone 2 is MDS bone 3 ("chest").
    const offset_t mds_frame1 = get_i32(mds, mds_header::ofs_frames) + 52 + 12 * 7;
    EXPECT_TRUE(same_bytes(c.r(), 96 + frame, mds, mds_frame1, 52));
    EXPECT_TRUE(same_bytes(c.r(), 96 + frame + 52 + 12 * 2, mds, mds_frame1 + 52 + 12 * 3, 12));
    // Parents: neck (MDS parent 3) now hangs from 2; head (MDS parent 4) from 3.
    const offset_t bones = get_i32(c.r(), mdx_header::ofs_bones);
    EXPECT_EQ(get_text(c.r(), bones + 80 * 3, 64), "neck");
    EXPECT_EQ(get_i32(c.r(), bones + 80 * 3 + mds_bone_info::parent), 2);
    EXPECT_EQ(get_i32(c.r(), bones + 80 * 4 + mds_bone_info::parent), 3);
    EXPECT_EQ(get_i32(c.r(), bones + mds_bone_info::parent), -1);
    EXPECT_EQ(get_f32(c.r(), bones + 80 * 2 + mds_bone_info::parent_dist), 10.0f);
}

TEST(ConvertMdsToMdx, TorsoParentIsRenumbered) {
    EXPECT_EQ(get_i32(convert(sample_mds_desc()).r(), mdx_header::torso_parent), 3); // MDS 4
    mds_desc root = sample_mds_desc();
    root.torso_parent = -1;
    EXPECT_EQ(get_i32(convert(root).r(), mdx_header::torso_parent), -1);
    for (std::int32_t bad : {7, -2}) {
        mds_desc s = sample_mds_desc();
        s.torso_parent = bad;
        converted c = convert(s);
        EXPECT_EQ(c.end, -1);
        EXPECT_EQ(c.out.substr(c.out.find("Tag 2)\n") + 7), "ERROR:The MDS torso parent " +
                                                                std::to_string(bad) +
                                                                " is not one of its bones.\n");
    }
}
