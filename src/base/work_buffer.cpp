#include "base/work_buffer.hpp"

#include <cstdlib>
#include <memory>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ossify {

namespace {

#if defined(__linux__)
constexpr std::size_t large_page = std::size_t{2} << 20;

std::size_t round_up(std::size_t size, std::size_t unit) {
    return (size + unit - 1) / unit * unit;
}

// Maps `size` zero bytes on a large-page boundary, rounded up to whole large
// pages, and marks them for large pages. Null when the system refuses.
std::uint8_t* map_zeroed(std::size_t size, std::size_t& mapped) {
    mapped = round_up(size > 0 ? size : 1, large_page);
    const std::size_t reserve = mapped + large_page;
    void* start =
        mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) return nullptr;
    void* aligned = start;
    std::size_t space = reserve;
    std::align(large_page, mapped, aligned, space);
    auto* const first = static_cast<std::uint8_t*>(start);
    auto* const memory = static_cast<std::uint8_t*>(aligned);
    // Give back the unaligned head and the unused tail of the reservation.
    const auto head = static_cast<std::size_t>(memory - first);
    if (head > 0) munmap(first, head);
    if (reserve - head > mapped) munmap(memory + mapped, reserve - head - mapped);
    madvise(memory, mapped, MADV_HUGEPAGE); // only advice: small pages still work
    return memory;
}
#endif

} // namespace

void buffer_release::operator()(std::uint8_t* p) const {
#if defined(__linux__)
    if (mapped > 0) {
        munmap(p, mapped);
        return;
    }
#endif
    std::free(p);
}

work_buffer make_work_buffer(std::size_t size) {
    work_buffer buffer;
#if defined(__linux__)
    std::size_t mapped = 0;
    buffer.memory = {map_zeroed(size, mapped), buffer_release{mapped}};
#else
    buffer.memory.reset(static_cast<std::uint8_t*>(std::calloc(size > 0 ? size : 1, 1)));
#endif
    if (buffer.memory) {
        buffer.region.data = buffer.memory.get();
        buffer.region.size = size;
    }
    return buffer;
}

} // namespace ossify
