// Configurations that used to damage data or waste a run without a word: each
// is refused before the job reads or writes anything, naming the key.
#include <gtest/gtest.h>

#include "driver/tool_config.hpp"
#include "skeletal/skeletal_fixture.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

// A missing, empty, zero, negative or fractional factor would flatten,
// mirror or wrongly scale the model; each is refused and nothing written.
TEST(Refusals, RescaleFactorMustBeAWholePercentageAboveZero) {
    scratch_dir s;
    s.write("in.mdm", build_mdm(reference_mdm_desc()));
    s.write("in.mdx", build_mdx(reference_mdx_desc()));
    const struct {
        std::string line, err;
    } cases[] = {
        {"", "RESCALEFACTOR is not set"},
        {"RESCALEFACTOR=\n", "RESCALEFACTOR is empty"},
        {"RESCALEFACTOR=0\n", "RESCALEFACTOR=\"0\" is not a whole percentage"},
        {"RESCALEFACTOR=000\n", "RESCALEFACTOR=\"000\""},
        {"RESCALEFACTOR=-50\n", "RESCALEFACTOR=\"-50\""},
        {"RESCALEFACTOR=1.2\n", "RESCALEFACTOR=\"1.2\""},
        {"RESCALEFACTOR=120%\n", "RESCALEFACTOR=\"120%\""},
        {"RESCALEFACTOR=50 \n", "RESCALEFACTOR=\"50 \""},
        {"RESCALEFACTOR=99999999999\n", "RESCALEFACTOR=\"99999999999\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        s.write("6.cfg", "MODE=6\nMDMSOURCE=in.mdm\nMDM=out.mdm\n" + c.line);
        s.write("7.cfg", "MODE=7\nMDXSOURCE=in.mdx\nMDX=out.mdx\n" + c.line);
        for (const char* config : {"6.cfg", "7.cfg"}) {
            const run_result r = s.run({"-cfg", config});
            EXPECT_EQ(r.status, 0);
            EXPECT_TRUE(has(r.out, "ERROR: Invalid RESCALEFACTOR value.\nERROR: Failed to rescale"))
                << r.out;
            EXPECT_TRUE(has(r.err, "ossify: " + c.err)) << r.err;
        }
        EXPECT_FALSE(s.exists("out.mdm"));
        EXPECT_FALSE(s.exists("out.mdx"));
    }
    s.write("6.cfg", "MODE=6\nMDMSOURCE=in.mdm\nMDM=out.mdm\nRESCALEFACTOR=007\n");
    EXPECT_EQ(s.run({"-cfg", "6.cfg"}).status, 1);
}

// A job stops before its work when an output key is missing or an input cannot
// be opened, and lists every such key, not only the first.
TEST(Refusals, KeysAndFilesAreCheckedBeforeTheJobReadsAnything) {
    scratch_dir s;
    s.write("model.mqo", read_file(source_path("examples/character.mqo")));
    s.write("in.mdm", build_mdm(reference_mdm_desc()));
    const struct {
        std::string config, out;
    } cases[] = {
        // Mode 8 used to parse and build the whole model, then fail to save.
        {"MODE=8\nMQO=model.mqo\n", "ERROR: Missing MD3OUTNAME value.\n"},
        {"MQO=model.mqo\n", "ERROR: Missing MD3OUTNAME value.\n"},
        {"MODE=9\nMQO=model.mqo\nREFERENCEMDM=gone.mdm\n",
         "ERROR:Failed to open file[ gone.mdm ].\nERROR: Cannot open REFERENCEMDM file.\n"
         "ERROR: Missing MDM value.\n"},
        {"MODE=4\nMDMSOURCE=in.mdm\nREFERENCEMDM=in.mdm\n", "ERROR: Missing MDM value.\n"},
        {"MODE=3\nMDS=gone.mds\nMDM=a.mdm\n",
         "ERROR:Failed to open file[ gone.mds ].\nERROR: Cannot open MDS file.\n"
         "ERROR: Missing MDX value.\n"},
        {"MODE=10\nMDMSOURCE=in.mdm\nPREVIEW=p.glb\n", "ERROR: Missing MDXSOURCE value.\n"},
        {"MODE=10\nMDSSOURCE=gone.mds\n",
         "ERROR:Failed to open file[ gone.mds ].\nERROR: Cannot open MDSSOURCE file.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config);
        s.write("ossify.cfg", c.config);
        const run_result r = s.run();
        EXPECT_EQ(r.status, 0);
        const int mode = c.config.starts_with("MODE=") ? std::stoi(c.config.substr(5)) : 0;
        EXPECT_EQ(r.out, banner + running_mode(mode) + c.out);
        EXPECT_FALSE(s.exists("test.mqoobj"));
    }
    // Optional keys stay optional: mode 9 without REFERENCEMDM takes the
    // skeleton's tags, modes 11 and 12 need nothing.
    s.write("ossify.cfg", "MODE=9\nMQO=model.mqo\nMDM=a.mdm\n");
    EXPECT_EQ(s.run().status, 1);
    s.write("ossify.cfg", "MODE=12\n");
    EXPECT_EQ(s.run().status, 1);
}

TEST(Refusals, UnknownKeysGetTheNearestKeyOnStandardError) {
    const struct {
        const char* key;
        const char* nearest; // null: nothing close enough
    } cases[] = {
        {"mode", "MODE"},
        {"MODE ", "MODE"},
        {"REFRENCEMDM", "REFERENCEMDM"},
        {"MDMSOUCE", "MDMSOURCE"},
        {"RESCALE", "RESCALEFACTOR"},
        {"MD3OUT", "MD3OUTNAME"},
        {"WHOLE_MODEL", "WHOLEMODEL"},
        {"COLOUR", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const char* nearest = ossify::nearest_config_key(c.key);
        if (c.nearest == nullptr)
            EXPECT_EQ(nearest, nullptr) << c.key << " -> " << nearest;
        else
            EXPECT_STREQ(nearest, c.nearest) << c.key;
    }
    scratch_dir s;
    s.write("ossify.cfg", "MODE=8\n// a comment\nMD3OUTNAM=x.md3\n");
    const run_result r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, banner + "Parsing config error at line 3:No such key(MD3OUTNAM).\n"
                              "Error found in config file. Check ossify.cfg.\n");
    EXPECT_EQ(r.err, "ossify: line 3: did you mean MD3OUTNAME?\n");
}

// Modes that read a skinned file made elsewhere warn once a surface about
// faults that make the engine draw stray triangles, and copy the data as is.
TEST(Refusals, ReadSurfacesWithFaultsAreWarnedAboutOnce) {
    scratch_dir s;
    mdm_desc faulty = reference_mdm_desc();
    faulty.surfaces[0].collapse_map.assign(faulty.surfaces[0].vertices.size(), 0);
    faulty.surfaces[0].collapse_map.back() = 99;
    const bytes file = build_mdm(faulty);
    s.write("in.mdm", file);
    s.write("ref.mdm", build_mdm(reference_mdm_desc()));
    s.write("sample.mds", build_mds(sample_mds_desc()));
    const auto warnings = [](const std::string& err) {
        int count = 0;
        for (std::size_t at = err.find("ossify: warning: "); at != std::string::npos;
             at = err.find("ossify: warning: ", at + 1))
            count += has(err.substr(at, err.find('\n', at) - at), "(copied unchanged)") ? 1 : 0;
        return count;
    };
    s.write("4.cfg", "MODE=4\nMDMSOURCE=in.mdm\nREFERENCEMDM=ref.mdm\nMDM=out.mdm\n");
    const run_result four = s.run({"-cfg", "4.cfg"});
    EXPECT_EQ(four.status, 1);
    EXPECT_EQ(warnings(four.err), 1) << four.err;
    EXPECT_TRUE(has(four.err, "ossify: warning: in.mdm: Surface[0] Name[plate] CollapseMap["))
        << four.err;
    EXPECT_EQ(s.read("out.mdm").substr(0, 200),
              std::string(file.begin(), file.end()).substr(0, 200));

    s.write("6.cfg", "MODE=6\nMDMSOURCE=in.mdm\nRESCALEFACTOR=100\nMDM=out.mdm\n");
    const run_result six = s.run({"-cfg", "6.cfg"});
    EXPECT_EQ(warnings(six.err), 1) << six.err;
    EXPECT_EQ(s.read("out.mdm"), std::string(file.begin(), file.end()));

    // The sample MDS's first surface keeps every vertex in its collapse map:
    // one warning, although mode 3 reads the file twice.
    s.write("3.cfg", "MODE=3\nMDS=sample.mds\nMDM=a.mdm\nMDX=a.mdx\n");
    const run_result three = s.run({"-cfg", "3.cfg"});
    EXPECT_EQ(three.status, 1);
    EXPECT_EQ(warnings(three.err), 1) << three.err;
    s.write("ok.cfg", "MODE=6\nMDMSOURCE=ref.mdm\nRESCALEFACTOR=50\nMDM=out.mdm\n");
    EXPECT_EQ(warnings(s.run({"-cfg", "ok.cfg"}).err), 0);
}

// The modeller saves names in Shift_JIS: standard error shows them as UTF-8,
// standard output and the files keep their bytes.
TEST(Refusals, ShiftJisNamesReadAsUtf8OnStandardError) {
    scratch_dir s;
    const std::string arm_sjis = "\x98\x72", arm_utf8 = "\xe8\x85\x95"; // 腕
    s.write("model.mqo", mqo_document(material_chunk({material_line("skin")}) +
                                      object_chunk(arm_sjis, {"0 0 0", "1 0 0", "1 1 0", "0 1 0"},
                                                   {"3 V(0 1 2) M(0)", "4 V(0 1 2 3) M(0)"})));
    s.write("ossify.cfg", mqo_config(8));
    const run_result r = s.run();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "left out : Object[" + arm_utf8 + "] 1 faces of 4 corners")) << r.err;
    EXPECT_FALSE(has(r.err, arm_sjis));
    EXPECT_FALSE(has(r.out, arm_utf8));
}
