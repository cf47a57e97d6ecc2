#include "support/capture_stdout.hpp"

#include <unistd.h>

namespace ossify_test {

std::string capture_stdout(const std::function<void()>& body) {
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
    char chunk[4096];
    std::size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, sink)) > 0)
        text.append(chunk, count);
    std::fclose(sink);
    return text;
}

} // namespace ossify_test
