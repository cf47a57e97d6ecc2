// Names shown on standard error: UTF-8 passes through, the modeller's
// Shift_JIS becomes UTF-8, and bytes that are neither never reach a terminal raw.
#include <gtest/gtest.h>

#include "base/display_text.hpp"

using ossify::text_for_display;

TEST(DisplayText, NamesReadAsUtf8) {
    EXPECT_EQ(text_for_display(""), "");
    EXPECT_EQ(text_for_display("body_01"), "body_01");
    EXPECT_EQ(text_for_display("\xe8\x85\x95"), "\xe8\x85\x95"); // already UTF-8: 腕
    // Shift_JIS as the modeller writes it: 腕 (arm), テスト, and a half-width kana.
    EXPECT_EQ(text_for_display("\x98\x72"), "\xe8\x85\x95");
    EXPECT_EQ(text_for_display("obj_\x83\x65\x83\x58\x83\x67"),
              "obj_\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88");
    EXPECT_EQ(text_for_display("\xb1"), "\xef\xbd\xb1");
    // Neither: a lone lead byte at the end, bytes code page 932 leaves unused,
    // a UTF-8 surrogate.
    EXPECT_EQ(text_for_display("a\x83"), "a\\x83");
    EXPECT_EQ(text_for_display("\x80x\xff"), "\\x80x\\xff");
    EXPECT_EQ(text_for_display("\xed\xa0\x80"), "\\xed\\xa0\\x80");
}
