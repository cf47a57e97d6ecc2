// Mode 10's checker: every finding it reports on a file the engine would
// misdraw or refuse, nothing on a sound one, and the job's ending and status.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "check/check_report.hpp"
#include "check/engine_rules.hpp"
#include "skeletal/skeletal_fixture.hpp"
#include "support/scratch.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// Three bones in a chain, root, arm and hand, with one frame.
mdx_desc arm_mdx() {
    mdx_desc d;
    d.bones = {{"root", -1}, {"arm", 0}, {"hand", 1}};
    d.frames.resize(1);
    return d;
}

// A sound strip skinned to the hand, listing the hand's whole chain, with a
// collapse map that always names an earlier vertex, and one tag on the arm.
mdm_desc arm_mdm(int vertices = 6) {
    surface_desc s;
    s.name = "hand";
    for (int v = 0; v < vertices; ++v) {
        s.vertices.push_back({{0, 0, 1}, {0, 0}, {{2, 0.75f, {}}, {1, 0.25f, {}}}});
        s.collapse_map.push_back(v == 0 ? 0 : v - 1);
    }
    for (int v = 0; v + 2 < vertices; ++v)
        s.triangles.push_back({v, v + 1, v + 2});
    s.bone_refs = {0, 1, 2};
    mdm_desc d;
    d.surfaces = {s};
    d.tags = {{"tag_weapon", {1, 0, 0, 0, 1, 0, 0, 0, 1}, 1, {}, {0, 1}}};
    return d;
}

struct checked {
    std::string out;
    int findings = 0;
};

checked check_mdm_bytes(const bytes& mdm, const bytes* mdx = nullptr) {
    placed_file m = place_mdm(mdm);
    EXPECT_EQ(m.out, mdm_valid);
    placed_file x;
    if (mdx != nullptr) x = place_mdx(*mdx);
    check_report report;
    checked result;
    result.out = capture_stdout([&] {
        check_mdm_file(m.region(), "m.mdm",
                       mdx != nullptr ? skeleton_of_mdx(x.region()) : engine_skeleton(), report);
    });
    result.findings = report.findings;
    return result;
}

// Fills the 64-byte name field at `at` without a terminating NUL.
void fill_name(bytes& file, offset_t at) {
    for (offset_t i = 0; i < skeletal_name_width; ++i)
        file[static_cast<std::size_t>(at + i)] = 'n';
}

int lines_with(const std::string& out, const std::string& text) {
    int count = 0;
    for (std::size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(Checker, SoundFilesGiveNoFinding) {
    const bytes mdx = build_mdx(arm_mdx());
    EXPECT_EQ(check_mdm_bytes(build_mdm(arm_mdm()), &mdx).out, "");
    EXPECT_EQ(check_mdm_bytes(build_mdm(arm_mdm())).out, "");
    placed_file x = place_mdx(mdx);
    check_report report;
    EXPECT_EQ(capture_stdout([&] { check_mdx_file(x.region(), "x.mdx", report); }), "");
    EXPECT_EQ(report.findings, 0);
}

// Each damage gives its own line, in the form every finding has, and the count
// matches the lines.
TEST(Checker, EachDamageOfAnMdmIsOneFinding) {
    const bytes mdx = build_mdx(arm_mdx());
    const auto check = [&](const std::function<void(mdm_desc&)>& damage, const std::string& text,
                           bool with_mdx = true, int findings = 1,
                           const std::function<void(bytes&)>& patch = nullptr) {
        mdm_desc d = arm_mdm();
        damage(d);
        bytes file = build_mdm(d);
        if (patch) patch(file);
        const checked c = check_mdm_bytes(file, with_mdx ? &mdx : nullptr);
        EXPECT_EQ(c.findings, findings) << text << "\n" << c.out;
        EXPECT_EQ(lines_with(c.out, text), 1) << text << "\n" << c.out;
        EXPECT_TRUE(
            std::regex_match(c.out, std::regex("(check_mdm : File\\[m\\.mdm\\] [^\n]+\n)+")))
            << c.out;
    };
    check([](mdm_desc& d) { d.surfaces[0].vertices[3].weights[1].weight = 0.5f; },
          "Surface[0] Name[hand] Vertex[3] WeightSum[1.250000]: 1 vertices whose weights");
    check([](mdm_desc& d) { d.surfaces[0].vertices[2].weights.clear(); },
          "Vertex[2] WeightSum[0.000000]");
    check(
        [](mdm_desc& d) {
            d.surfaces[0].bone_refs = {1, 2};
        },
        "Bone[1] Ancestor[0]: 2 weighted bones have an ancestor missing");
    check(
        [](mdm_desc& d) {
            d.surfaces[0].bone_refs = {0, 1};
        },
        "Vertex[0] Bone[2]: 6 weights name bones missing from the surface's bone references");
    check([](mdm_desc& d) { d.surfaces[0].collapse_map[4] = 4; },
          "CollapseMap[4]=4: 1 collapse map entries");
    check([](mdm_desc& d) { d.surfaces[0].min_lod = 7; },
          "MinLoD[7]: the minimum LoD lies outside 0..6");
    check([](mdm_desc& d) { d.surfaces[0].triangles[2][1] = 6; }, "Triangle[2]: 1 triangles");
    check(
        [](mdm_desc&) {}, "Surface[0]: the name fills its field of 64 bytes", true, 1,
        [](bytes& f) { fill_name(f, read_i32(f, mdm_header::ofs_surfaces) + mdm_surface::name); });
    check([](mdm_desc& d) { d.tags[0].attach_bone = 3; },
          "Tag[0] Name[tag_weapon] Bone[3]: the tag hangs on a bone beyond the 3 of the MDX");
    // Bone numbers: the MDX bounds them; without it, the engine's arrays.
    // (a bone beyond the skeleton is also missing from the references, unless
    // they list it, when they too name a bone beyond it)
    check([](mdm_desc& d) { d.surfaces[0].vertices[5].weights[0].bone = 3; },
          "Vertex[5] Bone[3]: 1 weights name bones beyond the 3 of the MDX", true, 2);
    check(
        [](mdm_desc& d) {
            d.surfaces[0].vertices[5].weights[0].bone = 128;
            d.surfaces[0].bone_refs.push_back(128);
        },
        "Vertex[5] Bone[128]: 1 weights name bones beyond the 128 of the engine's bone arrays",
        false, 2);
}

// The loaders' limits of both engines, just past each one.
TEST(Checker, SurfaceLimitsOfBothEngines) {
    namespace r = engine_rules;
    const checked original = check_mdm_bytes(build_mdm(arm_mdm(r::original_surface_vertices + 1)));
    EXPECT_EQ(original.findings, 1) << original.out;
    EXPECT_EQ(lines_with(original.out, "Vertex[1025]: more than 1024; the original engine refuses "
                                       "the model (its successor takes up to 10000)"),
              1)
        << original.out;
    const checked buffer = check_mdm_bytes(build_mdm(arm_mdm(r::lod_buffer_vertices + 1)));
    EXPECT_EQ(buffer.findings, 3) << buffer.out; // vertices, triangles, level-of-detail buffer
    EXPECT_EQ(lines_with(buffer.out, "Vertex[6001]: more than 6000; both engines overflow"), 1);
    EXPECT_EQ(lines_with(buffer.out, "Triangle[5999]: more than 2049; the original engine"), 1);
    mdm_desc many = arm_mdm(3);
    many.surfaces.resize(r::skinned_surfaces + 1, many.surfaces[0]);
    many.tags.resize(r::skinned_tags + 1, many.tags[0]);
    const checked counts = check_mdm_bytes(build_mdm(many));
    EXPECT_EQ(counts.findings, 2) << counts.out;
    EXPECT_EQ(lines_with(counts.out, "Surfaces[33]: more than 32; both engines refuse"), 1);
    EXPECT_EQ(lines_with(counts.out, "Tags[129]: more than 128; both engines refuse"), 1);
}

TEST(Checker, MdxSkeletonsThatCannotBePosed) {
    mdx_desc d = arm_mdx();
    d.bones[0].parent = 2; // root -> hand -> arm -> root
    d.bones.push_back({"far", 9});
    d.bones.push_back({"long", -1});
    d.frames.clear();
    d.torso_parent = 5;
    bytes file = build_mdx(d);
    fill_name(file, read_i32(file, mdx_header::ofs_bones) + 4 * mds_bone_info::size +
                        mds_bone_info::name);
    placed_file x = place_mdx(file);
    check_report report;
    const std::string out = capture_stdout([&] { check_mdx_file(x.region(), "x.mdx", report); });
    EXPECT_EQ(report.findings, 7) << out;
    EXPECT_EQ(lines_with(out, "the chain of parents runs in a loop"), 3) << out;
    EXPECT_EQ(lines_with(out, "Bone[3] Name[far] Parent[9]: the chain of parents leaves the bones"),
              1);
    EXPECT_EQ(lines_with(out, "Bone[4] Name[nnnn"), 1) << out;
    EXPECT_EQ(lines_with(out, "Frames[0]: no frame"), 1);
    EXPECT_EQ(lines_with(out, "TorsoParent[5]"), 1);
}

// The job: loads every source, one summary line, "All done" and status 1 when
// nothing is found, an error line with the count and status 0 otherwise.
TEST(Checker, ModeTenWithoutAnOutputKeyChecksItsSources) {
    scratch_dir s;
    s.write("arm.mdm", build_mdm(arm_mdm()));
    s.write("arm.mdx", build_mdx(arm_mdx()));
    mdm_desc bad = arm_mdm();
    bad.surfaces[0].collapse_map[1] = 3;
    bad.surfaces[0].bone_refs = {2, 1};
    s.write("bad.mdm", build_mdm(bad));
    s.write("sample.mds", build_mds(sample_mds_desc()));
    s.write("sample.mdx", build_mdx(reference_mdx_desc()));

    s.write("clean.cfg", "MODE=10\nMDMSOURCE=arm.mdm\nMDXSOURCE=arm.mdx\n");
    const run_result clean = s.run({"-cfg", "clean.cfg"});
    EXPECT_EQ(clean.status, 1);
    EXPECT_EQ(clean.out, banner + running_mode(10) + "\n--- Loading MDM ---\n\n" + mdm_valid +
                             "\n--- Loading MDX ---\n\n" + mdx_valid +
                             "\n--- Checking ---\n\ncheck : File[2] Finding[0]\n" + all_done);
    EXPECT_EQ(clean.err, "");

    s.write("bad.cfg", "MODE=10\nMDMSOURCE=bad.mdm\nMDXSOURCE=arm.mdx\n");
    const run_result found = s.run({"-cfg", "bad.cfg"});
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(lines_with(found.out, "check_mdm : File[bad.mdm] Surface[0] Name[hand] "), 2)
        << found.out;
    EXPECT_TRUE(found.out.ends_with("check : File[2] Finding[2]\nERROR:The check found 2 "
                                    "problems.\n"))
        << found.out;
    EXPECT_EQ(found.err, ""); // the findings are the output, not warnings besides it

    // An MDS beside an MDX whose bones are the same in another order.
    s.write("pair.cfg", "MODE=10\nMDSSOURCE=sample.mds\nMDXSOURCE=sample.mdx\n");
    const run_result pair = s.run({"-cfg", "pair.cfg"});
    EXPECT_EQ(pair.status, 0);
    EXPECT_EQ(lines_with(pair.out, "check_pair : File[sample.mdx] Bone["), 5) << pair.out;
    EXPECT_EQ(lines_with(pair.out, "Parsing MDS Bone"), 0);
}
