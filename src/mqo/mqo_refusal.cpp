#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/display_text.hpp"
#include "mqo/mqo_reader.hpp"

namespace ossify {

namespace {

constexpr std::size_t shown_line_length = 120;

// The line as a modeller would look for it: without its indentation, and cut
// when it is too long to read in one glance.
std::string shown_line(std::string_view line) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    std::string shown(line.substr(start, shown_line_length));
    if (line.size() - start > shown_line_length) shown += "...";
    return shown;
}

void explain(const mqo_reader& reader, const char* rule) {
    std::fprintf(stderr, "Load_MQO : refused line %d: %s\nLoad_MQO : %s\n", reader.line_number,
                 text_for_display(shown_line(reader.line)).c_str(), rule);
}

} // namespace

std::int32_t refuse_quietly(const mqo_reader& reader, const char* rule) {
    explain(reader, rule);
    return -1;
}

std::int32_t refuse(const mqo_reader& reader, const char* format, ...) {
    char reason[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    std::printf("Load_MQO : Line[%d] %s\n", reader.line_number, reason);
    explain(reader, reason);
    return -1;
}

void store_name(mqo_reader& reader, offset_t field, const char* name) {
    put_text(reader.mqo, field, mqo_name_width, name);
    if (std::strlen(name) < static_cast<std::size_t>(mqo_name_width)) return;
    char kept[mqo_name_width];
    std::memcpy(kept, name, sizeof kept - 1);
    kept[sizeof kept - 1] = '\0';
    std::fprintf(stderr, "Load_MQO : line %d: name longer than 63 bytes, cut to [%s]\n",
                 reader.line_number, text_for_display(kept).c_str());
}

const char* current_object_name(const mqo_reader& reader, char (&name)[mqo_name_width]) {
    const std::string text = get_text(reader.mqo, reader.object + mqo_object::name, mqo_name_width);
    std::snprintf(name, sizeof name, "%s", text.c_str());
    return name;
}

} // namespace ossify
