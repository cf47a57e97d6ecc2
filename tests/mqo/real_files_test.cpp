// Files saved by the modeller itself (data/README.md gives their origin and
// licences): what modes 8 and 9 make of each, and a look inside two records.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "mqo/load_mqo.hpp"
#include "mqo/mqo_walk.hpp"
#include "support/capture_stdout.hpp"
#include "support/scratch.hpp"
#include "support/trace.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

const std::string load_banner = "---------------------------------\nFUNCTION CALLED : Load_MQO\n"
                                "---------------------------------\n";

std::string data_file(const std::string& name) {
    return source_path("tests/mqo/data/" + name).string();
}

run_result run_mode(const scratch_dir& s, int mode, const std::string& file) {
    s.write("ossify.cfg", "MODE=" + std::to_string(mode) + "\nMQO=" + data_file(file) +
                              "\nMQOROOTBONE=0\nMDM=out.mdm\nMD3OUTNAME=out.md3\n");
    return s.run();
}

struct loaded {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(1'000'000);
    byte_region mqo{bytes.data(), bytes.size()};
    explicit loaded(const std::string& file) {
        capture_stdout([&] { EXPECT_GT(load_mqo_text(read_file(data_file(file)), mqo), 0); });
    }
};

} // namespace

// Each loads in full and converts in mode 8; mode 9 finds no object named
// "bone" (wild_dsan's skeleton object is "bone:BoneDsan", another tool's
// convention) and stops before test.bone.
TEST(RealFiles, ModelsWithoutABoneObjectConvertInModeEightOnly) {
    const struct {
        const char* file;
        int size, objects, mesh_objects;
    } models[] = {{"d-chan2_anchors_mirror.mqo", 31256, 13, 5},
                  {"materialex2_v11.mqo", 736, 1, 1},
                  {"wild_dsan_bones.mqo", 123876, 3, 1}};
    for (const auto& m : models) {
        SCOPED_TRACE(m.file);
        const std::string loaded = "EXIT MQOSIZE[" + std::to_string(m.size) + "]";
        scratch_dir s;
        const run_result md3 = run_mode(s, 8, m.file);
        EXPECT_EQ(md3.status, 1);
        EXPECT_NE(md3.out.find(loaded), std::string::npos);
        EXPECT_NE(md3.out.find("NumMeshObj[" + std::to_string(m.mesh_objects) + "]\n"),
                  std::string::npos);
        EXPECT_TRUE(s.exists("out.md3"));
        const run_result mdm = run_mode(s, 9, m.file);
        EXPECT_EQ(mdm.status, 0);
        EXPECT_NE(mdm.out.find(loaded), std::string::npos);
        EXPECT_TRUE(mdm.out.ends_with("build_bones_from_mqo : Bone Object[" +
                                      std::to_string(m.objects) +
                                      "]\nbuild_bones_from_mqo : Bone Object Not Found\n"
                                      "ERROR:Failed to build bone from MQO.\n"));
        EXPECT_EQ(mdm.err, "");
        EXPECT_FALSE(s.exists("test.bone"));
    }
}

TEST(RealFiles, FacesOfMoreThanFourCornersAreRefused) {
    scratch_dir s;
    const run_result r = run_mode(s, 8, "autocsg_sample_v11_ngons.mqo");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, banner + running_mode(8) + load_banner +
                         "Load_MQO : Number of Material[2]\nERROR:Failed to load MQO.\n");
    EXPECT_EQ(r.err, "Load_MQO : refused line 1544: 16 V(11 25 24 23 22 21 20 19 18 17 16 15 "
                     "14 13 12 10) M(0) UID(42031)\nLoad_MQO : a face has 2, 3 or 4 corners\n");
}

TEST(RealFiles, WindowsLineEndsQuadsAndHighByteNames) {
    const loaded crlf("materialex2_v11.mqo");
    const offset_t quad = mqo_face_at(crlf.mqo, mqo_object_at(crlf.mqo, 0), 1);
    EXPECT_EQ(mqo_face_corners(crlf.mqo, quad), 4);
    EXPECT_EQ(mqo_face_vertex(crlf.mqo, quad, 3), 3);

    const loaded l("wild_dsan_bones.mqo");
    // The texture path holds Shift_JIS bytes inside its quotes.
    const std::string texture =
        get_text(l.mqo, mqo_material_at(l.mqo, 0) + mqo_material::texture, 64);
    EXPECT_EQ(texture.substr(0, 9), "C:\\Users\\");
    EXPECT_LT(static_cast<signed char>(texture[9]), 0);
    const offset_t bones = mqo_object_at(l.mqo, 1);
    EXPECT_EQ(mqo_object_name(l.mqo, bones), "bone:BoneDsan");
    const offset_t line = mqo_face_at(l.mqo, bones, 1);
    EXPECT_EQ(mqo_face_corners(l.mqo, line), 2);
    EXPECT_EQ(mqo_face_material(l.mqo, line), -1);
}
