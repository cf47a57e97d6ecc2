#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

#include "driver/file_io.hpp"
#include "support/capture_stdout.hpp"
#include "support/scratch.hpp"

using namespace ossify;
using ossify_test::capture_stdout;
using ossify_test::scratch_dir;

TEST(SaveFile, WritesTheLengthAndReplacesLongerFiles) {
    scratch_dir s;
    const std::string path = s.path("out.bin").string();
    std::vector<std::uint8_t> bytes(32, 'a');
    byte_region region{bytes.data(), bytes.size()};
    int result = 0;
    capture_stdout([&] { result = save_file(path.c_str(), region, 32); });
    ASSERT_EQ(result, 1);
    bytes.assign(32, 'b');
    const std::string out = capture_stdout([&] { result = save_file(path.c_str(), region, 5); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(out, "\n------------------------------\n Exporting File \n"
                   "------------------------------\n\nSaving Data ( " +
                       path + " )...Done...[5bytes]\n");
    EXPECT_EQ(s.read("out.bin"), "bbbbb");
}

TEST(SaveFile, ReportsFilesItCannotCreateAndLengthsBeyondTheBuffer) {
    scratch_dir s;
    std::vector<std::uint8_t> bytes(8);
    byte_region region{bytes.data(), bytes.size()};
    const std::string missing = s.path("no/such/dir/out.bin").string();
    int result = 0;
    std::string out = capture_stdout([&] { result = save_file(missing.c_str(), region, 4); });
    EXPECT_EQ(result, -1);
    EXPECT_NE(
        out.find("Saving Data ( " + missing + " )...Failed to create file[ " + missing + " ].\n"),
        std::string::npos);

    const std::string path = s.path("out.bin").string();
    out = capture_stdout([&] { result = save_file(path.c_str(), region, 9); });
    EXPECT_EQ(result, -1);
    EXPECT_NE(out.find("...Failed to save file.\n"), std::string::npos);
}

TEST(OpenInput, NamesTheMissingFile) {
    file_handle file;
    const std::string out = capture_stdout([&] { file = open_input("/no/such/file.mds"); });
    EXPECT_FALSE(file);
    EXPECT_EQ(out, "ERROR:Failed to open file[ /no/such/file.mds ].\n");
}
