#include "driver/line_pieces.hpp"

namespace ossify {

bool next_line_piece(line_pieces& lines, std::string& piece) {
    piece.clear();
    const std::string_view text = lines.text;
    std::size_t& pos = lines.position;
    if (pos >= text.size()) return false;
    while (pos < text.size() && piece.size() < line_piece_limit) {
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
