// A zero-filled work buffer owned for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "driver/byte_access.hpp"

namespace ossify {

struct free_deleter {
    void operator()(std::uint8_t* p) const;
};

struct work_buffer {
    std::unique_ptr<std::uint8_t, free_deleter> memory;
    byte_region region; // the whole buffer; data is null when allocation failed
};

// Allocates `size` zero bytes. The pages come from the system already zeroed,
// so a buffer costs memory only where it is written.
work_buffer make_work_buffer(std::size_t size);

} // namespace ossify
