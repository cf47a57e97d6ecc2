// What the tool says about its own use: the help screen, the version, the
// one-line hint for an argument it does not know, and the list of modes.
#pragma once

#include <cstdio>

namespace ossify {

// The help screen of --help and -h.
void print_usage(std::FILE* out);

// "ossify VERSION", for --version.
void print_version(std::FILE* out);

// The modes, one line each, for the help and for a MODE out of range.
void print_mode_list(std::FILE* out);

// The hint for an argument starting with '-' that the tool ignores.
void print_unknown_option_hint(std::FILE* out, const char* argument);

} // namespace ossify
