#include "mqo/mqo_tokens.hpp"

#include <algorithm>

namespace ossify {

void split_mqo_line(std::string_view line, mqo_line_tokens& tokens) {
    // read_chunk reads a C string and writes a token of at most the line's length.
    tokens.line.assign(line.begin(), line.end());
    tokens.line.push_back('\0');
    if (tokens.chunk.size() < std::max<std::size_t>(token_capacity, line.size() + 1))
        tokens.chunk.resize(std::max<std::size_t>(token_capacity, line.size() + 1));
    char* token = tokens.chunk.data();
    const char* rest = tokens.line.data();
    tokens.count = 0;
    for (;;) {
        rest += read_chunk(rest, token);
        if (token[0] == '\0') return;
        const auto slot = static_cast<std::size_t>(tokens.count);
        if (slot == tokens.text.size()) tokens.text.emplace_back();
        tokens.text[slot].assign(token);
        ++tokens.count;
    }
}

const char* token_at(const mqo_line_tokens& tokens, int position) {
    return position >= 0 && position < tokens.count
               ? tokens.text[static_cast<std::size_t>(position)].c_str()
               : "";
}

int find_token(const mqo_line_tokens& tokens, const char* word) {
    for (int p = 0; p < tokens.count; ++p)
        if (strequ(tokens.text[static_cast<std::size_t>(p)].c_str(), word) != 0) return p;
    return -1;
}

} // namespace ossify
