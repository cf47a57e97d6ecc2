// A 64-bit FNV-1a hash, to pin the exact bytes of files the tool writes.
#pragma once

#include <cstdint>
#include <string_view>

namespace ossify_test {

inline std::uint64_t fnv1a(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace ossify_test
