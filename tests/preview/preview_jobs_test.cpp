// The preview's own rules (glTF's four weights, the skeleton's parents) and the
// PREVIEW key in the jobs: what each mode writes, that every file passes the
// glTF validator, and that a configuration without the key is untouched.
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

#include "preview/gltf_readback.hpp"
#include "preview/preview_model.hpp"
#include "support/scratch.hpp"
#include "support/skeletal_builder.hpp"

namespace ossify_test {
namespace {

using namespace ossify;

TEST(PreviewWeights, KeepTheFourLargestOfEachBoneSummingToOne) {
    const std::vector<posed_bone> bind(6);
    struct row {
        const char* what;
        std::vector<engine_weight> weights;
        std::array<std::uint16_t, 4> joints;
        std::array<float, 4> shares;
        int over_four, off_skeleton;
    };
    const row rows[] = {
        {"six weights",
         {{0, .05, {}}, {1, .3, {}}, {2, .1, {}}, {3, .25, {}}, {4, .2, {}}, {5, .1, {}}},
         {1, 3, 4, 2},
         {.3f / .85f, .25f / .85f, .2f / .85f, .1f / .85f},
         1,
         0},
        {"a bone named twice adds up; ties keep file order",
         {{2, .25, {}}, {1, .5, {}}, {2, .25, {}}},
         {2, 1, 0, 0},
         {.5f, .5f, 0, 0},
         0,
         0},
        {"a bone off the skeleton", {{9, .5, {}}, {1, .5, {}}}, {1, 0, 0, 0}, {1, 0, 0, 0}, 0, 1},
        {"no weight at all", {}, {0, 0, 0, 0}, {1, 0, 0, 0}, 0, 0},
    };
    for (const row& r : rows) {
        preview_model model;
        const preview_vertex v = skinned_preview_vertex(r.weights, bind, {0, 0, 2}, {0, 0}, model);
        EXPECT_EQ(v.joints, r.joints) << r.what;
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_NEAR(v.weights[k], r.shares[k], 1e-6) << r.what;
        EXPECT_EQ(model.vertices_over_four_weights, r.over_four) << r.what;
        EXPECT_EQ(model.weights_off_skeleton, r.off_skeleton) << r.what;
        EXPECT_EQ(v.normal, (dvec3{0, 0, 1})) << r.what; // unit length
    }
}

TEST(PreviewParents, AreATreeThatPosesLikeTheFileOnDamagedSkeletons) {
    std::mt19937 random(14);
    for (int trial = 0; trial < 300; ++trial) {
        const int count = 1 + static_cast<int>(random() % 8);
        std::vector<skeleton_bone> bones;
        std::vector<bone_angles> angles;
        for (int b = 0; b < count; ++b) {
            // Parents anywhere, loops and numbers past the skeleton included.
            bones.push_back(
                {static_cast<std::int32_t>(random() % static_cast<unsigned>(count + 3)) - 1,
                 1.0 + static_cast<double>(random() % 5)});
            angles.push_back({0.1 * b, 0.2 * b, 0.3, 0.4 * b, -0.1 * b});
        }
        const std::vector<std::int32_t> parents = posing_order_of(bones).parents;
        std::vector<skeleton_bone> tree = bones;
        for (int b = 0; b < count; ++b) {
            tree[static_cast<std::size_t>(b)].parent = parents[static_cast<std::size_t>(b)];
            int steps = 0; // every chain ends at a root
            for (std::int32_t p = parents[static_cast<std::size_t>(b)]; p >= 0 && steps <= count;
                 p = parents[static_cast<std::size_t>(p)])
                ++steps;
            ASSERT_LE(steps, count - 1) << "trial " << trial;
        }
        std::vector<posed_bone> as_file(bones.size()), as_tree(bones.size());
        pose_skeleton(bones, angles, {1, 2, 3}, as_file);
        EXPECT_TRUE(pose_skeleton(tree, angles, {1, 2, 3}, as_tree));
        for (int b = 0; b < count; ++b)
            EXPECT_EQ(as_file[static_cast<std::size_t>(b)].position,
                      as_tree[static_cast<std::size_t>(b)].position)
                << "trial " << trial;
    }
}

// The glTF validator's report on `files`, run by node where it is installed
// (scripts/install-build-deps.sh); `status` is its exit status, -1 without it.
std::string validate(const std::vector<std::filesystem::path>& files, int& status) {
    status = -1;
    if (std::system("command -v node >/dev/null 2>&1") != 0 ||
        !std::filesystem::exists(source_path("tools/gltf-validate/node_modules/gltf-validator")))
        return "";
    std::string command = "node '" + source_path("tools/gltf-validate/validate.js").string() + "'";
    for (const auto& f : files)
        command += " '" + f.string() + "'";
    status = WEXITSTATUS(std::system((command + " >'" + files[0].string() + ".txt' 2>&1").c_str()));
    return read_file(files[0].string() + ".txt");
}

std::vector<std::uint8_t> bytes_of(const std::string& s) {
    return {s.begin(), s.end()};
}

struct preview_job {
    const char* name;
    std::string config;
    std::string line; // the preview's line on stdout
    std::string err = "";
};

class PreviewJobs : public testing::Test {
  protected:
    scratch_dir dir;
    void SetUp() override {
        for (const char* f : {"sample.mds", "reference.mdm", "reference.mdx", "character.mqo"})
            dir.write(f, read_file(source_path(std::string("examples/") + f)));
    }
};

TEST_F(PreviewJobs, EveryModeWritesAPreviewThatValidates) {
    // A damaged MDM: a triangle corner past its surface is left out, not written.
    mdm_desc damaged = reference_mdm_desc();
    surface_desc s;
    s.vertices.resize(3);
    for (auto& v : s.vertices)
        v.weights = {{0, 1.0f, {1, 2, 3}}};
    s.triangles = {{0, 1, 2}, {0, 1, 7}};
    s.collapse_map = {0, 0, 0};
    damaged.surfaces = {s};
    dir.write("damaged.mdm", build_mdm(damaged));

    const preview_job jobs[] = {
        {"mode 1", "MODE=1\nMDS=sample.mds\nMDM=a.mdm\nBASEFRAME=1\nPREVIEW=mode1.glb\n",
         "write_preview : File[mode1.glb] Vertex[7] Triangle[3] Joint[7] Tag[0] Frame[2]\n"},
        {"mode 3", "MODE=3\nMDS=sample.mds\nMDM=b.mdm\nMDX=b.mdx\nREPORT=1\nPREVIEW=mode3.glb\n",
         "write_preview : File[mode3.glb] Vertex[7] Triangle[3] Joint[7] Tag[0] Frame[2]\n"},
        {"mode 8",
         "MODE=8\nMQO=character.mqo\nMD3SHADERPATH=s\nMD3OUTNAME=c.md3\nPREVIEW=mode8.glb\n",
         "write_preview : File[mode8.glb] Vertex[152] Triangle[228] Joint[0] Tag[3] Frame[1]\n"},
        {"mode 10",
         "MODE=10\nMDMSOURCE=reference.mdm\nMDXSOURCE=reference.mdx\nPREVIEW=mode10.glb\n",
         "write_preview : File[mode10.glb] Vertex[1] Triangle[0] Joint[5] Tag[3] Frame[1]\n"},
        {"mode 10, damaged",
         "MODE=10\nMDMSOURCE=damaged.mdm\nMDXSOURCE=reference.mdx\nPREVIEW=bad.glb\n",
         "write_preview : File[bad.glb] Vertex[3] Triangle[1] Joint[5] Tag[3] Frame[1]\n",
         "leaves out 1 triangles"},
    };
    std::vector<std::filesystem::path> written;
    for (const preview_job& job : jobs) {
        dir.write("job.cfg", job.config);
        const run_result r = dir.run({"-cfg", "job.cfg"});
        EXPECT_EQ(r.status, 1) << job.name << "\n" << r.out;
        EXPECT_NE(r.out.find(job.line + all_done), std::string::npos) << job.name << "\n" << r.out;
        const std::string file =
            job.line.substr(job.line.find('[') + 1, job.line.find(']') - job.line.find('[') - 1);
        EXPECT_TRUE(gltf_file(bytes_of(dir.read(file))).loaded) << job.name;
        written.push_back(dir.path(file));
        EXPECT_NE(r.err.find(job.err), std::string::npos) << r.err;
    }

    // The MD3 as the engine reads it: its stored integers over 64.
    const std::string md3 = dir.read("c.md3");
    const gltf_file shown(bytes_of(dir.read("mode8.glb")));
    const auto vertices = shown.vertices(0);
    byte_region region{reinterpret_cast<std::uint8_t*>(const_cast<char*>(md3.data())), md3.size()};
    const offset_t surface = get_i32(region, 100);
    const offset_t xyz = surface + get_i32(region, surface + 100);
    for (int v = 0; v < 3; ++v) {
        const double stored[3] = {get_i16(region, xyz + 8 * v) / 64.0,
                                  get_i16(region, xyz + 8 * v + 2) / 64.0,
                                  get_i16(region, xyz + 8 * v + 4) / 64.0};
        const point expected = {stored[1] * 0.0254, stored[2] * 0.0254, stored[0] * 0.0254};
        for (std::size_t k = 0; k < 3; ++k)
            EXPECT_NEAR(vertices.at(static_cast<std::size_t>(v))[k], expected[k], 1e-7);
    }

    int status = -1;
    const std::string report = validate(written, status);
    if (status < 0)
        GTEST_SKIP() << "node or tools/gltf-validate/node_modules is missing (run "
                        "scripts/install-build-deps.sh): the glTF validator was not run";
    EXPECT_EQ(status, 0) << report;
    EXPECT_EQ(report.find(" 0 errors") == std::string::npos, false) << report;
}

TEST_F(PreviewJobs, LeavesOtherModesAndConfigurationsWithoutTheKeyAlone) {
    // Mode 2 shows nothing: its output is the same with the key, which stderr notes.
    dir.write("plain.cfg", "MODE=2\nMDS=sample.mds\nMDX=a.mdx\n");
    dir.write("keyed.cfg", "MODE=2\nMDS=sample.mds\nMDX=a.mdx\nPREVIEW=x.glb\n");
    const run_result plain = dir.run({"-cfg", "plain.cfg"});
    const run_result keyed = dir.run({"-cfg", "keyed.cfg"});
    EXPECT_EQ(keyed.out, plain.out);
    EXPECT_EQ(keyed.status, 1);
    EXPECT_NE(keyed.err.find("mode 2 writes no preview"), std::string::npos);
    EXPECT_FALSE(dir.exists("x.glb"));

    // Mode 10 without the key checks the two files and writes nothing.
    dir.write("ten.cfg", "MODE=10\nMDMSOURCE=reference.mdm\nMDXSOURCE=reference.mdx\n");
    const run_result ten = dir.run({"-cfg", "ten.cfg"});
    EXPECT_NE(ten.out.find("\n--- Checking ---\n"), std::string::npos) << ten.out;
    EXPECT_FALSE(dir.exists("y.glb"));

    // With it, a missing MDX stops the job before it loads anything.
    dir.write("lost.cfg", "MODE=10\nMDMSOURCE=reference.mdm\nMDXSOURCE=none.mdx\nPREVIEW=y.glb\n");
    const run_result lost = dir.run({"-cfg", "lost.cfg"});
    EXPECT_EQ(lost.status, 0);
    EXPECT_EQ(lost.out, banner + running_mode(10) +
                            "ERROR:Failed to open file[ none.mdx ].\nERROR: Cannot open "
                            "MDXSOURCE file.\n");
}

// Mode 10 writes MQOOUT and PREVIEW in one run, each as it writes it alone;
// an MD3 given as MD3SOURCE shows as mode 8 shows the MD3 it writes.
TEST_F(PreviewJobs, Mode10WritesTheMqoAndThePreviewInOneRun) {
    const std::string sources = "MODE=10\nMDMSOURCE=reference.mdm\nMDXSOURCE=reference.mdx\n";
    dir.write("both.cfg", sources + "MQOOUT=both.mqo\nPREVIEW=both.glb\n");
    dir.write("mqo.cfg", sources + "MQOOUT=alone.mqo\n");
    dir.write("glb.cfg", sources + "PREVIEW=alone.glb\n");
    const run_result both = dir.run({"-cfg", "both.cfg"});
    ASSERT_EQ(both.status, 1) << both.out;
    ASSERT_EQ(dir.run({"-cfg", "mqo.cfg"}).status, 1);
    const run_result alone = dir.run({"-cfg", "glb.cfg"});
    ASSERT_EQ(alone.status, 1);
    EXPECT_EQ(dir.read("both.mqo"), dir.read("alone.mqo"));
    EXPECT_EQ(dir.read("both.glb"), dir.read("alone.glb"));
    const std::size_t mqo_line = both.out.find("write_mqo : File[both.mqo]");
    EXPECT_NE(mqo_line, std::string::npos);
    EXPECT_GT(both.out.find("write_preview : File[both.glb]"), mqo_line);
    // Without MQOOUT the run reads as it always has: load, then the preview.
    EXPECT_EQ(alone.out.find("--- Writing MQO ---"), std::string::npos);
    EXPECT_NE(alone.out.find("MDX has been loaded.\n\n------------------------------\n Exporting"),
              std::string::npos)
        << alone.out;

    dir.write("md3.cfg", "MODE=8\nMQO=character.mqo\nMD3SHADERPATH=s\nMD3OUTNAME=c.md3\n"
                         "PREVIEW=mode8.glb\n");
    dir.write("shown.cfg", "MODE=10\nMD3SOURCE=c.md3\nPREVIEW=mode10.glb\n");
    ASSERT_EQ(dir.run({"-cfg", "md3.cfg"}).status, 1);
    const run_result shown = dir.run({"-cfg", "shown.cfg"});
    ASSERT_EQ(shown.status, 1) << shown.out;
    EXPECT_NE(shown.out.find("Checking MD3 Header...This MD3 seems to be valid.\n"),
              std::string::npos);
    EXPECT_NE(shown.out.find("write_preview : File[mode10.glb] Vertex[152] Triangle[228] "
                             "Joint[0] Tag[3] Frame[1]\n"),
              std::string::npos)
        << shown.out;
    EXPECT_EQ(dir.read("mode10.glb"), dir.read("mode8.glb"));
}

} // namespace
} // namespace ossify_test
