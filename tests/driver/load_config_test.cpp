#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "driver/tool_config.hpp"
#include "support/capture_stdout.hpp"

using namespace ossify;
using ossify_test::capture_stdout;

namespace {

struct config_run {
    int result;
    std::string out;
};

config_run load(const std::string& text, tool_config& config) {
    int result = 0;
    std::string out = capture_stdout([&] { result = load_config_text(text, config); });
    return {result, out};
}

} // namespace

TEST(LoadConfig, ReadsEveryKey) {
    tool_config c;
    const auto r = load("MODE=9\nMDS=a.mds\nMDM=b.mdm\nMDX=c.mdx\nMQO=d.mqo\nREPORT=1\n"
                        "BASEFRAME=3\nREPLACEMDMNAME=1\nMDMNAME=mn\nREPLACEMDXNAME=2\n"
                        "MDXNAME=xn\nRESCALEFACTOR=50\nREFERENCEMDM=r.mdm\nREFERENCEMDX=r.mdx\n"
                        "MDMSOURCE=s.mdm\nMDXSOURCE=s.mdx\nMQOROOTBONE=4\nMD3SHADERPATH=sh\n"
                        "MD3OUTNAME=o.md3\n",
                        c);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(c.mode, 9);
    EXPECT_STREQ(c.mds_path, "a.mds");
    EXPECT_STREQ(c.mdm_path, "b.mdm");
    EXPECT_STREQ(c.mdx_path, "c.mdx");
    EXPECT_STREQ(c.mqo_path, "d.mqo");
    EXPECT_EQ(c.report, 1);
    EXPECT_EQ(c.base_frame, 3);
    EXPECT_EQ(c.replace_mdm_name, 1);
    EXPECT_STREQ(c.mdm_name, "mn");
    EXPECT_EQ(c.replace_mdx_name, 2);
    EXPECT_STREQ(c.mdx_name, "xn");
    EXPECT_EQ(c.rescale_factor, 50);
    EXPECT_STREQ(c.reference_mdm, "r.mdm");
    EXPECT_STREQ(c.reference_mdx, "r.mdx");
    EXPECT_STREQ(c.mdm_source, "s.mdm");
    EXPECT_STREQ(c.mdx_source, "s.mdx");
    EXPECT_EQ(c.mqo_root_bone, 4);
    EXPECT_STREQ(c.md3_shader_path, "sh");
    EXPECT_STREQ(c.md3_out_name, "o.md3");
}

TEST(LoadConfig, SkipsCommentsAndShortLines) {
    tool_config c;
    const auto r = load("// comment\n\nab\nM=\n//MODE=x\n", c);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(c.mode, 0);
}

TEST(LoadConfig, ModeMustBeOneToTwelve) {
    for (const char* line : {"MODE=0", "MODE=13", "MODE=x", "MODE=-1"}) {
        tool_config c;
        const auto r = load(std::string("//\n") + line + "\n", c);
        EXPECT_EQ(r.result, -1) << line;
        EXPECT_EQ(r.out, "Parsing config error at line 2:Invalid MODE value\n") << line;
    }
    tool_config c;
    EXPECT_EQ(load("MODE=8abc\n", c).result, 1);
    EXPECT_EQ(c.mode, 8);
}

TEST(LoadConfig, KeysAreExactAndCaseSensitive) {
    struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"M=1\n", "Parsing config error at line 1:No such key(M).\n"},
        {"mode=1\n", "Parsing config error at line 1:No such key(mode).\n"},
        {"MODE = 8\n", "Parsing config error at line 1:No such key(MODE ).\n"},
        {"=abc\n", "Parsing config error at line 1:No such key().\n"},
        {"//a\n//b\n//c\n//d\nWHAT=1\n", "Parsing config error at line 5:No such key(WHAT).\n"},
        {"MODE\n", "Parsing config error at line 1:No Value\n"},
    };
    for (const auto& k : cases) {
        tool_config c;
        const auto r = load(k.text, c);
        EXPECT_EQ(r.result, -1) << k.text;
        EXPECT_EQ(r.out, k.message) << k.text;
    }
}

TEST(LoadConfig, LongKeysAndLinesWithoutEquals) {
    tool_config c;
    EXPECT_EQ(load(std::string(255, 'K') + "\n", c).out,
              "Parsing config error at line 1:No Value\n");
    EXPECT_EQ(load(std::string(256, 'K') + "\n", c).out,
              "Parsing config error at line 1:Too long key entry.\n");
    EXPECT_EQ(load(std::string(256, 'K') + "=1\n", c).out,
              "Parsing config error at line 1:Too long key entry.\n");
    EXPECT_EQ(load(std::string(255, 'K') + "=1\n", c).out,
              "Parsing config error at line 1:No such key(" + std::string(255, 'K') + ").\n");
}

TEST(LoadConfig, ValuesAreKeptUntrimmedAndCut) {
    tool_config c;
    EXPECT_EQ(load("MQO=a.mqo // model\nMDS=\nMDM=x\nMDM=y\n", c).result, 1);
    EXPECT_STREQ(c.mqo_path, "a.mqo // model");
    EXPECT_STREQ(c.mds_path, "");
    EXPECT_STREQ(c.mdm_path, "y");

    EXPECT_EQ(load("MQO=" + std::string(300, 'q') + "\nMDMSOURCE=" + std::string(70, 's') + "\n", c)
                  .result,
              1);
    EXPECT_EQ(std::string(c.mqo_path), std::string(255, 'q'));
    EXPECT_EQ(std::string(c.mdm_source), std::string(63, 's'));

    EXPECT_EQ(load("BASEFRAME=-2\n", c).result, 1);
    EXPECT_EQ(c.base_frame, -1);
}

TEST(LoadConfig, Md3FieldsAreZeroFilledOtherFieldsKeepTheirTail) {
    tool_config c;
    std::memset(c.md3_out_name, 'x', sizeof c.md3_out_name);
    std::memset(c.mdm_source, 'x', sizeof c.mdm_source);
    EXPECT_EQ(load("MD3OUTNAME=ab\nMDMSOURCE=ab\n", c).result, 1);
    for (std::size_t i = 2; i < sizeof c.md3_out_name; ++i)
        EXPECT_EQ(c.md3_out_name[i], 0);
    EXPECT_EQ(c.mdm_source[2], 0);
    EXPECT_EQ(c.mdm_source[3], 'x');
}

TEST(LoadConfig, ReadsInPiecesOf1023Characters) {
    // A line of 1023 characters and its line feed makes two pieces: the second,
    // an empty line, still takes a line number.
    tool_config c;
    const std::string long_value = "MQO=" + std::string(1019, 'p');
    EXPECT_EQ(load(long_value + "\nbad\n", c).out, "Parsing config error at line 3:No Value\n");
    // 1024 characters: the last one continues as a line of its own.
    EXPECT_EQ(load(long_value + "pZZZ\n", c).out, "Parsing config error at line 2:No Value\n");
}

TEST(LoadConfig, CarriageReturnsBeforeLineFeedsEndTheLine) {
    tool_config c;
    EXPECT_EQ(load("MODE=7\r\nMDXSOURCE=a.mdx\r\n", c).result, 1);
    EXPECT_EQ(c.mode, 7);
    EXPECT_STREQ(c.mdx_source, "a.mdx");
    // Counted as on Windows: CR LF is one character of the 1023.
    const std::string line = "MQO=" + std::string(1018, 'p');
    EXPECT_EQ(load(line + "\r\nbad\r\n", c).out, "Parsing config error at line 2:No Value\n");
}
