// The text routines behind every configuration and MQO line, where they differ
// from the library routines a reader might expect.
#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "base/text_routines.hpp"

using namespace ossify;

namespace {

std::vector<std::string> tokens_of(const std::string& line) {
    std::vector<std::string> tokens;
    char token[token_capacity];
    for (const char* rest = line.c_str();;) {
        rest += read_chunk(rest, token);
        if (token[0] == '\0') return tokens;
        tokens.emplace_back(token);
    }
}

} // namespace

// A high byte is never a digit.
TEST(A2i, ReadsLeadingDigitsOfAnInt32Only) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"0", 0},           {"007", 7},
        {"12abc", 12},      {"4096}", 4096},
        {" 1", -1},         {"", -1},
        {"-5", -1},         {"+5", -1},
        {"\xB2", -1},       {"2147483647", 2147483647},
        {"2147483648", -1}, {"99999999999999999999999", -1}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(a2i(text), value) << text;
}

// Short numbers are computed as the tool always has: "1234567.89" is
// f32(f32(123456789) / 100), the mantissa rounded to float first. Exponent
// notation and long digit runs are correctly rounded; a bare e ends the number.
// Out of range gives infinity or zero.
TEST(StrToFloat, ShortNumbersFollowTheMantissaRuleLongOnesRoundCorrectly) {
    const auto mantissa_first = static_cast<float>(static_cast<double>(123456789.0f) / 100.0);
    const std::pair<const char*, float> cases[] = {
        {"-0.5000", -0.5f},
        {"10", 10.0f},
        {"abc", 0.0f},
        {"-1.25", -1.25f},
        {"3.", 3.0f},
        {".5", 0.5f},
        {"1.2.3", 1.23f},
        {"+2", 0.0f},
        {"", 0.0f},
        {"-", -0.0f},
        {"1234567.89", mantissa_first},
        {"1.5e3", 1500.0f},
        {"1.5E+3", 1500.0f},
        {"6.12323426e-17", 6.12323426e-17f},
        {"-2.5e-1", -0.25f},
        {"1.5e", 1.5f},
        {"1.5e+x", 1.5f},
        {"0.1234567891", 0.1234567891f},
        {"12345678901234567890", 12345678901234567890.0f},
        {"3.14159265358979323846", 3.14159265358979323846f},
        {"1e39", INFINITY},
        {"-1e400", -INFINITY},
        {"1e-60", 0.0f}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(std::bit_cast<std::uint32_t>(str_to_float(text)),
                  std::bit_cast<std::uint32_t>(value))
            << text;
}

// An empty quoted token ends the line; high bytes separate tokens outside
// quotes only.
TEST(ReadChunk, SplitsLinesLikeTheTokenTable) {
    using v = std::vector<std::string>;
    const std::pair<std::string, v> cases[] = {
        {"Material 2 {", {"Material", "2"}},
        {"Object \"obj1\" {", {"Object", "obj1"}},
        {"3 V(0 1 2) M(0) UV(0 0 1 0 1 1)",
         {"3", "V", "0", "1", "2", "M", "0", "UV", "0", "0", "1", "0", "1", "1"}},
        {"\"mat 1\" col(1 1 1 1) tex(\"a b.bmp\")",
         {"mat 1", "col", "1", "1", "1", "1", "tex", "a b.bmp"}},
        {"}", {}},
        {"ab\"cd\"", {"abcd"}},
        {"\"\" after", {}},
        {"ab\202cd", {"ab", "cd"}},
        {"\"ab\202cd\"", {"ab\202cd"}},
        {"\"unterminated (quote", {"unterminated (quote"}},
    };
    for (const auto& [line, tokens] : cases)
        EXPECT_EQ(tokens_of(line), tokens) << line;
    // The count covers the separators before the token and its quote marks.
    char token[token_capacity];
    EXPECT_EQ(read_chunk("   \"a b\"c", token), 8);
    EXPECT_STREQ(token, "a b");
    EXPECT_EQ(read_chunk("   \r\n", token), 3);
    EXPECT_STREQ(token, "");
}
