// One MQO line split into its tokens by read_chunk.
#pragma once

#include <string_view>

#include "base/text_routines.hpp"

namespace ossify {

inline constexpr int mqo_max_tokens = 63;

struct mqo_line_tokens {
    int count = 0;
    char text[mqo_max_tokens][token_capacity];
};

// Splits `line` until read_chunk yields an empty token. False when the line holds
// more than mqo_max_tokens tokens; the table then holds the first ones.
bool split_mqo_line(std::string_view line, mqo_line_tokens& tokens);

// The token at `position`; positions past the end of the line read as "".
const char* token_at(const mqo_line_tokens& tokens, int position);

// Position of the first token equal to `word`, or -1.
int find_token(const mqo_line_tokens& tokens, const char* word);

} // namespace ossify
