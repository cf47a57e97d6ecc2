#include <cstdio>

#include "driver/run_tool.hpp"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool stdout_is_terminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(fileno(stdout)) != 0;
#endif
}

// Standard output to a file or a pipe is fully buffered already; a larger
// buffer than the default page writes a trace of megabytes in a sixteenth of
// the system calls. A terminal keeps its line buffering.
void widen_stdout_buffer() {
    static char buffer[64 * 1024];
    if (!stdout_is_terminal()) std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

} // namespace

int main(int argc, char** argv) {
    widen_stdout_buffer();
    const int status = ossify::run_tool(argc, argv);
    std::fflush(stdout);
    return status;
}
