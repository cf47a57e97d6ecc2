// Runs a function and returns what it printed to standard output.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <unistd.h>

namespace ossify_test {

inline std::string capture_stdout(const std::function<void()>& body) {
    std::fflush(stdout);
    std::FILE* sink = std::tmpfile();
    const int saved = dup(fileno(stdout));
    dup2(fileno(sink), fileno(stdout));
    body();
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    std::rewind(sink);
    for (int c; (c = std::fgetc(sink)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(sink);
    return text;
}

} // namespace ossify_test
