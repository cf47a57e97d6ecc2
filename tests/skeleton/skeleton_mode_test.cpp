// Mode 9 end to end, as far as the skeleton: test.mqoobj, then test.bone.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "mqo/load_mqo.hpp"
#include "skeleton/build_bones.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"
#include "support/trace.hpp"

using namespace ossify;
using namespace ossify_test;

TEST(SkeletonMode, ExampleModelSavesTheRecordsItBuilt) {
    scratch_dir s;
    for (const char* file : {"character.mqo", "character-tags.mdm", "character-mdm.cfg"})
        s.write(file, read_file(source_path(std::string("examples/") + file)));
    const run_result r = s.run({"-cfg", "character-mdm.cfg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");

    std::vector<std::uint8_t> mqo_bytes(10'000'000), bone_bytes(1'000'000);
    byte_region mqo{mqo_bytes.data(), mqo_bytes.size()};
    byte_region bone{bone_bytes.data(), bone_bytes.size()};
    std::int32_t mqo_size = 0, bone_size = 0;
    const std::string trace = capture_stdout([&] {
        mqo_size = Load_MQO(source_path("examples/character.mqo").string().c_str(), mqo);
        bone_size = build_bones_from_mqo(mqo, bone, 0);
    });
    ASSERT_EQ(bone_size, 96 + 796 * (19 + 3));
    EXPECT_EQ(s.read_bytes("test.mqoobj"),
              std::vector<std::uint8_t>(mqo_bytes.begin(), mqo_bytes.begin() + mqo_size));
    EXPECT_EQ(s.read_bytes("test.bone"),
              std::vector<std::uint8_t>(bone_bytes.begin(), bone_bytes.begin() + bone_size));

    const std::size_t bone_banner = trace.find("---------------------------------\n"
                                               "FUNCTION CALLED : build_bones_from_mqo");
    ASSERT_NE(bone_banner, std::string::npos);
    const std::string head = banner + running_mode(9) + trace.substr(0, bone_banner) +
                             exporting("test.mqoobj", mqo_size) + trace.substr(bone_banner) +
                             exporting("test.bone", bone_size);
    EXPECT_EQ(r.out.substr(0, head.size()), head);
}

TEST(SkeletonMode, FailedBuildStopsBeforeTestBone) {
    scratch_dir s;
    s.write("ossify.cfg", mqo_config(9, 1));
    s.write("model.mqo",
            mqo_document(material_chunk({"\"bone:only\" col(1 1 1 1)"}) +
                         "Object \"bone\" {\n\tvertex 3 {\n\t\t0 0 0\n\t\t9 0 0\n\t\t0 1 0\n\t}\n"
                         "\tface 1 {\n\t\t3 V(0 1 2) M(0)\n\t}\n}\n"));
    const run_result r = s.run();
    EXPECT_EQ(r.status, 0);
    const std::string tail = "build_bones_from_mqo : Invalid Root Bone Definition!!\n"
                             "ERROR:Failed to build bone from MQO.\n";
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_TRUE(s.exists("test.mqoobj"));
    EXPECT_FALSE(s.exists("test.bone"));
}
