// The configuration reader: keys, values, line numbers, and every refusal.
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "driver/tool_config.hpp"
#include "support/capture_stdout.hpp"

using namespace ossify;
using ossify_test::capture_stdout;

namespace {

// Loads `text` into `config`; returns what it printed and expects `result`.
std::string load(const std::string& text, tool_config& config, int result = 1) {
    int got = 0;
    const std::string out = capture_stdout([&] { got = load_config_text(text, config); });
    EXPECT_EQ(got, result) << text.substr(0, 80);
    return out;
}

} // namespace

// Every key is accepted silently. The modes' end-to-end runs show the keys
// reaching their steps, but for MQOROOTBONE, which they leave at 0; MDMNAME,
// MDXNAME and their REPLACE switches are read and unused.
TEST(LoadConfig, ReadsEveryKey) {
    tool_config c;
    EXPECT_EQ(load("MODE=9\nMDS=a.mds\nMDM=b.mdm\nMDX=c.mdx\nMQO=d.mqo\nREPORT=1\n"
                   "BASEFRAME=3\nREPLACEMDMNAME=1\nMDMNAME=mn\nREPLACEMDXNAME=2\n"
                   "MDXNAME=xn\nRESCALEFACTOR=50\nREFERENCEMDM=r.mdm\nREFERENCEMDX=r.mdx\n"
                   "MDMSOURCE=s.mdm\nMDXSOURCE=s.mdx\nMQOROOTBONE=4\nMD3SHADERPATH=sh\n"
                   "MD3OUTNAME=o.md3\nBLENDWEIGHTS=3\n",
                   c),
              "");
    EXPECT_EQ(c.mode, 9);
    EXPECT_EQ(c.mqo_root_bone, 4);
    EXPECT_STREQ(c.md3_out_name, "o.md3");
    EXPECT_EQ(c.blend_weights, 3);
}

TEST(LoadConfig, ValuesAreKeptAsWritten) {
    tool_config c;
    // Comments and lines shorter than 3 characters are skipped.
    EXPECT_EQ(load("// comment\n\nab\nM=\n//MODE=x\n", c), "");
    EXPECT_EQ(c.mode, 0);
    // Values are untrimmed, the last one counts, numbers are their leading digits.
    load("MQO=a.mqo // model\nMDS=\nMDM=x\nMDM=y\nMODE=8abc\nBASEFRAME=-2\n", c);
    EXPECT_STREQ(c.mqo_path, "a.mqo // model");
    EXPECT_STREQ(c.mds_path, "");
    EXPECT_STREQ(c.mdm_path, "y");
    EXPECT_EQ(c.mode, 8);
    EXPECT_EQ(c.base_frame, -1);
    // Long values are cut to their field.
    load("MQO=" + std::string(300, 'q') + "\nMDMSOURCE=" + std::string(70, 's') + "\n", c);
    EXPECT_EQ(std::string(c.mqo_path), std::string(255, 'q'));
    EXPECT_EQ(std::string(c.mdm_source), std::string(63, 's'));
    // CR LF ends a line.
    load("MODE=7\r\nMDXSOURCE=a.mdx\r\n", c);
    EXPECT_EQ(c.mode, 7);
    EXPECT_STREQ(c.mdx_source, "a.mdx");
    // The MD3 fields are zero-filled after their value; the others keep their tail.
    std::memset(c.md3_out_name, 'x', sizeof c.md3_out_name);
    std::memset(c.mdm_source, 'x', sizeof c.mdm_source);
    load("MD3OUTNAME=ab\nMDMSOURCE=ab\n", c);
    EXPECT_EQ(std::string(c.md3_out_name, sizeof c.md3_out_name),
              "ab" + std::string(sizeof c.md3_out_name - 2, '\0'));
    EXPECT_EQ(std::string(c.mdm_source, 4), std::string("ab\0x", 4));
}

TEST(LoadConfig, RefusalsNameTheLine) {
    const std::string k255(255, 'K'), k256(256, 'K'), value1019 = "MQO=" + std::string(1019, 'p');
    const struct {
        std::string text, message;
    } cases[] = {
        {"//\nMODE=0\n", "2:Invalid MODE value\n"},
        {"//\nMODE=13\n", "2:Invalid MODE value\n"},
        {"//\nMODE=x\n", "2:Invalid MODE value\n"},
        {"//\nMODE=-1\n", "2:Invalid MODE value\n"},
        // Keys are exact and case-sensitive.
        {"M=1\n", "1:No such key(M).\n"},
        {"MDSX=1\n", "1:No such key(MDSX).\n"},
        {"mode=1\n", "1:No such key(mode).\n"},
        {"MODE = 8\n", "1:No such key(MODE ).\n"},
        {"=abc\n", "1:No such key().\n"},
        {"//a\n//b\n//c\n//d\nWHAT=1\n", "5:No such key(WHAT).\n"},
        {"MODE\n", "1:No Value\n"},
        // The key ends within 255 characters.
        {k255 + "\n", "1:No Value\n"},
        {k256 + "\n", "1:Too long key entry.\n"},
        {k256 + "=1\n", "1:Too long key entry.\n"},
        {k255 + "=1\n", "1:No such key(" + k255 + ").\n"},
        // Lines are read in pieces of 1023 characters: a line of 1023 and its line
        // feed are two pieces, the second an empty line of its own.
        {value1019 + "\nbad\n", "3:No Value\n"},
        {value1019 + "pZZZ\n", "2:No Value\n"}, // the 1024th character goes on alone
        {value1019.substr(0, 1022) + "\r\nbad\r\n", "2:No Value\n"}, // CR LF counts as one
    };
    for (const auto& c : cases) {
        tool_config config;
        EXPECT_EQ(load(c.text, config, -1), "Parsing config error at line " + c.message);
    }
}

// RESCALEFACTOR keeps its text beside its number, so that a job can tell a
// whole percentage from one that only begins like one.
TEST(LoadConfig, RescaleFactorKeepsItsText) {
    tool_config c;
    load("RESCALEFACTOR=1.2\n", c);
    EXPECT_EQ(c.rescale_factor, 1);
    EXPECT_STREQ(c.rescale_factor_text, "1.2");
    load("RESCALEFACTOR=50\n", c);
    EXPECT_STREQ(c.rescale_factor_text, "50");
    load("MDSSOURCE=a.mds\nMD3SOURCE=b.md3\n", c);
    EXPECT_STREQ(c.mds_source, "a.mds");
    EXPECT_STREQ(c.md3_source, "b.md3");
}
