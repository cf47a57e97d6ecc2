// Mode 9 with BINDMDX on a model with anchor boxes named after the MDX's bones
// (by material or by the "-BONE" ending): the boxes say which bone each part
// follows, the rest is bound by sight, and the engine's skinning at BINDFRAME
// puts every vertex back where it was drawn.
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "base/work_buffer.hpp"
#include "skeletal/skeletal.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"
#include "support/capture_stdout.hpp"
#include "support/loaded_file.hpp"
#include "support/mqo_text.hpp"
#include "support/rig_figure.hpp"
#include "support/scratch.hpp"
#include "support/skeletal_builder.hpp"

using namespace ossify_test;
using namespace ossify;

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Three bones in a chain; frame 1 bends them, frame 0 leaves them straight.
bytes three_bone_mdx() {
    mdx_desc d;
    d.bones = {{"pelvis", -1, 0.0f, 0.0f}, {"spine", 0, 0.0f, 12.0f}, {"head", 1, 0.0f, 9.0f}};
    frame_desc straight;
    straight.header[12] = 40.0f;
    frame_desc bent = straight;
    bent.header[10] = 3.0f;
    bent.bones = {{{{1200, -800, 300, 0}}, {{0, 0}}},
                  {{{-2500, 4000, 0, 0}}, {{900, -300}}},
                  {{{600, 0, -3100, 0}}, {{-400, 1500}}}};
    d.frames = {straight, bent};
    return build_mdx(d);
}

figure_box around(const figure_box& b, float margin) {
    figure_box out = b;
    for (int k = 0; k < 3; ++k) {
        out.low[k] -= margin;
        out.high[k] += margin;
    }
    return out;
}

// The eight corners and six quads of a box, numbered on from `vertices`.
void add_box(const figure_box& b, int material, std::vector<std::string>& vertices,
             std::vector<std::string>& faces) {
    box_lines(b, material, static_cast<int>(vertices.size()), vertices, faces);
}

// Four parts of the object "body", by height; the first three lie in boxes.
const figure_box parts[4] = {{{-40, -20, 380}, {40, 20, 440}, "pelvis"},
                             {{-30, -15, 520}, {30, 15, 580}, "spine"},
                             {{-20, -20, 640}, {20, 20, 700}, "head"},
                             {{-10, -10, 760}, {10, 10, 800}, ""}};

std::string anchored_model() {
    std::vector<std::string> body_v, body_f, anchor_v, anchor_f, named_v, named_f;
    for (const figure_box& p : parts)
        add_box(p, 0, body_v, body_f);
    add_box(around(parts[0], 5), 1, anchor_v, anchor_f);                     // material "pelvis"
    add_box(around(parts[2], 5), 2, anchor_v, anchor_f);                     // material "head"
    add_box({{200, 200, 0}, {220, 220, 20}, "tail"}, 3, anchor_v, anchor_f); // "tail": no such bone
    add_box(around(parts[1], 5), 4, named_v, named_f);                       // "-spine" names it
    return mqo_document(
        material_chunk({material_line("skin"), material_line("pelvis"), material_line("head"),
                        material_line("tail"), material_line("box")}) +
        object_chunk("body", body_v, body_f) + object_chunk("anchor|body", anchor_v, anchor_f) +
        object_chunk("anchor2|body-spine", named_v, named_f) +
        // A drawn rig skeleton, which the MDX's replaces.
        object_chunk("bone:rig", {"0 0 400", "5 0 400", "0 0 600"}, {"3 V(0 1 2) M(1)"}));
}

// Which part a drawn position (modeller units) belongs to; -1 for none.
int part_of(const dvec3& q) {
    for (int i = 0; i < 4; ++i) {
        bool in = true;
        for (std::size_t k = 0; k < 3; ++k)
            in = in && q[k] >= parts[i].low[k] - 1e-3 && q[k] <= parts[i].high[k] + 1e-3;
        if (in) return i;
    }
    return -1;
}

} // namespace

// Plain, whole (the surfaces as the engine wants them) and with RIG, which
// changes nothing here: the skeleton is the MDX's.
class BindAnchorsJob : public ::testing::TestWithParam<std::string> {};

TEST_P(BindAnchorsJob, BoxesNamedAfterTheBonesBindTheirParts) {
    scratch_dir s;
    s.write("skeleton.mdx", three_bone_mdx());
    s.write("model.mqo", anchored_model());
    s.write("bind.cfg",
            "MODE=9\nMQO=model.mqo\nMDM=bound.mdm\nBINDMDX=skeleton.mdx\nBINDFRAME=1\n" +
                GetParam());
    const run_result r = s.run({"-cfg", "bind.cfg"});
    ASSERT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "Anchor[anchor|body] Solid[0] Triangle[12] Bone[0:pelvis]")) << r.out;
    EXPECT_TRUE(has(r.out, "Anchor[anchor2|body-spine] Solid[0] Triangle[12] Bone[1:spine]"));
    EXPECT_TRUE(has(r.err, "Anchor[anchor|body] Solid[2] Material[tail]: the MDX has no bone"))
        << r.err;

    const work_buffer mdm = loaded(s, "bound.mdm", check_mdm);
    const work_buffer mdx = loaded(s, "skeleton.mdx", check_mdx);
    const mdx_info info = read_mdx_info(mdx.region);
    const std::vector<posed_bone> posed =
        pose_stored_frame(mdx.region, info.ofs_frames + frame_size(info.num_bones),
                          read_skeleton_bones(mdx.region, info.ofs_bones, info.num_bones));
    EXPECT_TRUE(has(r.err, "the bone triangles of the \"bone:\" objects are not used")) << r.err;
    // The anchors and the bone triangles are no surfaces.
    ASSERT_EQ(get_i32(mdm.region, mdm_header::num_surfaces), 1);
    const offset_t surface = get_i32(mdm.region, mdm_header::ofs_surfaces);
    EXPECT_EQ(get_text(mdm.region, surface + mdm_surface::name, 64), "body") << GetParam();

    const std::vector<dvec3> skinned = skin_mdm_vertices(mdm.region, posed).at(0);
    offset_t vertex = surface + get_i32(mdm.region, surface + mdm_surface::ofs_verts);
    int per_part[4] = {};
    for (const dvec3& p : skinned) {
        const int part = part_of(scaled(p, 10.0));
        ASSERT_GE(part, 0) << p[0] << " " << p[1] << " " << p[2];
        ++per_part[part];
        const std::int32_t count = get_i32(mdm.region, vertex + mdm_vertex::num_weights);
        const std::vector<engine_weight> w =
            read_skin_weights(mdm.region, vertex + mdm_vertex::weights, count);
        if (part < 3) {
            ASSERT_EQ(count, 1);
            EXPECT_EQ(posed.size(), 3u);
            EXPECT_EQ(w[0].bone, part) << parts[part].bone;
            EXPECT_EQ(w[0].weight, 1.0);
        }
        vertex += mdm_vertex::weights + skin_weight::size * count;
    }
    // Each drawn corner comes back at a tenth of its drawn position.
    double worst = 0;
    for (const dvec3& p : skinned) {
        const figure_box& b = parts[part_of(scaled(p, 10.0))];
        double best = INFINITY;
        for (int i = 0; i < 8; ++i) {
            const dvec3 q = {(i & 1) != 0 ? b.high[0] : b.low[0],
                             (i & 2) != 0 ? b.high[1] : b.low[1],
                             (i & 4) != 0 ? b.high[2] : b.low[2]};
            best = std::min(best, distance(p, scaled(q, 0.1)));
        }
        worst = std::max(worst, best);
    }
    EXPECT_LT(worst, 1e-4);
    const int inside = per_part[0] + per_part[1] + per_part[2];
    EXPECT_TRUE(has(r.err, "Object[body] " + std::to_string(inside) +
                               " vertices bound by anchors, " + std::to_string(per_part[3]) +
                               " by sight"))
        << r.err;
    EXPECT_GT(per_part[3], 0);
    if (GetParam().empty()) {
        EXPECT_TRUE(has(r.err, "left out : Object[anchor|body] not built (its name begins with "
                               "\"anchor\")"));
    }
}

INSTANTIATE_TEST_SUITE_P(Readings, BindAnchorsJob,
                         ::testing::Values("", "WHOLEMODEL=1\n", "RIG=1\n"));
