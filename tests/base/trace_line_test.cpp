// The trace's own float formatting against printf's %f, and its line buffer.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

#include "base/trace_line.hpp"

using namespace ossify;

namespace {

// Counts the values whose two spellings differ, and reports the first.
struct comparison {
    long mismatches = 0;
    void check(double value) {
        char expected[400], actual[320];
        std::snprintf(expected, sizeof expected, "%f", value);
        const std::string mine(actual, format_fixed6(value, actual));
        if (mine != expected && mismatches++ == 0)
            ADD_FAILURE() << "value " << std::hexfloat << value << ": printf " << expected
                          << ", format_fixed6 " << mine;
    }
};

} // namespace

// Every float the trace prints goes through %f; the replacement must spell each
// one as printf does. Random bit patterns cover the whole float range; the
// models' own magnitudes get a dense sweep of their own.
TEST(FormatFixed6, MatchesPrintfOnMillionsOfFloats) {
    comparison c;
    std::mt19937 random(20240611u);
    for (int i = 0; i < 1'500'000; ++i)
        c.check(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
    std::uniform_real_distribution<float> model(-5000.0f, 5000.0f);
    for (int i = 0; i < 1'500'000; ++i)
        c.check(model(random));
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int i = 0; i < 1'000'000; ++i)
        c.check(unit(random));
    EXPECT_EQ(c.mismatches, 0);
}

// Ties at the sixth decimal (multiples of 2^-7 to 2^-20, such as 0.0078125)
// round to even in printf; so must the replacement. Special values too.
TEST(FormatFixed6, RoundsTiesAndSpellsSpecialValuesLikePrintf) {
    using limits = std::numeric_limits<double>;
    comparison c;
    for (int exponent = 7; exponent <= 24; ++exponent)
        for (int n = -4096; n <= 4096; ++n)
            c.check(std::ldexp(n, -exponent));
    const double inf = limits::infinity(), nan = limits::quiet_NaN(), max = limits::max();
    const double tiny = limits::denorm_min(), float_max = std::numeric_limits<float>::max();
    const double values[] = {0.0078125,    0.0000005,    2.5e-7, 0.5,       1e-7, 999999.9999995,
                             0.0,          -0.0,         inf,    -inf,      nan,  -nan,
                             max,          -max,         tiny,   float_max, 1e-6, -1e-6,
                             4.9999999e-7, -4.9999999e-7};
    for (double value : values)
        c.check(value);
    EXPECT_EQ(c.mismatches, 0);
}

// A piece that would overflow the line is dropped; the line goes on.
TEST(TraceLine, DropsAPieceThatWouldOverflowTheLine) {
    trace_line line;
    const std::string long_text(1000, 'a');
    line.literal(long_text.c_str()).fixed(-std::numeric_limits<double>::max()).literal("bc");
    EXPECT_EQ(std::string(line.text, line.size), long_text + "bc");
}
