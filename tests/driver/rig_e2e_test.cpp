// RIG=1 end to end on the two shared rigged characters: mode 9 builds their
// skeletons from the bone triangles, binds their skins by the hidden anchors
// and writes the MDM and the skeleton's MDX; without the key mode 9 still looks
// for the marker skeleton and, on standard error only, points to the key.
#include <gtest/gtest.h>
#include <string>

#include "base/byte_access.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "support/scratch.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

run_result run_rig(const scratch_dir& s, const std::string& file, bool rig) {
    s.write("ossify.cfg", "MODE=9\nMQO=" + source_path("tests/mqo/data/" + file).string() +
                              "\nMDM=out.mdm\nSKELETONMDX=out.mdx\n" + (rig ? "RIG=1\n" : ""));
    return s.run();
}

} // namespace

TEST(RigJob, ConvertsBothSharedCharacters) {
    const struct {
        const char* file;
        int bones;
        int surfaces;
    } cases[] = {// RIG converts the whole model: its 1,696-vertex skin becomes four surfaces
                 // within the engine's limits, d-chan2's objects one surface a material.
                 {"wild_dsan_bones.mqo", 13, 4},
                 {"d-chan2_anchors_mirror.mqo", 6, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        scratch_dir s;
        const run_result r = run_rig(s, c.file, true);
        EXPECT_EQ(r.status, 1) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
        EXPECT_TRUE(r.out.ends_with(all_done));
        EXPECT_NE(r.out.find("build_bones_from_rig : NumBone[" + std::to_string(c.bones) + "]"),
                  std::string::npos);
        EXPECT_NE(r.out.find("FUNCTION CALLED : bind_rig_weights"), std::string::npos);
        // The anchors are hidden in both files: kept as solids, never meshes.
        EXPECT_EQ(r.err.find("is not exported: hidden"), std::string::npos) << r.err;
        std::string mdm = s.read("out.mdm"), mdx = s.read("out.mdx");
        ASSERT_GT(mdm.size(), 100u);
        ASSERT_GT(mdx.size(), 100u);
        const byte_region m{reinterpret_cast<std::uint8_t*>(mdm.data()), mdm.size()};
        const byte_region x{reinterpret_cast<std::uint8_t*>(mdx.data()), mdx.size()};
        EXPECT_EQ(get_i32(m, mdm_header::num_surfaces), c.surfaces);
        EXPECT_EQ(get_i32(x, mdx_header::num_bones), c.bones);
        EXPECT_EQ(get_text(x, get_i32(x, mdx_header::ofs_bones), 64), "root");
    }
}

TEST(RigJob, WithoutTheKeyModeNineNamesIt) {
    scratch_dir s;
    const run_result r = run_rig(s, "wild_dsan_bones.mqo", false);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("build_bones_from_mqo : Bone Object Not Found\n"
                                "ERROR:Failed to build bone from MQO.\n"));
    EXPECT_NE(r.err.find("RIG=1"), std::string::npos) << r.err;
}
