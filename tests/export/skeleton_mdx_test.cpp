// The skeleton MDX of a mode 9 model: skinned as the engine skins, the MDM on
// that MDX gives back every vertex where the modeller drew it (× 0.1).
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "skeletal/engine_pose.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;
using namespace ossify;

namespace {

// The engine's reading of a compressed angle: value × 360 / 65536 degrees.
double engine_radians(std::int16_t value) {
    return value * 2 * std::numbers::pi / 65536;
}

struct skeleton_model {
    mqo_model model;
    work_buffer mdm = make_work_buffer(1 << 20), mdx = make_work_buffer(1 << 20);
    std::int32_t mdx_size = 0;
    std::string out;

    explicit skeleton_model(const std::string& document, std::int32_t root = 0) : model(document) {
        EXPECT_GT(model.build_bones(root), 0) << model.out;
        EXPECT_GT(model.build_mesh(), 0);
        out = capture_stdout([&] {
            EXPECT_GT(build_mdm_from_mesh(model.mesh.region, mdm.region, model.bones.region), 0);
            mdx_size = build_mdx_from_skeleton(model.bones.region, mdm.region, mdx.region);
        });
    }
};

// The skeleton of the MDX posed as the engine poses its first frame.
std::vector<posed_bone> pose_mdx(const byte_region& mdx, double (*radians)(std::int16_t)) {
    const std::int32_t count = get_i32(mdx, mdx_header::num_bones);
    const offset_t frame = get_i32(mdx, mdx_header::ofs_frames);
    const offset_t infos = get_i32(mdx, mdx_header::ofs_bones);
    std::vector<skeleton_bone> bones;
    std::vector<bone_angles> angles;
    for (std::int32_t b = 0; b < count; ++b) {
        const offset_t info = infos + mds_bone_info::size * b;
        bones.push_back({get_i32(mdx, info + mds_bone_info::parent),
                         get_f32(mdx, info + mds_bone_info::parent_dist)});
        const offset_t at = frame + mds_frame::bone_frames + mds_bone_frame::size * b;
        const auto angle = [&](offset_t k) { return radians(get_i16(mdx, at + 2 * k)); };
        angles.push_back({angle(0), angle(1), angle(2), angle(4), angle(5)});
    }
    const vector3 root = get_vector3(mdx, frame + mds_frame::parent_offset);
    std::vector<posed_bone> posed(bones.size());
    EXPECT_TRUE(pose_skeleton(bones, angles, {root.x, root.y, root.z}, posed));
    return posed;
}

// The largest distance between an MDM vertex skinned on the MDX and 0.1 × the
// position the mesh record holds for it (the MQO position).
double worst_skinning_error(const skeleton_model& m, double (*radians)(std::int16_t)) {
    const std::vector<posed_bone> posed = pose_mdx(m.mdx.region, radians);
    const byte_region& mdm = m.mdm.region;
    double worst = 0;
    offset_t surface = get_i32(mdm, mdm_header::ofs_surfaces);
    for (std::int32_t s = 0; s < get_i32(mdm, mdm_header::num_surfaces); ++s) {
        offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
        for (std::int32_t v = 0; v < get_i32(mdm, surface + mdm_surface::num_verts); ++v) {
            std::vector<engine_weight> weights;
            offset_t w = vertex + mdm_vertex::weights;
            for (std::int32_t k = 0; k < get_i32(mdm, vertex + mdm_vertex::num_weights);
                 ++k, w += skin_weight::size) {
                const vector3 o = get_vector3(mdm, w + skin_weight::offset);
                weights.push_back({get_i32(mdm, w + skin_weight::bone),
                                   get_f32(mdm, w + skin_weight::weight),
                                   {o.x, o.y, o.z}});
            }
            const dvec3 skinned = skin_vertex(weights, posed);
            const vector3 p = get_vector3(m.model.mesh.region, m.model.vertex(s, v));
            const dvec3 d = {skinned[0] - 0.1 * p.x, skinned[1] - 0.1 * p.y,
                             skinned[2] - 0.1 * p.z};
            worst = std::max(worst, std::sqrt(dot3(d, d)));
            vertex = w;
        }
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
    return worst;
}
// A chain of three bones pointing every which way, each with a tilted up vertex,
// and a body whose vertices sit along it.
std::string twisted_chain() {
    return mqo_document(
        material_chunk({material_line("skin"), material_line("bone:root"),
                        material_line("bone:child"), material_line("bone:grand")}) +
        object_chunk("body",
                     {"1 1 5", "-2 0 20", "4 6 38", "12 8 48", "18 9 54", "24 -5 52", "30 0 60"},
                     {"3 V(0 1 2) M(0)", "3 V(2 3 4) M(0)", "3 V(4 5 6) M(0)"}) +
        object_chunk("bone",
                     {"0 0 0", "3 4 40", "1 -2 -1", "20 10 55", "2 5 38", "25 -10 50", "19 11 56"},
                     {"3 V(0 1 2) M(1)", "3 V(1 3 4) M(2)", "3 V(3 5 6) M(3)"}));
}

} // namespace

TEST(SkeletonMdx, SkinningGivesBackTheDrawnModel) {
    const struct {
        const char* name;
        std::string document;
    } models[] = {
        {"character", read_file(source_path("examples/character.mqo"))},
        {"twisted chain", twisted_chain()},
    };
    for (const auto& c : models) {
        const skeleton_model m(c.document);
        ASSERT_GT(m.mdx_size, 0) << c.name << m.out;
        EXPECT_EQ(m.out.find("build_mdx_from_skeleton"), std::string::npos); // silent
        // The engine's angle unit, and the 3.1415 unit the tool reads angles with.
        const double engine = worst_skinning_error(m, engine_radians);
        const double tool = worst_skinning_error(m, compressed_angle_radians);
        EXPECT_LT(engine, 0.02) << c.name;
        EXPECT_LT(tool, 0.02) << c.name;
        std::printf("%s: worst skinning error %.6f (engine unit), %.6f (3.1415 unit)\n", c.name,
                    engine, tool);

        const byte_region& mdx = m.mdx.region;
        const byte_region& bones = m.model.bones.region;
        const std::int32_t count = get_i32(bones, boneobj_header::num_bone);
        EXPECT_EQ(get_i32(mdx, mdx_header::num_frames), 1);
        EXPECT_EQ(get_i32(mdx, mdx_header::num_bones), count);
        EXPECT_EQ(get_i32(mdx, mdx_header::torso_parent), 0); // the configured root
        EXPECT_EQ(m.mdx_size, get_i32(mdx, mdx_header::ofs_end));
        EXPECT_EQ(m.mdx_size, mdx_header::size + frame_size(count) + mds_bone_info::size * count);
        const offset_t infos = get_i32(mdx, mdx_header::ofs_bones);
        for (std::int32_t b = 0; b < count; ++b) {
            const offset_t info = infos + mds_bone_info::size * b;
            EXPECT_EQ(get_text(mdx, info, 64), bone_record_name(bones, bone_record_at(b)));
            EXPECT_EQ(get_i32(mdx, info + mds_bone_info::parent),
                      m.model.bone_i32(b, bone_record::parent));
            EXPECT_FLOAT_EQ(get_f32(mdx, info + mds_bone_info::parent_dist),
                            0.1f * m.model.bone_f32(b, bone_record::parent_distance));
            EXPECT_EQ(get_i32(mdx, info + mds_bone_info::flags), 0);
        }
        // The frame's box holds the model and its radius reaches every corner.
        const vector3 lo = get_vector3(mdx, mdx_header::size + mds_frame::bounds_min);
        const vector3 hi = get_vector3(mdx, mdx_header::size + mds_frame::bounds_max);
        const vector3 centre = get_vector3(mdx, mdx_header::size + mds_frame::local_origin);
        const float radius = get_f32(mdx, mdx_header::size + mds_frame::radius);
        EXPECT_LT(lo.x, hi.x);
        EXPECT_LT(lo.z, hi.z);
        EXPECT_FLOAT_EQ(centre.y, (lo.y + hi.y) / 2);
        const double half_diagonal = std::hypot(hi.x - lo.x, hi.y - lo.y, hi.z - lo.z) / 2;
        EXPECT_LE(radius, half_diagonal + 1e-4);
        EXPECT_GE(radius, std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}) / 2 - 1e-4);
    }
}

TEST(SkeletonMdx, RefusesASkeletonWithoutBones) {
    const work_buffer bones = make_work_buffer(1 << 10), mdm = make_work_buffer(1 << 10);
    work_buffer mdx = make_work_buffer(1 << 10);
    std::int32_t size = 0;
    const std::string out = capture_stdout(
        [&] { size = build_mdx_from_skeleton(bones.region, mdm.region, mdx.region); });
    EXPECT_EQ(size, -1);
    EXPECT_EQ(out, "build_mdx_from_skeleton : NumBone[0] is not 1 to 128\n");
}
