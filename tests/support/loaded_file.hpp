// A file of a scratch directory in a work buffer, checked by its loader, for
// tests that read back what a job wrote.
#pragma once

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "base/work_buffer.hpp"
#include "support/capture_stdout.hpp"
#include "support/scratch.hpp"

namespace ossify_test {

inline ossify::work_buffer loaded(const scratch_dir& s, const std::string& name,
                                  std::int32_t (*check)(const ossify::byte_region&, std::int64_t)) {
    const std::string bytes = s.read(name);
    ossify::work_buffer buffer = ossify::make_work_buffer(1 << 22);
    std::copy(bytes.begin(), bytes.end(), buffer.region.data);
    capture_stdout([&] {
        EXPECT_GT(check(buffer.region, static_cast<std::int64_t>(bytes.size())), 0) << name;
    });
    return buffer;
}

} // namespace ossify_test
