#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

#include "driver/file_io.hpp"
#include "support/capture_stdout.hpp"
#include "support/scratch.hpp"
#include "support/trace.hpp"

using namespace ossify;
using namespace ossify_test;

TEST(SaveFile, WritesTheLengthReplacingLongerFilesAndRefusesLengthsBeyondTheBuffer) {
    scratch_dir s;
    const std::string path = s.path("out.bin").string();
    std::vector<std::uint8_t> bytes(32, 'a');
    byte_region region{bytes.data(), bytes.size()};
    int result = 0;
    capture_stdout([&] { result = save_file(path.c_str(), region, 32); });
    ASSERT_EQ(result, 1);
    bytes.assign(32, 'b');
    EXPECT_EQ(capture_stdout([&] { result = save_file(path.c_str(), region, 5); }),
              exporting(path, 5));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(s.read("out.bin"), "bbbbb");
    EXPECT_EQ(capture_stdout([&] { result = save_file(path.c_str(), region, 33); }),
              saving(path) + "Failed to save file.\n");
    EXPECT_EQ(result, -1);
}
