// The loaders: header checks in their order, the end-offset refusals, and the
// structural validation that lets the operations trust a loaded file.
#include <gtest/gtest.h>

#include "skeletal/skeletal_layout.hpp"
#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

const std::string mds_check = "Checking MDS Header...";

std::string mds_refusal(bytes file) {
    return place_mds(file).out;
}

} // namespace

TEST(LoadMds, ValidFileIsOneLineThenLoaded) {
    const bytes file = build_mds(sample_mds_desc());
    const placed_file p = place_mds(file);
    EXPECT_EQ(p.out, mds_valid);
    EXPECT_EQ(p.end, static_cast<std::int32_t>(file.size()));
}

TEST(LoadMds, HeaderChecksComeInOrder) {
    bytes file = build_mds(sample_mds_desc());
    bytes wrong = file;
    wrong[3] = 'X';
    patch_i32(wrong, mds_header::version, 3);
    EXPECT_EQ(mds_refusal(wrong), mds_check + "ERROR:This MDS seems to be wrong file.\n");

    bytes version = file; // right identification, version 3: the version message
    patch_i32(version, mds_header::version, 3);
    patch_i32(version, mds_header::ofs_end, 20'000'000);
    EXPECT_EQ(mds_refusal(version), mds_check + "ERROR:This MDS version is not supported.\n");

    bytes large = file;
    patch_i32(large, mds_header::ofs_end, 10'000'001);
    patch_i32(large, mds_header::num_frames, 0);
    EXPECT_EQ(mds_refusal(large), mds_check + "ERROR:This MDS is too large.\n");

    bytes still = file; // zero frames is judged after the size check passed
    patch_i32(still, mds_header::num_frames, 0);
    patch_i32(still, mds_header::ofs_end, -5);
    EXPECT_EQ(mds_refusal(still), mds_check + "ERROR:This MDS has no animation data.\n");
}

TEST(LoadMds, EndOffsetMustCoverHeaderAndFile) {
    const bytes file = build_mds(sample_mds_desc());
    for (std::int32_t end : {-1, 0, 119}) {
        bytes small = file;
        patch_i32(small, mds_header::ofs_end, end);
        EXPECT_EQ(mds_refusal(small),
                  mds_check + "ERROR:This MDS end offset is smaller than its header.\n");
    }
    bytes cut(file.begin(), file.end() - 1); // one byte short of its end offset
    EXPECT_EQ(mds_refusal(cut), mds_check + "ERROR:This MDS is shorter than its header says.\n");
    bytes longer = file; // bytes beyond the end offset are not the file's business
    longer.resize(file.size() + 100, 0xEE);
    EXPECT_EQ(place_mds(longer).out, mds_valid);
}

TEST(LoadMdm, EndOffsetMayEqualTheBuffer) {
    mdm_desc desc;
    bytes file = build_mdm(desc);
    file.resize(1'000'000);
    patch_i32(file, mdm_header::ofs_end, 1'000'000);
    const placed_file exact = place_mdm(file);
    EXPECT_EQ(exact.end, 1'000'000);
    EXPECT_EQ(exact.out,
              "Checking MDM Header...This MDM seems to be valid.\nMDM has been loaded.\n");
    patch_i32(file, mdm_header::ofs_end, 1'000'001);
    EXPECT_EQ(place_mdm(file).out, "Checking MDM Header...ERROR:This MDM is too large.\n");
}

TEST(LoadMdmAndMdx, OwnMessages) {
    bytes mdm = build_mdm(reference_mdm_desc());
    bytes mdx = build_mdx(reference_mdx_desc());
    bytes bad = mdm;
    bad[0] = 'X';
    EXPECT_EQ(place_mdm(bad).out, "Checking MDM Header...ERROR:This seems to be wrong MDM file.\n");
    bad = mdm;
    patch_i32(bad, mdm_header::version, 4);
    EXPECT_EQ(place_mdm(bad).out,
              "Checking MDM Header...ERROR:This MDM version is not supported.\n");
    bad = mdx;
    bad[2] = 'S';
    EXPECT_EQ(place_mdx(bad).out, "Checking MDX Header...ERROR:This seems to be wrong MDX file.\n");
    bad = mdx;
    patch_i32(bad, mdx_header::ofs_end, 10'000'001);
    EXPECT_EQ(place_mdx(bad).out, "Checking MDX Header...ERROR:This MDX is too large.\n");
    bad = mdx;
    patch_i32(bad, mdx_header::ofs_end, 95);
    EXPECT_EQ(place_mdx(bad).out,
              "Checking MDX Header...ERROR:This MDX end offset is smaller than its header.\n");
    // An MDX needs no frames.
    mdx_desc still = reference_mdx_desc();
    still.frames.clear();
    EXPECT_EQ(place_mdx(build_mdx(still)).out,
              "Checking MDX Header...This MDX seems to be valid.\nMDX has been loaded.\n");
}

TEST(LoadMds, FileLoaderReportsAndRefuses) {
    // Through a real file: the same verdicts, and a file that cannot be read.
    const std::string path = testing::TempDir() + "ossify-load-test.mds";
    const bytes file = build_mds(sample_mds_desc());
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    work_buffer buffer = make_work_buffer(mds_buffer_size);
    std::int32_t end = 0;
    EXPECT_EQ(capture_stdout([&] { end = load_mds(open_input(path.c_str()), buffer.region); }),
              mds_valid);
    EXPECT_EQ(end, static_cast<std::int32_t>(file.size()));
    const std::string dir = testing::TempDir();
    EXPECT_EQ(capture_stdout([&] { end = load_mds(open_input(dir.c_str()), buffer.region); }),
              "ERROR:Failed to read file.\n");
    EXPECT_EQ(end, -1);
    std::remove(path.c_str());
}

// Structural refusals: each damaged file gets its own line in place of the
// valid line, and -1.
struct damage {
    const char* what;
    void (*apply)(mds_desc&, bytes&);
    const char* line;
};

class MdsDamage : public testing::TestWithParam<damage> {};

TEST_P(MdsDamage, IsRefused) {
    mds_desc desc = sample_mds_desc();
    bytes file = build_mds(desc);
    GetParam().apply(desc, file);
    if (file.empty()) file = build_mds(desc);
    const placed_file p = place_mds(file);
    EXPECT_EQ(p.out, mds_check + GetParam().line) << GetParam().what;
    EXPECT_EQ(p.end, -1);
}

namespace {

offset_t first_surface(bytes& f) {
    return read_i32(f, mds_header::ofs_surfaces);
}
offset_t bone_at(bytes& f, int b) {
    return read_i32(f, mds_header::ofs_bones) + mds_bone_info::size * b;
}

mds_desc with_bones(int regular, int tags) {
    mds_desc s;
    for (int b = 0; b < regular + tags; ++b)
        s.bones.push_back({"b" + std::to_string(b), b - 1, 0, 1, b < regular ? 0 : 1});
    s.frames.resize(1);
    return s;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Refusals, MdsDamage,
    testing::Values(
        damage{"129 bones",
               [](mds_desc& s, bytes& f) {
                   s = with_bones(120, 9);
                   f.clear();
               },
               "ERROR:This MDS has 129 bones; at most 128 are supported.\n"},
        damage{"128 regular bones",
               [](mds_desc& s, bytes& f) {
                   s = with_bones(128, 0);
                   f.clear();
               },
               "ERROR:This MDS has 128 regular bones; at most 127 are supported.\n"},
        damage{"tag bone without parent",
               [](mds_desc&, bytes& f) { patch_i32(f, bone_at(f, 2) + mds_bone_info::parent, -1); },
               "ERROR:MDS tag bone 2 has no parent.\n"},
        damage{"parent cycle",
               [](mds_desc&, bytes& f) { patch_i32(f, bone_at(f, 0) + mds_bone_info::parent, 1); },
               "ERROR:The parents of MDS tag bone 2 run into a cycle.\n"},
        damage{"parent outside bones",
               [](mds_desc&, bytes& f) { patch_i32(f, bone_at(f, 4) + mds_bone_info::parent, 7); },
               "ERROR:MDS bone 4 has the parent 7, which is not one of its bones.\n"},
        damage{"negative parent",
               [](mds_desc&, bytes& f) { patch_i32(f, bone_at(f, 4) + mds_bone_info::parent, -2); },
               "ERROR:MDS bone 4 has the parent -2, which is not one of its bones.\n"},
        damage{"weight bone outside bones",
               [](mds_desc& s, bytes& f) {
                   s.surfaces[1].vertices[1].weights[1].bone = 7;
                   f.clear();
               },
               "ERROR:MDS surface 1 names the bone 7, which is not one of its bones.\n"},
        damage{"bone reference outside bones",
               [](mds_desc& s, bytes& f) {
                   s.surfaces[0].bone_refs.back() = -1;
                   f.clear();
               },
               "ERROR:MDS surface 0 names the bone -1, which is not one of its bones.\n"},
        damage{"bone infos past the file",
               [](mds_desc&, bytes& f) {
                   patch_i32(f, mds_header::ofs_bones, static_cast<std::int32_t>(f.size()) - 79);
               },
               "ERROR:The bone infos of this MDS lie outside the file.\n"},
        damage{"frames past the file",
               [](mds_desc&, bytes& f) { patch_i32(f, mds_header::num_frames, 1000); },
               "ERROR:The frames of this MDS lie outside the file.\n"},
        damage{"surfaces past the file",
               [](mds_desc&, bytes& f) { patch_i32(f, mds_header::num_surfaces, 3); },
               "ERROR:MDS surface 2 lies outside the file.\n"},
        damage{"negative surface count",
               [](mds_desc&, bytes& f) { patch_i32(f, mds_header::num_surfaces, -1); },
               "ERROR:The surfaces of this MDS lie outside the file.\n"},
        damage{"vertex count too large",
               [](mds_desc&, bytes& f) {
                   patch_i32(f, first_surface(f) + mds_surface::num_verts, 1'000'000);
               },
               "ERROR:The vertices of MDS surface 0 run past the file.\n"},
        damage{"weight count negative",
               [](mds_desc&, bytes& f) {
                   patch_i32(f, first_surface(f) + mds_surface::size + mds_vertex::num_weights, -3);
               },
               "ERROR:The vertices of MDS surface 0 run past the file.\n"},
        damage{"negative triangle count",
               [](mds_desc&, bytes& f) {
                   patch_i32(f, first_surface(f) + mds_surface::num_triangles, -1);
               },
               "ERROR:MDS surface 0 has a negative count.\n"},
        damage{"bone references past the file",
               [](mds_desc&, bytes& f) {
                   patch_i32(f, first_surface(f) + mds_surface::num_bone_refs, 400);
               },
               "ERROR:The triangles, collapse map or bone references of MDS surface 0 run past "
               "the file.\n"},
        damage{"collapse map of negative size",
               [](mds_desc&, bytes& f) {
                   const offset_t s = first_surface(f);
                   patch_i32(f, s + mds_surface::ofs_collapse_map,
                             read_i32(f, s + mds_surface::ofs_bone_refs) + 4);
               },
               "ERROR:MDS surface 0 has its bone references before its collapse map.\n"},
        damage{"stored offset outside the file",
               [](mds_desc&, bytes& f) {
                   patch_i32(f, first_surface(f) + mds_surface::ofs_end, 0x7fffffff);
               },
               "ERROR:MDS surface 0 has an offset outside the file.\n"}));

TEST(LoadMds, BoneLimitsAreInclusive) {
    EXPECT_EQ(place_mds(build_mds(with_bones(127, 1))).out, mds_valid);
}

TEST(LoadMdm, StructuralRefusals) {
    const bytes good = build_mdm(reference_mdm_desc());
    const std::string check = "Checking MDM Header...";
    auto refusal = [&](offset_t at, std::int32_t value) {
        return patched_check(good, at, value, place_mdm);
    };
    const offset_t surface = mdm_header::size;
    const offset_t tag = read_i32(const_cast<bytes&>(good), mdm_header::ofs_tags);
    EXPECT_EQ(refusal(mdm_header::num_surfaces, 2),
              check + "ERROR:MDM surface 1 lies outside the file.\n");
    EXPECT_EQ(refusal(surface + mdm_surface::ofs_end, 100),
              check + "ERROR:MDM surface 0 lies outside the file.\n");
    EXPECT_EQ(refusal(surface + mdm_surface::num_verts, 50),
              check + "ERROR:The vertices of MDM surface 0 run past the surface.\n");
    EXPECT_EQ(refusal(surface + mdm_surface::ofs_triangles, -200),
              check + "ERROR:The triangles, collapse map or bone references of MDM surface 0 run "
                      "past the surface.\n");
    // Arrays stay inside their own surface even where the file goes on: arrays
    // shared by many surfaces would make a small file walk millions of vertices.
    const std::int32_t surface_end =
        read_i32(const_cast<bytes&>(good), surface + mdm_surface::ofs_end);
    EXPECT_EQ(refusal(surface + mdm_surface::ofs_bone_refs, surface_end),
              check + "ERROR:The triangles, collapse map or bone references of MDM surface 0 run "
                      "past the surface.\n");
    EXPECT_EQ(refusal(mdm_header::ofs_tags, 5000),
              check + "ERROR:The tags of this MDM lie outside the file.\n");
    EXPECT_EQ(refusal(mdm_header::num_tags, 4), check + "ERROR:MDM tag 3 lies outside the file.\n");
    // Tags and surfaces behind the header, arrays behind their surface's header.
    EXPECT_EQ(refusal(mdm_header::ofs_tags, 60),
              check + "ERROR:The tags of this MDM lie outside the file.\n");
    EXPECT_EQ(refusal(mdm_header::ofs_surfaces, 0),
              check + "ERROR:The surfaces of this MDM lie outside the file.\n");
    EXPECT_EQ(refusal(surface + mdm_surface::ofs_verts, 100),
              check + "ERROR:The vertices of MDM surface 0 run past the surface.\n");
    EXPECT_EQ(refusal(tag + mdm_tag::num_bone_refs, 200),
              check + "ERROR:The bone list of MDM tag 0 runs past the tag.\n");
}

TEST(LoadMdx, StructuralRefusals) {
    const bytes good = build_mdx(reference_mdx_desc());
    const std::string check = "Checking MDX Header...";
    auto refusal = [&](offset_t at, std::int32_t value) {
        return patched_check(good, at, value, place_mdx);
    };
    EXPECT_EQ(refusal(mdx_header::num_bones, 0x7fffffff),
              check + "ERROR:The bone infos of this MDX lie outside the file.\n");
    EXPECT_EQ(refusal(mdx_header::num_frames, 10),
              check + "ERROR:The frames of this MDX lie outside the file.\n");
    EXPECT_EQ(refusal(mdx_header::ofs_frames, -4),
              check + "ERROR:The frames of this MDX lie outside the file.\n");
    // Bone infos or frames over the header: replacing or rescaling them in place
    // would rewrite the counts (a fuzzed file turned its frame count into a float
    // and rescaled for minutes).
    EXPECT_EQ(refusal(mdx_header::ofs_bones, 5),
              check + "ERROR:The bone infos of this MDX lie outside the file.\n");
    EXPECT_EQ(refusal(mdx_header::ofs_frames, 40),
              check + "ERROR:The frames of this MDX lie outside the file.\n");
}
