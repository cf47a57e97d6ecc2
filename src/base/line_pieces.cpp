#include "base/line_pieces.hpp"

#include <algorithm>

namespace ossify {

bool next_line_piece(line_pieces& lines, std::string& piece) {
    piece.clear();
    const std::string_view text = lines.text;
    std::size_t& pos = lines.position;
    if (pos >= text.size()) return false;
    while (pos < text.size() && piece.size() < lines.limit) {
        // The run of characters before the next CR or LF, within the limit, goes
        // in whole; the line end is then looked at on its own.
        const std::size_t room = std::min(lines.limit - piece.size(), text.size() - pos);
        std::size_t run = 0;
        while (run < room && text[pos + run] != '\n' && text[pos + run] != '\r')
            ++run;
        piece.append(text, pos, run);
        pos += run;
        if (run == room) continue;
        char c = text[pos++];
        if (c == '\r' && pos < text.size() && text[pos] == '\n') c = text[pos++];
        piece.push_back(c);
        if (c == '\n') break;
    }
    return true;
}

std::string_view line_of_piece(const std::string& piece) {
    std::string_view line(piece.c_str()); // stops at the first NUL
    const std::size_t feed = line.find('\n');
    if (feed != std::string_view::npos) line = line.substr(0, feed);
    return line;
}

} // namespace ossify
