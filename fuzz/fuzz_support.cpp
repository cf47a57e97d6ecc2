#include "fuzz_support.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ossify_fuzz {

void silence_stdout() {
#ifdef _WIN32
    std::freopen("NUL", "w", stdout);
#else
    std::freopen("/dev/null", "w", stdout);
#endif
}

fuzz_buffer::fuzz_buffer(std::size_t size) : bytes(size), region{bytes.data(), bytes.size()} {}

ossify::byte_region& fuzz_buffer::fresh(const std::uint8_t* data, std::size_t size) {
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    if (data != nullptr) std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
    region.fault = false;
    return region;
}

} // namespace ossify_fuzz
