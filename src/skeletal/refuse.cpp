#include <cstdarg>
#include <cstdio>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

bool refuse(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    return false;
}

} // namespace ossify
