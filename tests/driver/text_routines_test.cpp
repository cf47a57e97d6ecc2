#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "driver/text_routines.hpp"

using namespace ossify;

namespace {

std::vector<std::string> tokens_of(const std::string& line) {
    std::vector<std::string> tokens;
    char token[token_capacity];
    const char* rest = line.c_str();
    for (;;) {
        rest += read_chunk(rest, token);
        if (token[0] == '\0') return tokens;
        tokens.emplace_back(token);
    }
}

std::uint32_t bits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

} // namespace

TEST(Strequ, ComparesWholeStringsExactly) {
    EXPECT_EQ(strequ("", ""), 1);
    EXPECT_EQ(strequ("MODE", "MODE"), 1);
    EXPECT_EQ(strequ("MDS", "MDSX"), 0);
    EXPECT_EQ(strequ("MDSX", "MDS"), 0);
    EXPECT_EQ(strequ("MODE ", "MODE"), 0);
    EXPECT_EQ(strequ("mode", "MODE"), 0);
}

TEST(A2i, ReadsLeadingDigitsOnly) {
    EXPECT_EQ(a2i("0"), 0);
    EXPECT_EQ(a2i("007"), 7);
    EXPECT_EQ(a2i("12abc"), 12);
    EXPECT_EQ(a2i("4096}"), 4096);
    EXPECT_EQ(a2i(" 1"), -1);
    EXPECT_EQ(a2i(""), -1);
    EXPECT_EQ(a2i("-5"), -1);
    EXPECT_EQ(a2i("+5"), -1);
    EXPECT_EQ(a2i("\xB2"), -1); // a high byte is never a digit
}

TEST(A2i, DigitRunBeyondInt32IsNotANumber) {
    EXPECT_EQ(a2i("2147483647"), 2147483647);
    EXPECT_EQ(a2i("2147483648"), -1);
    EXPECT_EQ(a2i("99999999999999999999999"), -1);
}

TEST(StrToFloat, ShortNumbersFollowTheMantissaRule) {
    EXPECT_EQ(str_to_float("-0.5000"), -0.5f);
    EXPECT_EQ(str_to_float("10"), 10.0f);
    EXPECT_EQ(str_to_float("abc"), 0.0f);
    EXPECT_EQ(str_to_float("-1.25"), -1.25f);
    EXPECT_EQ(str_to_float("3."), 3.0f);
    EXPECT_EQ(str_to_float(".5"), 0.5f);
    EXPECT_EQ(str_to_float("1.2.3"), 1.23f);
    EXPECT_EQ(str_to_float("+2"), 0.0f);
    EXPECT_EQ(str_to_float(""), 0.0f);
    EXPECT_EQ(bits(str_to_float("-")), bits(-0.0f));
    // f32(f32(123456789) / 100): the mantissa is rounded to float first.
    const auto expected = static_cast<float>(static_cast<double>(123456789.0f) / 100.0);
    EXPECT_EQ(bits(str_to_float("1234567.89")), bits(expected));
}

TEST(StrToFloat, ExponentNotationAndLongRunsAreCorrectlyRounded) {
    EXPECT_EQ(str_to_float("1.5e3"), 1500.0f);
    EXPECT_EQ(str_to_float("1.5E+3"), 1500.0f);
    EXPECT_EQ(str_to_float("6.12323426e-17"), 6.12323426e-17f);
    EXPECT_EQ(str_to_float("-2.5e-1"), -0.25f);
    EXPECT_EQ(str_to_float("1.5e"), 1.5f); // no digits after e: the e ends the number
    EXPECT_EQ(str_to_float("1.5e+x"), 1.5f);
    EXPECT_EQ(str_to_float("0.1234567891"), 0.1234567891f);
    EXPECT_EQ(str_to_float("12345678901234567890"), 12345678901234567890.0f);
    EXPECT_EQ(str_to_float("3.14159265358979323846"), 3.14159265358979323846f);
}

TEST(StrToFloat, OutOfRangeValuesGiveInfinityOrZero) {
    EXPECT_TRUE(std::isinf(str_to_float("1e39")));
    EXPECT_TRUE(std::isinf(str_to_float("-1e400")));
    EXPECT_LT(str_to_float("-1e400"), 0.0f);
    EXPECT_EQ(str_to_float("1e-60"), 0.0f);
}

TEST(ReadChunk, SplitsLinesLikeTheTokenTable) {
    using v = std::vector<std::string>;
    EXPECT_EQ(tokens_of("Material 2 {"), (v{"Material", "2"}));
    EXPECT_EQ(tokens_of("Object \"obj1\" {"), (v{"Object", "obj1"}));
    EXPECT_EQ(tokens_of("3 V(0 1 2) M(0) UV(0 0 1 0 1 1)"),
              (v{"3", "V", "0", "1", "2", "M", "0", "UV", "0", "0", "1", "0", "1", "1"}));
    EXPECT_EQ(tokens_of("\"mat 1\" col(1 1 1 1) tex(\"a b.bmp\")"),
              (v{"mat 1", "col", "1", "1", "1", "1", "tex", "a b.bmp"}));
    EXPECT_EQ(tokens_of("}"), v{});
    EXPECT_EQ(tokens_of("ab\"cd\""), v{"abcd"});
    EXPECT_EQ(tokens_of("\"\" after"), v{}); // an empty quoted token ends the line
}

TEST(ReadChunk, CountsQuoteMarksAndSeparators) {
    char token[token_capacity];
    const char* line = "   \"a b\"c";
    EXPECT_EQ(read_chunk(line, token), 8);
    EXPECT_STREQ(token, "a b");
    EXPECT_EQ(read_chunk(line + 8, token), 1);
    EXPECT_STREQ(token, "c");

    EXPECT_EQ(read_chunk("   \r\n", token), 3);
    EXPECT_STREQ(token, "");
}

TEST(ReadChunk, HighBytesSeparateOutsideQuotesOnly) {
    using v = std::vector<std::string>;
    EXPECT_EQ(tokens_of("ab\x82"
                        "cd"),
              (v{"ab", "cd"}));
    EXPECT_EQ(tokens_of("\"ab\x82"
                        "cd\""),
              v{"ab\x82"
                "cd"});
    EXPECT_EQ(tokens_of("\"unterminated (quote"), v{"unterminated (quote"});
}
