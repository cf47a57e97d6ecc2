// Modes 1 to 7 through the built binary: stdout byte for byte, written files,
// exit status (1 after a completed job, 0 after an error).
#include <gtest/gtest.h>

#include "skeletal/skeletal_layout.hpp"
#include "skeletal_fixture.hpp"
#include "support/scratch.hpp"
#include "support/trace.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

const std::string loading_mds = "\n--- Loading MDS ---\n\n";
const std::string loading_mdm = "\n--- Loading MDM ---\n\n";
const std::string loading_mdx = "\n--- Loading MDX ---\n\n";
const std::string mdm_valid =
    "Checking MDM Header...This MDM seems to be valid.\nMDM has been loaded.\n";
const std::string mdx_valid =
    "Checking MDX Header...This MDX seems to be valid.\nMDX has been loaded.\n";

// The sample files and the expected results of each operation, made in process.
struct expected_run {
    std::string out;
    bytes file;
};

expected_run expect_mdm(std::int32_t base_frame) {
    placed_file mds = place_mds(build_mds(sample_mds_desc()));
    work_buffer mdm = make_work_buffer(mdm_buffer_size);
    expected_run e;
    std::int32_t end = 0;
    e.out = capture_stdout([&] { end = convert_mds_to_mdm(mds.region(), mdm.region, base_frame); });
    e.file.assign(mdm.region.data, mdm.region.data + end);
    return e;
}

expected_run expect_mdx() {
    placed_file mds = place_mds(build_mds(sample_mds_desc()));
    work_buffer mdx = make_work_buffer(mdx_buffer_size);
    expected_run e;
    std::int32_t end = 0;
    e.out = capture_stdout([&] { end = convert_mds_to_mdx(mdx.region, mds.region()); });
    e.file.assign(mdx.region.data, mdx.region.data + end);
    return e;
}

std::string report_of(bytes file) {
    return capture_stdout([&] { print_mdm_report(region_of(file)); });
}

void write_samples(const scratch_dir& s) {
    s.write("sample.mds", build_mds(sample_mds_desc()));
    s.write("reference.mdm", build_mdm(reference_mdm_desc()));
    s.write("reference.mdx", build_mdx(reference_mdx_desc()));
}

std::string frame(int mode, const std::string& body) {
    return banner + running_mode(mode) + body + all_done;
}

} // namespace

TEST(SkeletalModes, Mode1WritesTheMdm) {
    scratch_dir s;
    write_samples(s);
    s.write("a.cfg", "MODE=1\nMDS=sample.mds\nMDM=out.mdm\nBASEFRAME=1\n");
    const run_result r = s.run({"-cfg", "a.cfg"});
    const expected_run mdm = expect_mdm(1);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, frame(1, loading_mds + mds_valid + mdm.out +
                                  exporting("out.mdm", static_cast<long>(mdm.file.size()))));
    EXPECT_EQ(s.read_bytes("out.mdm"), mdm.file);
}

TEST(SkeletalModes, Mode2WritesTheMdx) {
    scratch_dir s;
    write_samples(s);
    s.write("a.cfg", "MODE=2\nMDS=sample.mds\nMDX=out.mdx\n");
    const run_result r = s.run({"-cfg", "a.cfg"});
    const expected_run mdx = expect_mdx();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, frame(2, loading_mds + mds_valid + mdx.out +
                                  exporting("out.mdx", static_cast<long>(mdx.file.size()))));
    EXPECT_EQ(s.read_bytes("out.mdx"), mdx.file);
}

TEST(SkeletalModes, Mode3WritesBothThenReportsOnlyForReportOne) {
    const expected_run mdm = expect_mdm(0);
    const expected_run mdx = expect_mdx();
    const std::string body = loading_mds + mds_valid + mdm.out +
                             exporting("out.mdm", static_cast<long>(mdm.file.size())) +
                             loading_mds + mds_valid + mdx.out +
                             exporting("out.mdx", static_cast<long>(mdx.file.size()));
    for (int report : {1, 2}) {
        scratch_dir s;
        write_samples(s);
        s.write("a.cfg", "MODE=3\nMDS=sample.mds\nMDM=out.mdm\nMDX=out.mdx\nREPORT=" +
                             std::to_string(report) + "\n");
        const run_result r = s.run({"-cfg", "a.cfg"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, frame(3, body + (report == 1 ? report_of(mdm.file) : "")));
        EXPECT_EQ(s.read_bytes("out.mdm"), mdm.file);
        EXPECT_EQ(s.read_bytes("out.mdx"), mdx.file);
    }
}

TEST(SkeletalModes, Mode4ReplacesTagsAndAlwaysReports) {
    scratch_dir s;
    write_samples(s);
    bytes source = expect_mdm(0).file;
    s.write("source.mdm", source);
    s.write("a.cfg", "MODE=4\nMDMSOURCE=source.mdm\nREFERENCEMDM=reference.mdm\nMDM=out.mdm\n");
    const run_result r = s.run({"-cfg", "a.cfg"});
    placed_file target = place_mdm(source);
    placed_file reference = place_mdm(build_mdm(reference_mdm_desc()));
    replace_mdm_tags(reference.region(), target.region());
    const bytes result(target.region().data,
                       target.region().data + get_i32(target.region(), mdm_header::ofs_end));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, frame(4, loading_mdm + mdm_valid + loading_mdm + mdm_valid +
                                  "\nMDM tag total replacement...Done.\n" +
                                  exporting("out.mdm", static_cast<long>(result.size())) +
                                  report_of(result)));
    EXPECT_EQ(s.read_bytes("out.mdm"), result);
}

TEST(SkeletalModes, Mode5ReplacesBones) {
    scratch_dir s;
    write_samples(s);
    bytes source = expect_mdx().file;
    s.write("source.mdx", source);
    s.write("a.cfg", "MODE=5\nMDXSOURCE=source.mdx\nREFERENCEMDX=reference.mdx\nMDX=out.mdx\n");
    const run_result r = s.run({"-cfg", "a.cfg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, frame(5, loading_mdx + mdx_valid + loading_mdx + mdx_valid +
                                  "head\npelvis\nneck\nchest\nspine\n" +
                                  exporting("out.mdx", static_cast<long>(source.size()))));
    bytes out = s.read_bytes("out.mdx");
    const offset_t bones = read_i32(out, mdx_header::ofs_bones);
    EXPECT_EQ(get_f32(region_of(out), bones + 80 * 4 + mds_bone_info::parent_dist), 7.0f); // head
    EXPECT_EQ(get_f32(region_of(out), bones + 80 * 1 + mds_bone_info::torso_weight), 0.125f);
}

TEST(SkeletalModes, Modes6And7Rescale) {
    scratch_dir s;
    const bytes mdm = expect_mdm(0).file;
    const bytes mdx = expect_mdx().file;
    s.write("in.mdm", mdm);
    s.write("in.mdx", mdx);
    s.write("6.cfg", "MODE=6\nMDMSOURCE=in.mdm\nRESCALEFACTOR=200\nMDM=out.mdm\n");
    s.write("7.cfg", "MODE=7\nMDXSOURCE=in.mdx\nRESCALEFACTOR=200\nMDX=out.mdx\n");
    const run_result six = s.run({"-cfg", "6.cfg"});
    EXPECT_EQ(six.status, 1);
    EXPECT_EQ(six.out, frame(6, loading_mdm + mdm_valid + "2\n0:0:4\n1:6:3\n" +
                                    exporting("out.mdm", static_cast<long>(mdm.size()))));
    bytes scaled = mdm;
    byte_region region = region_of(scaled);
    rescale_mdm(region, 200);
    EXPECT_EQ(s.read_bytes("out.mdm"), scaled);

    const run_result seven = s.run({"-cfg", "7.cfg"});
    EXPECT_EQ(seven.status, 1);
    EXPECT_EQ(seven.out, frame(7, loading_mdx + mdx_valid +
                                      exporting("out.mdx", static_cast<long>(mdx.size()))));
    scaled = mdx;
    region = region_of(scaled);
    rescale_mdx(region, 200);
    EXPECT_EQ(s.read_bytes("out.mdx"), scaled);
}

TEST(SkeletalModes, NegativeRescaleFactorIsRefused) {
    scratch_dir s;
    s.write("in.mdm", expect_mdm(0).file);
    s.write("in.mdx", expect_mdx().file);
    s.write("6.cfg", "MODE=6\nMDMSOURCE=in.mdm\nRESCALEFACTOR=-50\nMDM=out.mdm\n");
    s.write("7.cfg", "MODE=7\nMDXSOURCE=in.mdx\nRESCALEFACTOR=-50\nMDX=out.mdx\n");
    const run_result six = s.run({"-cfg", "6.cfg"});
    EXPECT_EQ(six.status, 0);
    EXPECT_EQ(six.out, banner + running_mode(6) + loading_mdm + mdm_valid +
                           "ERROR: Invalid RESCALEFACTOR value.\nERROR: Failed to rescale MDM.\n");
    EXPECT_NE(six.err.find("RESCALEFACTOR"), std::string::npos);
    const run_result seven = s.run({"-cfg", "7.cfg"});
    EXPECT_EQ(seven.status, 0);
    EXPECT_EQ(seven.out,
              banner + running_mode(7) + loading_mdx + mdx_valid +
                  "ERROR: Invalid RESCALEFACTOR value.\nERROR: Failed to rescale MDX.\n");
    EXPECT_FALSE(s.exists("out.mdm"));
    EXPECT_FALSE(s.exists("out.mdx"));
}

TEST(SkeletalModes, FailingLinksPrintTheirStepLine) {
    scratch_dir s;
    write_samples(s);
    s.write("1.cfg", "MODE=1\nMDS=missing.mds\nMDM=out.mdm\n");
    EXPECT_EQ(s.run({"-cfg", "1.cfg"}).out,
              banner + running_mode(1) + loading_mds +
                  "ERROR:Failed to open file[ missing.mds ].\nERROR:Failed to load MDS.\n");
    s.write("2.cfg", "MODE=1\nMDS=sample.mds\nMDM=out.mdm\nBASEFRAME=5\n");
    const run_result frame_out = s.run({"-cfg", "2.cfg"});
    EXPECT_EQ(frame_out.status, 0);
    const std::string tail = "Tags...ERROR: Invalid BASEFRAME value.\n"
                             "ERROR:Failed to Convert MDS to MDM.\n";
    EXPECT_EQ(frame_out.out.substr(frame_out.out.size() - tail.size()), tail);
    s.write("3.cfg", "MODE=2\nMDS=reference.mdm\nMDX=out.mdx\n");
    EXPECT_EQ(s.run({"-cfg", "3.cfg"}).out,
              banner + running_mode(2) + loading_mds +
                  "Checking MDS Header...ERROR:This MDS seems to be wrong file.\n"
                  "ERROR:Failed to load MDS.\n");
    s.write("4.cfg", "MODE=4\nMDMSOURCE=reference.mdm\nREFERENCEMDM=sample.mds\nMDM=out.mdm\n");
    EXPECT_EQ(s.run({"-cfg", "4.cfg"}).out,
              banner + running_mode(4) + loading_mdm + mdm_valid + loading_mdm +
                  "Checking MDM Header...ERROR:This seems to be wrong MDM file.\n"
                  "ERROR:Failed to load Reference MDM.\n");
    s.write("5.cfg", "MODE=5\nMDXSOURCE=reference.mdx\nREFERENCEMDX=reference.mdx\nMDX=no/such/"
                     "dir/out.mdx\n");
    const run_result save = s.run({"-cfg", "5.cfg"});
    EXPECT_EQ(save.status, 0);
    const std::string save_tail = "Saving Data ( no/such/dir/out.mdx )...Failed to create file[ "
                                  "no/such/dir/out.mdx ].\nERROR: Failed to save file.\n";
    EXPECT_EQ(save.out.substr(save.out.size() - save_tail.size()), save_tail);
    bytes torso = build_mds(sample_mds_desc());
    patch_i32(torso, mds_header::torso_parent, 40);
    s.write("torso.mds", torso);
    s.write("6.cfg", "MODE=3\nMDS=torso.mds\nMDM=out.mdm\nMDX=out.mdx\n");
    const run_result mdx = s.run({"-cfg", "6.cfg"});
    EXPECT_EQ(mdx.status, 0);
    EXPECT_TRUE(s.exists("out.mdm")); // saved by the step before
    const std::string mdx_tail = "ERROR:The MDS torso parent 40 is not one of its bones.\n"
                                 "ERROR:Failed to Convert MDS to MDM.\n";
    EXPECT_EQ(mdx.out.substr(mdx.out.size() - mdx_tail.size()), mdx_tail);
}

TEST(SkeletalExamples, SamplesAreTheWritersOutput) {
    EXPECT_EQ(read_file(source_path("examples/sample.mds")), [] {
        const bytes b = build_mds(sample_mds_desc());
        return std::string(b.begin(), b.end());
    }());
    const bytes mdm = build_mdm(reference_mdm_desc());
    EXPECT_EQ(read_file(source_path("examples/reference.mdm")),
              std::string(mdm.begin(), mdm.end()));
    const bytes mdx = build_mdx(reference_mdx_desc());
    EXPECT_EQ(read_file(source_path("examples/reference.mdx")),
              std::string(mdx.begin(), mdx.end()));
}

TEST(SkeletalExamples, EveryModeRunsInOrder) {
    scratch_dir s;
    for (const char* name :
         {"sample.mds", "reference.mdm", "reference.mdx", "mode1-mds-to-mdm.cfg",
          "mode2-mds-to-mdx.cfg", "mode3-mds-to-mdm-and-mdx.cfg", "mode4-replace-mdm-tags.cfg",
          "mode5-replace-mdx-bones.cfg", "mode6-rescale-mdm.cfg", "mode7-rescale-mdx.cfg"})
        s.write(name, read_file(source_path(std::string("examples/") + name)));
    for (const char* cfg :
         {"mode1-mds-to-mdm.cfg", "mode2-mds-to-mdx.cfg", "mode3-mds-to-mdm-and-mdx.cfg",
          "mode4-replace-mdm-tags.cfg", "mode5-replace-mdx-bones.cfg", "mode6-rescale-mdm.cfg",
          "mode7-rescale-mdx.cfg"}) {
        const run_result r = s.run({"-cfg", cfg});
        EXPECT_EQ(r.status, 1) << cfg << "\n" << r.out;
    }
    for (const char* out :
         {"sample.mdm", "sample.mdx", "sample-frame1.mdm", "sample-frame1.mdx",
          "sample-retagged.mdm", "sample-rebound.mdx", "sample-half.mdm", "sample-half.mdx"})
        EXPECT_TRUE(s.exists(out)) << out;
}
