// Mode 9 with BINDMDX through the built binary, on the bundled character and
// the skeleton MDX that mode 9 writes for it: the MDM lands where the model was
// drawn, keeps its objects' names and its tag markers; the refusals of the keys.
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "base/work_buffer.hpp"
#include "skeletal/skeletal.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/stored_pose.hpp"
#include "support/capture_stdout.hpp"
#include "support/loaded_file.hpp"
#include "support/mqo_model.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;
using namespace ossify;

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A scratch directory with the bundled character and its one-frame skeleton MDX.
struct character_scratch {
    scratch_dir s;
    character_scratch() {
        s.write("character.mqo", read_file(source_path("examples/character.mqo")));
        s.write("skeleton.cfg", "MODE=9\nMQO=character.mqo\nMQOROOTBONE=0\nMDM=drawn.mdm\n"
                                "SKELETONMDX=skeleton.mdx\n");
        EXPECT_EQ(s.run({"-cfg", "skeleton.cfg"}).status, 1);
    }
    run_result bind(const std::string& extra) const {
        s.write("bind.cfg",
                "MODE=9\nMQO=character.mqo\nMDM=bound.mdm\nBINDMDX=skeleton.mdx\n" + extra);
        return s.run({"-cfg", "bind.cfg"});
    }
};

} // namespace

TEST(BindMdxJob, TheBundledCharacterLandsWhereItWasDrawn) {
    character_scratch c;
    const run_result r = c.bind("BLENDWEIGHTS=2\n");
    ASSERT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r.err, "the bones drawn in the object \"bone\" are not used")) << r.err;

    const work_buffer mdm = loaded(c.s, "bound.mdm", check_mdm);
    const work_buffer mdx = loaded(c.s, "skeleton.mdx", check_mdx);
    const mdx_info info = read_mdx_info(mdx.region);
    const std::vector<posed_bone> posed =
        pose_stored_frame(mdx.region, info.ofs_frames,
                          read_skeleton_bones(mdx.region, info.ofs_bones, info.num_bones));
    const auto skinned = skin_mdm_vertices(mdm.region, posed);

    // The drawn model, surface by surface as the objects of the MQO.
    mqo_model drawn(read_file(source_path("examples/character.mqo")));
    ASSERT_GT(drawn.build_mesh(), 0);
    const char* names[] = {"body", "arms", "legs"};
    ASSERT_EQ(skinned.size(), 3u);
    double worst = 0;
    offset_t surface = get_i32(mdm.region, mdm_header::ofs_surfaces);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(get_text(mdm.region, surface + mdm_surface::name, 64), names[i]);
        const std::int32_t n =
            get_i32(drawn.mesh.region, drawn.object(i) + mesh_object::num_vertex);
        ASSERT_EQ(static_cast<std::size_t>(n), skinned[static_cast<std::size_t>(i)].size());
        for (const dvec3& p : skinned[static_cast<std::size_t>(i)]) {
            double best = INFINITY;
            for (int v = 0; v < n; ++v) {
                const vector3 q = get_vector3(drawn.mesh.region, drawn.vertex(i, v));
                const dvec3 d = {p[0] - 0.1 * q.x, p[1] - 0.1 * q.y, p[2] - 0.1 * q.z};
                best = std::min(best, std::sqrt(dot3(d, d)));
            }
            worst = std::max(worst, best);
        }
        surface += get_i32(mdm.region, surface + mdm_surface::ofs_end);
    }
    EXPECT_LT(worst, 1e-4);

    // The tag markers, hung on the nearest bones.
    ASSERT_EQ(get_i32(mdm.region, mdm_header::num_tags), 3);
    EXPECT_TRUE(has(r.out, "build_mdm_bound_tags : Tag[0] Name[tag_head] Bone[4:head]")) << r.out;
    EXPECT_TRUE(has(r.out, "build_mdm_bound_tags : Tag[1] Name[tag_weapon] Bone[12:r_hand]"));

    // With a reference MDM its tags are taken as they are.
    c.s.write("character-tags.mdm", read_file(source_path("examples/character-tags.mdm")));
    const run_result tagged = c.bind("REFERENCEMDM=character-tags.mdm\n");
    EXPECT_EQ(tagged.status, 1);
    EXPECT_FALSE(has(tagged.out, "build_mdm_bound_tags"));
}

TEST(BindMdxJob, RefusalsSayWhatToChange) {
    character_scratch c;
    const struct {
        std::string extra, error, explanation;
    } cases[] = {
        {"SKELETONMDX=again.mdx\n", "ERROR: SKELETONMDX cannot be used with BINDMDX.\n",
         "the skeleton is that MDX already"},
        {"BINDFRAME=1\n", "ERROR: Invalid BINDFRAME value.\n", ""},
        {"BINDFRAME=-1\n", "ERROR: Invalid BINDFRAME value.\n", ""},
        {"BINDBONES=pelvis,tail\n", "ERROR: Invalid BINDBONES value.\n", "\"tail\""},
        {"BLENDWEIGHTS=9\n", "ERROR: Invalid BLENDWEIGHTS value.\n", "1 to 4"},
    };
    for (const auto& k : cases) {
        const run_result r = c.bind(k.extra);
        EXPECT_EQ(r.status, 0) << k.extra;
        EXPECT_TRUE(r.out.ends_with(k.error)) << k.extra << r.out;
        EXPECT_TRUE(has(r.err, k.explanation)) << k.extra << r.err;
        EXPECT_FALSE(c.s.exists("bound.mdm")) << k.extra;
    }
    EXPECT_TRUE(has(c.bind("BINDFRAME=1\n").out, "it has frames 0 to 0"));
    c.s.write("bind.cfg", "MODE=9\nMQO=character.mqo\nMDM=bound.mdm\nBINDMDX=none.mdx\n");
    const run_result missing = c.s.run({"-cfg", "bind.cfg"});
    EXPECT_TRUE(missing.out.ends_with("ERROR:Failed to load Bind MDX.\n")) << missing.out;
}

// Only the bones BINDBONES names carry weights.
TEST(BindMdxJob, BindBonesLimitsTheWeightedBones) {
    character_scratch c;
    ASSERT_EQ(c.bind("BINDBONES=pelvis spine_lower,spine_upper 3 4\n").status, 1);
    const work_buffer mdm = loaded(c.s, "bound.mdm", check_mdm);
    offset_t surface = get_i32(mdm.region, mdm_header::ofs_surfaces);
    for (std::int32_t s = 0; s < 3; ++s) {
        offset_t vertex = surface + get_i32(mdm.region, surface + mdm_surface::ofs_verts);
        for (std::int32_t v = 0; v < get_i32(mdm.region, surface + mdm_surface::num_verts); ++v) {
            const std::int32_t count = get_i32(mdm.region, vertex + mdm_vertex::num_weights);
            EXPECT_EQ(count, 1);
            for (const engine_weight& w :
                 read_skin_weights(mdm.region, vertex + mdm_vertex::weights, count))
                EXPECT_LE(w.bone, 4);
            vertex += mdm_vertex::weights + skin_weight::size * count;
        }
        surface += get_i32(mdm.region, surface + mdm_surface::ofs_end);
    }
}
