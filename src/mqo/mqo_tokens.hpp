// One MQO line split into its tokens by read_chunk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/text_routines.hpp"

namespace ossify {

inline constexpr int mqo_max_tokens = 63;

struct mqo_line_tokens {
    int count = 0;
    std::vector<std::string> text; // grows to the longest line's count, then is reused
    std::vector<char> line;        // the line as a C string
    std::vector<char> chunk;       // room for the longest token
};

// Splits `line` until read_chunk yields an empty token; every token is kept.
void split_mqo_line(std::string_view line, mqo_line_tokens& tokens);

// The token at `position`; positions past the end of the line read as "".
const char* token_at(const mqo_line_tokens& tokens, int position);

// Position of the first token equal to `word`, or -1.
int find_token(const mqo_line_tokens& tokens, const char* word);

} // namespace ossify
