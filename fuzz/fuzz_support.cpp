#include "fuzz_support.hpp"

#include <cstdio>

namespace ossify_fuzz {

void silence_stdout() {
#ifdef _WIN32
    std::freopen("NUL", "w", stdout);
#else
    std::freopen("/dev/null", "w", stdout);
#endif
}

} // namespace ossify_fuzz
