#include "mqo/mqo_tokens.hpp"

#include <string>

#include "base/line_pieces.hpp"

namespace ossify {

bool split_mqo_line(std::string_view line, mqo_line_tokens& tokens) {
    // read_chunk reads a C string. A line piece fits the copy on the stack; only
    // a longer line, which the reader never passes, takes one on the heap.
    char copy[line_piece_limit + 1];
    std::string long_line;
    const char* rest = copy;
    if (line.size() <= line_piece_limit) {
        line.copy(copy, line.size());
        copy[line.size()] = '\0';
    } else {
        long_line.assign(line);
        rest = long_line.c_str();
    }
    char surplus[token_capacity];
    tokens.count = 0;
    for (;;) {
        char* token = tokens.count < mqo_max_tokens ? tokens.text[tokens.count] : surplus;
        rest += read_chunk(rest, token);
        if (token[0] == '\0') return true;
        if (token == surplus) return false;
        ++tokens.count;
    }
}

const char* token_at(const mqo_line_tokens& tokens, int position) {
    return position >= 0 && position < tokens.count ? tokens.text[position] : "";
}

int find_token(const mqo_line_tokens& tokens, const char* word) {
    for (int p = 0; p < tokens.count; ++p)
        if (strequ(tokens.text[p], word) != 0) return p;
    return -1;
}

} // namespace ossify
