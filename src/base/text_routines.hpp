// The four text routines that carry all of the tool's parsing: configuration
// lines and MQO lines are accepted or refused by their exact rules.
//
// Bytes are classified as signed 8-bit values, so 0x80..0xFF count as lower than
// any ASCII character: they are never digits and, outside quotes, they separate
// tokens.
#pragma once

#include <cstdint>

namespace ossify {

// Largest token read_chunk can produce from one line piece, plus its NUL.
inline constexpr int token_capacity = 1024;

// 1 when the two strings are byte for byte identical, 0 otherwise.
int strequ(const char* a, const char* b);

// The value of the leading decimal digits, or -1 when the text does not begin
// with a digit or its digit run does not fit a signed 32-bit integer.
std::int32_t a2i(const char* s);

// The value of the leading decimal fraction (an optional '-', digits and points),
// 0 when there is none. Short numbers are computed exactly as the tool always
// has; long digit runs and exponent notation give the correctly rounded float.
float str_to_float(const char* s);

// Cuts the next token off `src` into `dst` (which must hold token_capacity
// bytes) and returns the number of source characters consumed.
int read_chunk(const char* src, char* dst);

} // namespace ossify
