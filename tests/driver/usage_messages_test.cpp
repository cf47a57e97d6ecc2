// What the tool tells a user on standard error and in its help: usage, version,
// hints for ignored options, inputs that cannot be opened, an invalid MODE. The
// definition's standard output stays as it was.
#include <gtest/gtest.h>
#include <regex>

#include "driver/tool_config.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(Usage, HelpAndVersionEndLikeACompletedRun) {
    scratch_dir s;
    for (const char* flag : {"--help", "-h"}) {
        const run_result r = s.run({"a", flag});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.starts_with("Usage: ossify [-cfg FILE]\n")) << r.out;
        EXPECT_TRUE(has(r.out, "Exit status: 1 after a completed job, 0 after an error"));
        EXPECT_TRUE(has(r.out, "README.md"));
        EXPECT_EQ(r.err, "");
    }
    const run_result v = s.run({"--version"});
    EXPECT_EQ(v.status, 1);
    EXPECT_EQ(v.out, std::string("ossify ") + OSSIFY_PROJECT_VERSION + "\n");
    // After -cfg the argument is the configuration path, whatever it looks like.
    const run_result path = s.run({"-cfg", "--help"});
    EXPECT_EQ(path.status, 0);
    EXPECT_TRUE(has(path.out, "Error found in config file. Check --help.\n"));
}

// The help, the README's key table and the configuration reader name the same
// keys: every key the help lists is accepted, and every key of the table is
// accepted and in the help.
TEST(Usage, HelpReadmeAndReaderAgreeOnTheKeys) {
    const run_result r = scratch_dir().run({"--help"});
    const auto accepted = [](const std::string& key) {
        ossify::tool_config config;
        int result = 0;
        capture_stdout([&] { result = ossify::load_config_text(key + "=1\n", config); });
        return result == 1;
    };
    const std::regex key_line("\n  ([A-Z0-9]+)=");
    int keys = 0;
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), key_line);
         it != std::sregex_iterator(); ++it, ++keys)
        EXPECT_TRUE(accepted((*it)[1].str())) << (*it)[1];
    EXPECT_GE(keys, 20);

    const std::string readme = read_file(source_path("README.md"));
    const std::size_t table = readme.find("| Key | Value |");
    ASSERT_NE(table, std::string::npos);
    const std::string rows = readme.substr(table, readme.find("\n\n", table) - table);
    const std::regex row_keys("\n\\| (`[A-Z0-9]+`(, `[A-Z0-9]+`)*) \\|");
    const std::regex one_key("`([A-Z0-9]+)`");
    int listed = 0;
    for (auto row = std::sregex_iterator(rows.begin(), rows.end(), row_keys);
         row != std::sregex_iterator(); ++row) {
        const std::string cell = (*row)[1].str();
        for (auto k = std::sregex_iterator(cell.begin(), cell.end(), one_key);
             k != std::sregex_iterator(); ++k, ++listed) {
            const std::string key = (*k)[1].str();
            EXPECT_TRUE(accepted(key)) << key;
            EXPECT_NE(r.out.find(key), std::string::npos) << key << " is not in the help";
        }
    }
    EXPECT_EQ(listed, 43);
}

TEST(Usage, UnknownOptionsAreIgnoredWithAHint) {
    scratch_dir s;
    s.write("ossify.cfg", "MODE=11\n");
    const run_result plain = s.run();
    const run_result r = s.run({"-v", "-cfg", "ossify.cfg", "--verbose"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, plain.out);
    EXPECT_TRUE(has(r.err, "ignoring the argument \"-v\"; usage: ossify [-cfg FILE]")) << r.err;
    EXPECT_TRUE(has(r.err, "ignoring the argument \"--verbose\""));
    EXPECT_FALSE(has(r.err, "\"ossify.cfg\""));
}

// Each input that cannot be opened names its key, the path in quotes (so a
// trailing blank shows) and the working directory, before the job starts.
TEST(Messages, UnopenedInputsNameKeyPathAndDirectory) {
    scratch_dir s;
    for (const char* f : {"reference.mdm", "reference.mdx"})
        s.write(f, read_file(source_path(std::string("examples/") + f)));
    const std::string here = s.path("").parent_path().string();
    const struct {
        std::string config, out_tail, err;
    } cases[] = {
        {"MODE=8\nMQO=model.mqo \nMD3OUTNAME=o.md3\n",
         "ERROR:Failed to open file[ model.mqo  ].\nERROR: Cannot open MQO file.\n",
         "ossify: MQO=\"model.mqo \" cannot be opened (No such file or directory); the working "
         "directory is " +
             here + "\n"},
        {"MODE=9\nMQO=a\tb\x7f.mqo\nMDM=o.mdm\n", "ERROR: Cannot open MQO file.\n",
         "MQO=\"a\\x09b\\x7f.mqo\""},
        {"MODE=1\nMDS=\"q\".mds\nMDM=o.mdm\n",
         "ERROR:Failed to open file[ \"q\".mds ].\nERROR: Cannot open MDS file.\n",
         "ossify: MDS=\"\\\"q\\\".mds\" cannot be opened"},
        {"MODE=4\nMDMSOURCE=reference.mdm\nMDM=out.mdm\n", "ERROR: Missing REFERENCEMDM value.\n",
         "ossify: REFERENCEMDM is not set; this job reads the file it names: add a line "
         "REFERENCEMDM=PATH to the configuration.\n"},
        {"MODE=5\nMDXSOURCE=reference.mdx\nMDX=out.mdx\n", "ERROR: Missing REFERENCEMDX value.\n",
         "ossify: REFERENCEMDX is not set"},
        {"MODE=7\nMDXSOURCE=gone.mdx\nMDX=o.mdx\nRESCALEFACTOR=50\n",
         "ERROR: Cannot open MDXSOURCE file.\n", "ossify: MDXSOURCE=\"gone.mdx\" cannot be opened"},
    };
    for (const auto& c : cases) {
        s.write("ossify.cfg", c.config);
        const run_result r = s.run();
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.ends_with(c.out_tail)) << r.out;
        EXPECT_TRUE(has(r.err, c.err)) << r.err;
    }
    const run_result config = s.run({"-cfg", "nope.cfg "});
    EXPECT_TRUE(has(config.err, "the configuration file \"nope.cfg \" cannot be opened"))
        << config.err;
}

TEST(Messages, ModeOutOfRangeListsTheModes) {
    scratch_dir s;
    s.write("ossify.cfg", "MODE=13\n");
    const run_result r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.out, "Parsing config error at line 1:Invalid MODE value\n"));
    EXPECT_TRUE(r.err.starts_with("ossify: MODE is a number from 1 to 12:\n  1 ")) << r.err;
    EXPECT_TRUE(has(r.err, "\n  9      MQO with skeleton markers"));
}
