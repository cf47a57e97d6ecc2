// Modes 1 to 7 through the built binary: stdout and written files byte for
// byte, exit status (1 after a completed job, 0 after an error).
#include <gtest/gtest.h>

#include "skeletal_fixture.hpp"
#include "support/scratch.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

const std::string loading_mds = "\n--- Loading MDS ---\n\n", mds_in = loading_mds + mds_valid;
const std::string loading_mdm = "\n--- Loading MDM ---\n\n", mdm_in = loading_mdm + mdm_valid;
const std::string mdx_in = "\n--- Loading MDX ---\n\n" + mdx_valid;

// The inputs every mode may read: the sample files, the MDM and MDX split from
// the sample, and a sample whose torso parent is not one of its bones.
void write_inputs(const scratch_dir& s) {
    mds_desc torso = sample_mds_desc();
    torso.torso_parent = 40;
    s.write("sample.mds", build_mds(sample_mds_desc()));
    s.write("torso.mds", build_mds(torso));
    s.write("reference.mdm", build_mdm(reference_mdm_desc()));
    s.write("reference.mdx", build_mdx(reference_mdx_desc()));
    placed_file mds = place_mds(build_mds(sample_mds_desc()));
    work_buffer mdm = make_work_buffer(mdm_buffer_size), mdx = make_work_buffer(mdx_buffer_size);
    capture_stdout([&] {
        s.write("in.mdm", first_bytes(mdm.region, convert_mds_to_mdm(mds.region(), mdm.region, 0)));
        s.write("in.mdx", first_bytes(mdx.region, convert_mds_to_mdx(mdx.region, mds.region())));
    });
}

run_result run_mode(const scratch_dir& s, int mode, const std::string& cfg) {
    write_inputs(s);
    s.write("a.cfg", "MODE=" + std::to_string(mode) + "\n" + cfg);
    return s.run({"-cfg", "a.cfg"});
}

} // namespace

// The bytes each mode printed and wrote when they were checked against the
// library's own results; any change to a trace or a file shows here.
TEST(SkeletalModes, EachModeWritesTheSameBytes) {
    const struct {
        int mode;
        const char* cfg;
        std::uint64_t out, mdm, mdx; // 0: no such file
    } cases[] = {
        {1, "MDS=sample.mds\nMDM=out.mdm\nBASEFRAME=1\n", 0x4eaf5b12f3916f43u, 0xcd4965a78dcf3921u,
         0},
        {2, "MDS=sample.mds\nMDX=out.mdx\n", 0xae1469d43b2f8bd2u, 0, 0x51e1056efef9f678u},
        // Mode 3 reports only for REPORT=1.
        {3, "MDS=sample.mds\nMDM=out.mdm\nMDX=out.mdx\nREPORT=1\n", 0xb0fdf258193a0323u,
         0x115623f913122205u, 0x51e1056efef9f678u},
        {3, "MDS=sample.mds\nMDM=out.mdm\nMDX=out.mdx\nREPORT=2\n", 0x3969cf32a8421c9bu,
         0x115623f913122205u, 0x51e1056efef9f678u},
        {4, "MDMSOURCE=in.mdm\nREFERENCEMDM=reference.mdm\nMDM=out.mdm\n", 0xae128184f012468du,
         0x3462a5f07c8b4d2cu, 0},
        {5, "MDXSOURCE=in.mdx\nREFERENCEMDX=reference.mdx\nMDX=out.mdx\n", 0x127d24e81a1b81d9u, 0,
         0x7a6000dd7f3ed3dfu},
        {6, "MDMSOURCE=in.mdm\nRESCALEFACTOR=200\nMDM=out.mdm\n", 0x1176dc2f47487f52u,
         0xcd9ba16e8779c6c2u, 0},
        {7, "MDXSOURCE=in.mdx\nRESCALEFACTOR=200\nMDX=out.mdx\n", 0x0e8b08185e4e2472u, 0,
         0x0e08ea2ed76d3fbeu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cfg);
        scratch_dir s;
        const run_result r = run_mode(s, c.mode, c.cfg);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.starts_with(banner + running_mode(c.mode)) && r.out.ends_with(all_done));
        EXPECT_EQ(fnv1a(r.out), c.out);
        EXPECT_EQ(s.exists("out.mdm") ? fnv1a(s.read("out.mdm")) : 0, c.mdm);
        EXPECT_EQ(s.exists("out.mdx") ? fnv1a(s.read("out.mdx")) : 0, c.mdx);
    }
}

TEST(SkeletalModes, FailingStepsPrintTheirLine) {
    const struct {
        int mode;
        std::string cfg, tail; // the whole trace after "Running MODE(n)" but where cut short
        bool mdm_saved = false;
    } cases[] = {
        // Inputs that cannot be opened are refused before the job reads anything.
        {1, "MDS=missing.mds\nMDM=out.mdm\n",
         running_mode(1) +
             "ERROR:Failed to open file[ missing.mds ].\nERROR: Cannot open MDS file.\n"},
        {2, "MDS=.\nMDX=out.mdx\n", // a directory opens but cannot be read
         loading_mds + "ERROR:Failed to read file.\nERROR:Failed to load MDS.\n"},
        {1, "MDS=sample.mds\nMDM=out.mdm\nBASEFRAME=5\n",
         "Tags...ERROR: Invalid BASEFRAME value.\nERROR:Failed to Convert MDS to MDM.\n"},
        // The MDM is saved before the MDX step fails; that step says MDM too.
        {3, "MDS=torso.mds\nMDM=out.mdm\nMDX=out.mdx\n",
         "Tag 2)\nERROR:The MDS torso parent 40 is not one of its bones.\n"
         "ERROR:Failed to Convert MDS to MDM.\n",
         true},
        {4, "MDMSOURCE=reference.mdm\nREFERENCEMDM=sample.mds\nMDM=out.mdm\n",
         mdm_in + loading_mdm +
             "Checking MDM Header...ERROR:This seems to be wrong MDM file.\n"
             "ERROR:Failed to load Reference MDM.\n"},
        {5, "MDXSOURCE=reference.mdx\nREFERENCEMDX=reference.mdx\nMDX=no/such/dir/out.mdx\n",
         mdx_in + mdx_in + "head\npelvis\nneck\nchest\nspine\n" + saving("no/such/dir/out.mdx") +
             "Failed to create file[ no/such/dir/out.mdx ].\nERROR: Failed to save file.\n"},
        // A negative factor reads as -1: refused, not a mirror at -1 %.
        {6, "MDMSOURCE=in.mdm\nRESCALEFACTOR=-50\nMDM=out.mdm\n",
         mdm_in + "ERROR: Invalid RESCALEFACTOR value.\nERROR: Failed to rescale MDM.\n"},
        {7, "MDXSOURCE=in.mdx\nRESCALEFACTOR=-50\nMDX=out.mdx\n",
         mdx_in + "ERROR: Invalid RESCALEFACTOR value.\nERROR: Failed to rescale MDX.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cfg);
        scratch_dir s;
        const run_result r = run_mode(s, c.mode, c.cfg);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.starts_with(banner + running_mode(c.mode))) << r.out;
        EXPECT_TRUE(r.out.ends_with(c.tail)) << r.out;
        EXPECT_EQ(r.err.find("RESCALEFACTOR") != std::string::npos,
                  c.cfg.find("RESCALEFACTOR") != std::string::npos);
        EXPECT_EQ(s.exists("out.mdm"), c.mdm_saved);
        EXPECT_FALSE(s.exists("out.mdx"));
    }
}

// The example samples are what the test-side writer makes (its target
// skeletal_samples rewrites them).
TEST(SkeletalExamples, SamplesAreTheWritersOutput) {
    const auto text = [](const bytes& b) { return std::string(b.begin(), b.end()); };
    EXPECT_EQ(read_file(source_path("examples/sample.mds")), text(build_mds(sample_mds_desc())));
    EXPECT_EQ(read_file(source_path("examples/reference.mdm")),
              text(build_mdm(reference_mdm_desc())));
    EXPECT_EQ(read_file(source_path("examples/reference.mdx")),
              text(build_mdx(reference_mdx_desc())));
}
