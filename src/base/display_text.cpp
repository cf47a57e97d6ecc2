#include "base/display_text.hpp"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#elif __has_include(<iconv.h>)
#include <iconv.h>
#define OSSIFY_HAS_ICONV 1
#endif

namespace ossify {

namespace {

// Length of the UTF-8 sequence that starts `text` at `at`, or 0 when it is not
// a well-formed one (overlong forms, surrogates and values past U+10FFFF too).
std::size_t utf8_sequence(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf; // the range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xbf) return 0;
    return length;
}

bool is_utf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8_sequence(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

// `text` converted from code page 932, or false when it does not read as that.
bool from_code_page_932(std::string_view text, std::string& utf8) {
#if defined(_WIN32)
    const int size = static_cast<int>(text.size());
    const int wide_length =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (wide_length <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), wide_length);
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    utf8.assign(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), length, nullptr,
                        nullptr);
    return true;
#elif defined(OSSIFY_HAS_ICONV)
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) converter = iconv_open("UTF-8", "SHIFT_JIS");
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string input(text);
    std::string output(text.size() * 3 + 4, '\0'); // a byte becomes at most three
    char* in = input.data();
    std::size_t in_left = input.size();
    char* out = output.data();
    std::size_t out_left = output.size();
    const std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || in_left != 0) return false;
    output.resize(output.size() - out_left);
    utf8 = std::move(output);
    return true;
#else
    (void)text;
    (void)utf8;
    return false;
#endif
}

} // namespace

std::string text_for_display(std::string_view text) {
    if (is_utf8(text)) return std::string(text);
    std::string converted;
    if (from_code_page_932(text, converted)) return converted;
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            escaped += c;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02x", byte);
        escaped += code;
    }
    return escaped;
}

} // namespace ossify
