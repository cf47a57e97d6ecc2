// A zero-filled byte region owned by a test.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/byte_access.hpp"

namespace ossify_test {

struct test_region {
    std::vector<std::uint8_t> bytes;
    ossify::byte_region region;
    explicit test_region(std::size_t size) : bytes(size), region{bytes.data(), bytes.size()} {}
};

} // namespace ossify_test
