// The driver through the built binary: which configuration file it reads, and
// the frame of modes without a job.
#include <gtest/gtest.h>

#include "base/file_io.hpp"
#include "support/capture_stdout.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;
using namespace ossify;

TEST(Driver, ConfigurationFileAndItsErrors) {
    const std::string long_name = std::string(200, 'n') + ".cfg";
    scratch_dir s;
    s.write("ossify.cfg", "MODE=11\n");
    s.write("ten.cfg", "MODE=10\n");
    s.write("b.cfg", "MODE=11\n");
    s.write("c.cfg", "MODE=12\n");
    s.write(long_name, "MODE=11\n");
    s.write("bad.cfg", "MODE=10\nBOGUS=1\n");
    const auto failed = [](const std::string& why, const std::string& name) {
        return banner + why + "Error found in config file. Check " + name + ".\n";
    };
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        // -cfg takes the next argument as the path, even an empty one; the first
        // -cfg counts.
        {{"-cfg"}, banner + running_mode(11) + all_done},
        // Mode 10 without an output key checks its sources; without any it
        // has nothing to do and says so.
        {{"-cfg", "ten.cfg"},
         banner + running_mode(10) + "ERROR: Missing MDMSOURCE, MDXSOURCE or MDSSOURCE value.\n"},
        {{"a", "-cfg", "b.cfg", "-cfg", "c.cfg"}, banner + running_mode(11) + all_done},
        {{"", "-cfg", "c.cfg"}, banner + running_mode(12) + all_done},
        {{"-cfg", long_name}, banner + running_mode(11) + all_done},
        {{"-cfg", ""}, failed("Failed to open config file.\n", "")},
        {{"-cfg", "bad.cfg"},
         failed("Parsing config error at line 2:No such key(BOGUS).\n", "bad.cfg")},
    };
    for (const auto& c : cases) {
        const run_result r = s.run(c.args);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, c.out.ends_with(all_done) ? 1 : 0);
    }
    // Without a file of the default name.
    scratch_dir empty;
    const run_result r = empty.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, failed("Failed to open config file.\n", "ossify.cfg"));
}

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
