#include "base/text_routines.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ossify {

namespace {

// Digit tests use the signed value of the byte, so 0x80..0xFF are never digits.
constexpr bool is_digit(char c) {
    const auto v = static_cast<signed char>(c);
    return v >= '0' && v <= '9';
}

constexpr bool is_separator(char c) {
    const auto v = static_cast<signed char>(c);
    return v < 0x21 || c == '(' || c == ')' || c == '[' || c == ']' || c == '{' || c == '}';
}

// What read_chunk makes of each byte, looked up once per character.
enum class chunk_char : std::uint8_t { ordinary, separator, quote, line_end };

constexpr std::array<chunk_char, 256> chunk_chars = [] {
    std::array<chunk_char, 256> kinds{};
    for (std::size_t b = 0; b < kinds.size(); ++b) {
        const auto c = static_cast<char>(static_cast<unsigned char>(b));
        kinds[b] = c == '\0' || c == '\n' || c == '\r' ? chunk_char::line_end
                   : c == '"'                          ? chunk_char::quote
                   : is_separator(c)                   ? chunk_char::separator
                                                       : chunk_char::ordinary;
    }
    return kinds;
}();

chunk_char chunk_char_of(char c) {
    return chunk_chars[static_cast<unsigned char>(c)];
}

void print_null_pointer(const char* routine) {
    std::printf("-----------------------------\n%s : NULL POINTER! s\n"
                "-----------------------------\n",
                routine);
}

// The decimal number at the start of a str_to_float text, as scanned.
struct decimal_scan {
    bool negative = false;
    int digits = 0;            // every digit scanned
    int significant = 0;       // digits from the first non-zero one on
    int fraction_digits = 0;   // digits after the first point
    std::int64_t mantissa = 0; // exact while significant <= 18
    bool has_exponent = false;
};

// Scans the number at `s`. When `normalized` is given, it receives the digits
// with the first point, then "e" and the exponent: the text for from_chars.
// Most numbers take the short path and never need it.
decimal_scan scan_decimal(const char* s, std::string* normalized) {
    const auto keep = [normalized](char c) {
        if (normalized != nullptr) normalized->push_back(c);
    };
    decimal_scan scan;
    const char* p = s;
    if (*p == '-') {
        scan.negative = true;
        ++p;
    }
    bool point_seen = false;
    for (; is_digit(*p) || *p == '.'; ++p) {
        if (*p == '.') {
            if (!point_seen) keep('.');
            point_seen = true;
            continue;
        }
        ++scan.digits;
        if (scan.significant > 0 || *p != '0') ++scan.significant;
        if (scan.significant <= 18) scan.mantissa = scan.mantissa * 10 + (*p - '0');
        if (point_seen) ++scan.fraction_digits;
        keep(*p);
    }
    // An exponent counts only with at least one digit after the optional sign;
    // otherwise the 'e' ends the number as any other character would.
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (is_digit(*q)) {
            scan.has_exponent = true;
            keep('e');
            if (p[1] == '-') keep('-');
            for (; is_digit(*q); ++q)
                keep(*q);
        }
    }
    return scan;
}

float correctly_rounded(const char* s) {
    std::string text;
    const bool negative = scan_decimal(s, &text).negative;
    float value = 0.0f;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; the double reading tells overflow
        // (an infinity) from underflow (zero).
        const double wide = std::strtod(text.c_str(), nullptr);
        value = std::fabs(wide) >= 1.0 ? HUGE_VALF : 0.0f;
    }
    return negative ? -value : value;
}

} // namespace

int strequ(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) {
        print_null_pointer("strequ");
        return 0;
    }
    for (;; ++a, ++b) {
        if (*a != *b) return 0;
        if (*a == '\0') return 1;
    }
}

std::int32_t a2i(const char* s) {
    if (s == nullptr) {
        print_null_pointer("a2i");
        return -1;
    }
    if (!is_digit(*s)) return -1;
    std::int64_t value = 0;
    for (; is_digit(*s); ++s) {
        value = value * 10 + (*s - '0');
        if (value > INT32_MAX) return -1;
    }
    return static_cast<std::int32_t>(value);
}

float str_to_float(const char* s) {
    if (s == nullptr) {
        print_null_pointer("str_to_float");
        return 0.0f;
    }
    const decimal_scan scan = scan_decimal(s, nullptr);
    const bool short_number =
        !scan.has_exponent && scan.significant <= 9 && scan.fraction_digits <= 9;
    if (scan.digits > 0 && !short_number) return correctly_rounded(s);

    // sign * f32(mantissa) / 10^k in double, rounded once.
    double divisor = 1.0;
    for (int i = 0; i < scan.fraction_digits; ++i)
        divisor *= 10.0;
    const double sign = scan.negative ? -1.0 : 1.0;
    const auto mantissa = static_cast<float>(scan.mantissa);
    return static_cast<float>(sign * static_cast<double>(mantissa) / divisor);
}

int read_chunk(const char* src, char* dst) {
    bool quoted = false;
    int skipped = 0;
    int length = 0;
    for (const char* p = src;; ++p) {
        const char c = *p;
        const chunk_char kind = chunk_char_of(c);
        if (kind == chunk_char::line_end) break;
        if (kind == chunk_char::quote) {
            ++skipped;
            if (quoted) break;
            quoted = true;
            continue;
        }
        if (!quoted && kind == chunk_char::separator) {
            if (length == 0) {
                ++skipped;
                continue;
            }
            break;
        }
        dst[length++] = c;
    }
    dst[length] = '\0';
    return skipped + length;
}

} // namespace ossify
