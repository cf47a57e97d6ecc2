// Work buffers and whole-file reads: zero-filled, of the size asked for, and the
// same contents whether the file can seek or not.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

#include "base/file_io.hpp"
#include "base/work_buffers.hpp"
#include "support/scratch.hpp"

using namespace ossify;

TEST(WorkBuffer, IsZeroFilledAndKeepsItsSizeAsTheLimit) {
    work_buffer buffer = make_work_buffer(mds_buffer_size);
    ASSERT_NE(buffer.region.data, nullptr);
    EXPECT_EQ(buffer.region.size, mds_buffer_size);
    for (std::size_t at : {std::size_t{0}, mds_buffer_size / 2, mds_buffer_size - 1})
        EXPECT_EQ(buffer.region.data[at], 0) << at;
    const auto size = static_cast<offset_t>(mds_buffer_size);
    put_i32(buffer.region, size - 4, 7);
    EXPECT_EQ(get_i32(buffer.region, size - 4), 7);
    EXPECT_FALSE(buffer.region.fault);
    put_i32(buffer.region, size - 3, 7); // one byte past the limit
    EXPECT_TRUE(buffer.region.fault);

    const work_buffer empty = make_work_buffer(0);
    EXPECT_NE(empty.region.data, nullptr);
    EXPECT_EQ(empty.region.size, 0u);
}

TEST(ReadWholeFile, ReadsFilesAndPipesAlike) {
    ossify_test::scratch_dir s;
    std::string text(300'000, 'x');
    text[0] = 'a';
    text.back() = 'z';
    s.write("model.txt", text);
    s.write("empty.txt", std::string());

    const auto read = [](std::FILE* file, work_buffer& contents) {
        const std::int64_t length = read_whole_file(file, contents);
        return std::string(get_chars(contents.region, 0, length));
    };
    work_buffer contents;
    for (const char* name : {"model.txt", "empty.txt"}) {
        std::FILE* file = std::fopen(s.path(name).string().c_str(), "rb");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(read(file, contents), s.read(name)) << name;
        std::fclose(file);
    }

    const std::string command = "cat '" + s.path("model.txt").string() + "'";
    std::FILE* pipe = popen(command.c_str(), "r"); // cannot seek: read as text first
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(read(pipe, contents), text);
    pclose(pipe);
}
