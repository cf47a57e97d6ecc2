// A zero-filled work buffer owned for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/byte_access.hpp"

namespace ossify {

// Gives the buffer's memory back: unmaps it when it was mapped (`mapped` bytes),
// frees it otherwise.
struct buffer_release {
    std::size_t mapped = 0;
    void operator()(std::uint8_t* p) const;
};

struct work_buffer {
    std::unique_ptr<std::uint8_t, buffer_release> memory;
    byte_region region; // the whole buffer; data is null when allocation failed
};

// Allocates `size` zero bytes; an empty buffer still has an address. The pages
// come from the system already zeroed, so a buffer costs memory only where it
// is written. Where the system offers large pages, the buffer asks for them: a
// job that fills megabytes then takes one page fault every 2 MiB instead of one
// every 4 KiB.
work_buffer make_work_buffer(std::size_t size);

} // namespace ossify
