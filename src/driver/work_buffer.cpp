#include "driver/work_buffer.hpp"

#include <cstdlib>

namespace ossify {

void free_deleter::operator()(std::uint8_t* p) const {
    std::free(p);
}

work_buffer make_work_buffer(std::size_t size) {
    work_buffer buffer;
    buffer.memory.reset(static_cast<std::uint8_t*>(std::calloc(size, 1)));
    if (buffer.memory) {
        buffer.region.data = buffer.memory.get();
        buffer.region.size = size;
    }
    return buffer;
}

} // namespace ossify
