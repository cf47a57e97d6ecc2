// The MDS to MDM conversion: bone numbering, surfaces, tags at the base frame.
#include <cmath>
#include <gtest/gtest.h>

#include "skeletal/skeletal_layout.hpp"
#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

struct converted {
    placed_file mds;
    work_buffer mdm = make_work_buffer(mdm_buffer_size);
    std::int32_t end = 0;
    std::string out;
    byte_region& r() { return mdm.region; }
    offset_t tag(int t) {
        offset_t at = get_i32(mdm.region, mdm_header::ofs_tags);
        for (int k = 0; k < t; ++k)
            at += get_i32(mdm.region, at + mdm_tag::ofs_end);
        return at;
    }
    float f(offset_t at) { return get_f32(mdm.region, at); }
};

converted convert(const mds_desc& desc, std::int32_t base_frame = 0) {
    converted c;
    c.mds = place_mds(build_mds(desc));
    EXPECT_EQ(c.mds.out, mds_valid);
    c.out = capture_stdout(
        [&] { c.end = convert_mds_to_mdm(c.mds.region(), c.mdm.region, base_frame); });
    return c;
}

// A root and one tag hanging from it, whose parent pose is `pose`.
mds_desc one_tag(bone_frame_desc pose, float distance) {
    mds_desc s;
    s.bones = {{"root", -1, 0, 0, 0}, {"tag_x", 0, 0, distance, 1}};
    frame_desc f;
    f.bones = {pose, {}};
    s.frames = {f};
    return s;
}

} // namespace

TEST(ParseMdsBones, TagBonesTakeTheNextRegularNumber) {
    mds_desc s = sample_mds_desc(); // tag bones at MDS 2 and 6
    placed_file p = place_mds(build_mds(s));
    bone_table remap{}, kept{};
    int regular = 0;
    const std::string out = capture_stdout([&] {
        regular = parse_mds_bones(
            7, sub_region(p.region(), get_i32(p.region(), mds_header::ofs_bones), 560), remap,
            kept);
    });
    EXPECT_EQ(out, "Parsing MDS Bone...Done.\nMDS Bones\t\t\t:7 (Bone 5 + Tag 2)\n");
    EXPECT_EQ(regular, 5);
    EXPECT_EQ((std::vector<int>(remap.begin(), remap.begin() + 7)),
              (std::vector<int>{0, 1, 2, 2, 3, 4, 5}));
    EXPECT_EQ((std::vector<int>(kept.begin(), kept.begin() + 5)),
              (std::vector<int>{0, 1, 3, 4, 5}));
}

TEST(ConvertMdsToMdm, FiftyThreeBonesWithThreeTags) {
    mds_desc s;
    for (int b = 0; b < 50; ++b)
        s.bones.push_back({"bone" + std::to_string(b), b - 1, 0, 1, 0});
    for (int t = 0; t < 3; ++t)
        s.bones.push_back({"tag" + std::to_string(t), 10 * t, 0, 2, 1});
    s.frames.resize(1);
    converted c = convert(s);
    EXPECT_NE(c.out.find("MDS Bones\t\t\t:53 (Bone 50 + Tag 3)\n"), std::string::npos);
    EXPECT_EQ(get_i32(c.r(), mdm_header::num_tags), 3);
    // tag2 hangs from bone 20: its list runs from the root to bone 20.
    EXPECT_EQ(get_i32(c.r(), c.tag(2) + mdm_tag::num_bone_refs), 21);
    EXPECT_EQ(get_i32(c.r(), c.tag(2) + mdm_tag::size + 4 * 20), 20);
}

TEST(ConvertMdsToMdm, TraceAndLayoutOfTheSample) {
    converted c = convert(sample_mds_desc());
    // Vertices of 2 weights shrink from 72 to 64 bytes; weights naming tag bone 3
    // ("chest", after the tag "tag_back") are renumbered to 2.
    EXPECT_NE(c.out.find("Report_MDM : Surface[0] Vertex[1:4] Weights[2] Normal[0.000000 1.000000 "
                         "0.000000] UV[1.000000 0.000000]\n"
                         "Report_MDM : Surface[0] Vertex[1:4] Weight#[0] Bone#[1]  "
                         "Weight[0.500000] XYZ[0.000000 4.000000 0.000000]\n"
                         "Report_MDM : Surface[0] Vertex[1:4] Weight#[1] Bone#[2]  "
                         "Weight[0.500000] XYZ[0.000000 0.000000 -2.000000]\n"),
              std::string::npos);
    EXPECT_NE(c.out.find("Report_MDM : Surface[0] Triangle[1:2] Index[0 2 3]\nReport_MDM : "
                         "Surface[1] Vertex[0:3]"),
              std::string::npos);
    EXPECT_EQ(c.out.substr(c.out.find("Done.\nTags...")),
              "Done.\nTags...Done.\nHeader...Done.\nMDM Convertion has been done.\nMDM "
              "size\t\t\t:1204\n");
    const offset_t first = mdm_header::size;
    const std::int32_t first_size = get_i32(c.r(), first + mdm_surface::ofs_end);
    EXPECT_EQ(first_size, 176 + 4 * 24 + 6 * 20 + 2 * 12 + 4 * 4 + 4 * 4);
    EXPECT_EQ(get_i32(c.r(), first + mdm_surface::ofs_header), -100);
    EXPECT_EQ(get_i32(c.r(), first + first_size + mdm_surface::ofs_header), -(100 + first_size));
    EXPECT_EQ(get_i32(c.r(), first + mdm_surface::ident), 9);
    EXPECT_EQ(get_i32(c.r(), first + mdm_surface::ofs_triangles), 176 + 4 * 24 + 6 * 20);
    EXPECT_EQ(get_i32(c.r(), first + mdm_surface::size + 24 + skin_weight::bone), 0);
    // Surface bone references 0 1 3 4 become 0 1 2 3.
    const offset_t refs = first + get_i32(c.r(), first + mdm_surface::ofs_bone_refs);
    EXPECT_EQ(get_i32(c.r(), refs + 8), 2);
    EXPECT_EQ(get_i32(c.r(), refs + 12), 3);
    EXPECT_EQ(get_text(c.r(), mdm_header::name, 64),
              "models/players/temperate/allied/soldier/body.mdm");
    EXPECT_EQ(c.f(mdm_header::lod_scale), 1.5f);
    EXPECT_EQ(c.end, get_i32(c.r(), mdm_header::ofs_end));
    EXPECT_EQ(c.out.find("Oops"), std::string::npos);
}

TEST(ConvertMdsToMdm, BaseFrameMustBeAFrame) {
    for (std::int32_t frame : {2, -1}) {
        converted c = convert(sample_mds_desc(), frame);
        EXPECT_EQ(c.end, -1);
        // Refused after the surfaces were converted and logged; no header.
        EXPECT_NE(c.out.find("Report_MDM : Surface[1] Triangle[0:1] Index[0 1 2]\nDone.\n"
                             "Tags...ERROR: Invalid BASEFRAME value.\n"),
                  std::string::npos);
        const std::string last = "Tags...ERROR: Invalid BASEFRAME value.\n";
        EXPECT_EQ(c.out.substr(c.out.size() - last.size()), last);
        EXPECT_EQ(get_i32(c.r(), mdm_header::ident), 0);
    }
    EXPECT_EQ(convert(sample_mds_desc(), 1).end, 1204);
}

TEST(ConvertMdsToMdm, TagAtZeroAnglesIsIdentityAtTheDistance) {
    converted c = convert(one_tag({}, 7.5f));
    const offset_t t = c.tag(0);
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(c.f(t + mdm_tag::axis + 4 * k), identity[k]) << k;
    EXPECT_EQ(c.f(t + mdm_tag::offset), 7.5f);
    EXPECT_EQ(c.f(t + mdm_tag::offset + 4), 0.0f);
    EXPECT_EQ(c.f(t + mdm_tag::offset + 8), 0.0f);
    EXPECT_TRUE(std::signbit(c.f(t + mdm_tag::offset + 8))); // -D * sin(0) is -0
    EXPECT_EQ(get_text(c.r(), t + mdm_tag::name, 64), "tag_x");
    // A tag whose parent is the root lists the root alone.
    EXPECT_EQ(get_i32(c.r(), t + mdm_tag::num_bone_refs), 1);
    EXPECT_EQ(get_i32(c.r(), t + mdm_tag::ofs_bone_refs), 128);
    EXPECT_EQ(get_i32(c.r(), t + mdm_tag::ofs_end), 132);
    EXPECT_EQ(get_i32(c.r(), t + mdm_tag::size), 0);
}

TEST(ConvertMdsToMdm, QuarterTurnUsesTheToolsPi) {
    bone_frame_desc pose;
    pose.angles = {0, 16384, 0, 0}; // 1.57075 radians, not pi/2
    converted c = convert(one_tag(pose, 1.0f));
    const offset_t axis = c.tag(0) + mdm_tag::axis;
    EXPECT_EQ(c.f(axis), static_cast<float>(std::cos(1.57075)));
    EXPECT_NEAR(c.f(axis), 4.63268e-5f, 1e-9f);
    EXPECT_EQ(c.f(axis + 4), 1.0f);
    EXPECT_EQ(c.f(axis + 8), 0.0f);
    EXPECT_TRUE(std::signbit(c.f(axis + 8)));

    bone_frame_desc down;
    down.offset_angles = {0, -16384};
    converted d = convert(one_tag(down, 10.0f));
    const offset_t offset = d.tag(0) + mdm_tag::offset;
    EXPECT_NEAR(d.f(offset), 0.000463f, 1e-6f);
    EXPECT_EQ(d.f(offset + 4), 0.0f);
    EXPECT_EQ(d.f(offset + 8), 10.0f);
}

TEST(ConvertMdsToMdm, TagsOfTheSampleAtFrameOne) {
    converted c = convert(sample_mds_desc(), 1);
    // tag_head hangs from "head" (MDS 5, MDM 4): list root first, renumbered.
    const offset_t t = c.tag(1);
    EXPECT_EQ(get_i32(c.r(), t + mdm_tag::attach_bone), 4);
    std::vector<int> refs;
    for (int k = 0; k < get_i32(c.r(), t + mdm_tag::num_bone_refs); ++k)
        refs.push_back(get_i32(c.r(), t + mdm_tag::size + 4 * k));
    EXPECT_EQ(refs, (std::vector<int>{0, 1, 2, 3, 4}));
    // The offset uses tag_head's own distance 2 and head's offset angles.
    const double o0 = 8192 * (1.0 / 65536) * 2 * 3.1415, o1 = 4096 * (1.0 / 65536) * 2 * 3.1415;
    EXPECT_EQ(c.f(t + mdm_tag::offset), static_cast<float>(2.0 * std::cos(o1) * std::cos(o0)));
    EXPECT_EQ(c.f(t + mdm_tag::offset + 8), static_cast<float>(-2.0 * std::sin(o1)));
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

TEST(ConvertMdsToMdm, ResultTooLargeForTheBufferIsRefused) {
    placed_file mds = place_mds(build_mds(sample_mds_desc()));
    work_buffer small = make_work_buffer(1000);
    std::int32_t end = 0;
    const std::string out =
        capture_stdout([&] { end = convert_mds_to_mdm(mds.region(), small.region, 0); });
    EXPECT_EQ(end, -1);
    EXPECT_EQ(out.substr(out.find("Tags...")),
              "Tags...Done.\nERROR:The MDM of this MDS does not fit its buffer.\n");
}
