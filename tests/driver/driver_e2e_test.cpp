#include <gtest/gtest.h>

#include "support/scratch.hpp"
#include "support/trace.hpp"

using namespace ossify_test;

TEST(Driver, MissingDefaultConfigurationStops) {
    scratch_dir s;
    const run_result r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, banner + "Failed to open config file.\n"
                              "Error found in config file. Check ossify.cfg.\n");
}

TEST(Driver, ModesWithoutAJobPrintOnlyTheFrame) {
    for (int mode : {10, 11, 12}) {
        scratch_dir s;
        s.write("ossify.cfg", "MODE=" + std::to_string(mode) + "\n");
        const run_result r = s.run();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, banner + running_mode(mode) + all_done);
    }
}

TEST(Driver, CfgArgumentChoosesTheFile) {
    scratch_dir s;
    s.write("ossify.cfg", "MODE=10\n");
    s.write("b.cfg", "MODE=11\n");
    s.write("c.cfg", "MODE=12\n");
    EXPECT_EQ(s.run({"-cfg"}).out, banner + running_mode(10) + all_done);
    EXPECT_EQ(s.run({"a", "-cfg", "b.cfg", "-cfg", "c.cfg"}).out,
              banner + running_mode(11) + all_done);
    EXPECT_EQ(s.run({"", "-cfg", "c.cfg"}).out, banner + running_mode(12) + all_done);
    // The argument after -cfg is the path even when it is empty.
    const run_result empty = s.run({"-cfg", ""});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, banner + "Failed to open config file.\n"
                                  "Error found in config file. Check .\n");
}

TEST(Driver, LongConfigurationPathsWork) {
    scratch_dir s;
    const std::string name = std::string(200, 'n') + ".cfg";
    s.write(name, "MODE=10\n");
    EXPECT_EQ(s.run({"-cfg", name}).status, 1);
}

TEST(Driver, ConfigurationErrorsNameTheFile) {
    scratch_dir s;
    s.write("bad.cfg", "MODE=10\nBOGUS=1\n");
    const run_result r = s.run({"-cfg", "bad.cfg"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, banner + "Parsing config error at line 2:No such key(BOGUS).\n"
                              "Error found in config file. Check bad.cfg.\n");
}
