// Reads a text in the pieces a C line read into a 1024-byte buffer gives: at
// most 1023 characters, the line feed included, a longer line continuing as the
// next piece. A carriage return right before a line feed is part of the line end
// on every platform, so files saved on Windows read like files saved on Linux.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ossify {

inline constexpr std::size_t line_piece_limit = 1023;

struct line_pieces {
    std::string_view text;
    std::size_t position = 0;
    std::size_t limit = line_piece_limit; // the longest piece; larger reads lines whole
};

// Fills `piece` with the next piece, its line feed (if any) kept; false at the end.
bool next_line_piece(line_pieces& lines, std::string& piece);

// The piece as the line routines see it: up to its first line feed, and up to
// its first NUL, since every routine reads it as a C string.
std::string_view line_of_piece(const std::string& piece);

} // namespace ossify
