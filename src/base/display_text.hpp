// Names read from files, made readable on standard error. The modeller saves
// its files in Shift_JIS (code page 932); a terminal today expects UTF-8.
// Standard output never goes through this: it shows names byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace ossify {

// `text` as UTF-8: unchanged when it already is UTF-8 (ASCII included),
// converted from code page 932 by the platform's converter when it reads as
// that, and otherwise with every byte above 0x7f shown as \xNN.
std::string text_for_display(std::string_view text);

} // namespace ossify
