// Mode 9's MDM and skeleton MDX as the engine skins them: every vertex lands
// where the modeller drew it (× 0.1), rigid or blended, the skeleton's tags ride
// on their bones, and blended weights keep a bent elbow's skin where the rigid
// binding folds it.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "export/mesh_object_geometry.hpp"
#include "mesh/blend_weights.hpp"
#include "mesh/bone_binding.hpp"
#include "support/engine_skin.hpp"
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

// A model and its skeleton from MQO text: the MDM bound rigidly (`blend` 0) or
// blended over `blend` bones, the skeleton MDX, and the skeleton's tags.
struct skinned_model {
    mqo_model model;
    work_buffer mdm = make_work_buffer(1 << 20), mdx = make_work_buffer(1 << 20);
    std::int32_t mdx_size = 0, tagged_size = 0;
    std::string out;

    explicit skinned_model(const std::string& document, int blend = 0) : model(document) {
        EXPECT_GT(model.build_bones(0), 0) << model.out;
        EXPECT_GT(model.build_mesh(), 0);
        out = capture_stdout([&] {
            if (blend > 0) {
                EXPECT_EQ(blend_skin_weights(model.mesh.region, model.bones.region, blend), 1);
            }
            EXPECT_GT(build_mdm_from_mesh(model.mesh.region, mdm.region, model.bones.region), 0);
            mdx_size = build_mdx_from_skeleton(model.bones.region, mdm.region, mdx.region);
            tagged_size = build_mdm_skeleton_tags(model.bones.region, mdm.region);
        });
    }

    // The skeleton as drawn: each bone at a tenth of its origin, turned as the
    // binding measured its bone-local positions.
    std::vector<posed_bone> drawn_pose() const {
        std::vector<posed_bone> pose;
        for (std::int32_t b = 0; b < get_i32(model.bones.region, boneobj_header::num_bone); ++b) {
            const dvec3 o =
                get_dvec3(model.bones.region, bone_record_at(b) + bone_record::origin_position);
            const vector3 a =
                get_vector3(model.bones.region, bone_record_at(b) + bone_record::angles);
            const mat3 t = bone_local_rotation(a.x, a.y, a.z);
            const auto row = [&](int r) {
                return dvec3{t.m[3 * r], t.m[3 * r + 1], t.m[3 * r + 2]};
            };
            pose.push_back({{0.1 * o[0], 0.1 * o[1], 0.1 * o[2]}, {row(0), row(1), row(2)}});
        }
        return pose;
    }

    // The skeleton of the MDX posed as the engine poses its first frame.
    std::vector<posed_bone> mdx_pose(double (*radians)(std::int16_t)) const {
        const byte_region& r = mdx.region;
        const offset_t frame = get_i32(r, mdx_header::ofs_frames);
        std::vector<skeleton_bone> bones;
        std::vector<bone_angles> angles;
        for (std::int32_t b = 0; b < get_i32(r, mdx_header::num_bones); ++b) {
            const offset_t info = get_i32(r, mdx_header::ofs_bones) + mds_bone_info::size * b;
            bones.push_back({get_i32(r, info + mds_bone_info::parent),
                             get_f32(r, info + mds_bone_info::parent_dist)});
            const offset_t at = frame + mds_frame::bone_frames + mds_bone_frame::size * b;
            const auto angle = [&](offset_t k) { return radians(get_i16(r, at + 2 * k)); };
            angles.push_back({angle(0), angle(1), angle(2), angle(4), angle(5)});
        }
        std::vector<posed_bone> posed(bones.size());
        EXPECT_TRUE(
            pose_skeleton(bones, angles, get_dvec3(r, frame + mds_frame::parent_offset), posed));
        return posed;
    }

    // The largest distance of a vertex skinned on `pose` from a tenth of its
    // position in the mesh record (the MQO position; the MDM stores each
    // surface's vertices in the order they are given up at a distance).
    double worst_error(const std::vector<posed_bone>& pose) const {
        const auto skinned = skin_mdm_vertices(mdm.region, pose);
        const double size = mesh_model_size(model.mesh.region);
        double worst = 0;
        for (std::size_t s = 0; s < skinned.size(); ++s) {
            const std::vector<std::int32_t> order =
                mesh_object_levels(model.mesh.region, model.object(int(s)), size, 0).lod.order;
            for (std::size_t v = 0; v < skinned[s].size(); ++v) {
                const dvec3 p = get_dvec3(model.mesh.region, model.vertex(int(s), order[v]));
                const dvec3& q = skinned[s][v];
                worst = std::max(
                    worst, std::hypot(q[0] - 0.1 * p[0], q[1] - 0.1 * p[1], q[2] - 0.1 * p[2]));
            }
        }
        return worst;
    }
};

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

// A tube of radius 2 round an arm of two bones along x (shoulder at 0, elbow
// at 10, wrist at 20): rings every unit, eight sides, quads split in two.
std::string arm_model() {
    std::vector<std::string> tube, faces;
    const auto face = [](int a, int b, int c) {
        return "3 V(" + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) +
               ") M(0)";
    };
    for (int i = 0; i <= 20; ++i)
        for (int j = 0; j < 8; ++j) {
            const double a = j * std::numbers::pi / 4;
            tube.push_back(std::to_string(i) + " " + std::to_string(2 * std::cos(a)) + " " +
                           std::to_string(2 * std::sin(a)));
            if (i == 20) continue;
            const int p = 8 * i + j, q = 8 * i + (j + 1) % 8;
            faces.push_back(face(p, q, q + 8));
            faces.push_back(face(p, q + 8, p + 8));
        }
    return mqo_document(material_chunk({material_line("skin"), material_line("bone:upper"),
                                        material_line("bone:fore")}) +
                        object_chunk("bone", {"0 0 0", "10 0 0", "0 0.3 2", "20 0 0", "10 0.3 2"},
                                     {"3 V(0 1 2) M(1)", "3 V(1 3 4) M(2)"}) +
                        object_chunk("arm", tube, faces));
}

dvec3 sub(const dvec3& a, const dvec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

// The point of segment a-b nearest to p.
dvec3 nearest_on(const dvec3& p, const dvec3& a, const dvec3& b) {
    const dvec3 axis = sub(b, a);
    const double t = std::clamp(dot3(sub(p, a), axis) / dot3(axis, axis), 0.0, 1.0);
    return {a[0] + t * axis[0], a[1] + t * axis[1], a[2] + t * axis[2]};
}

// The smallest share of its rest area a triangle keeps with the forearm bent
// 90 degrees about z at the elbow; negative when one turns over (its normal
// swaps sides of the bent bones).
double worst_triangle_at_bend(const skinned_model& arm) {
    const std::vector<posed_bone> rest = arm.drawn_pose();
    std::vector<posed_bone> bent = rest;
    const bone_rotation& r = rest[1].rotation; // the forearm turned about z
    bent[1].rotation = {{-r.left[0], -r.left[1], -r.left[2]}, r.forward, r.up};
    const dvec3 shoulder = rest[0].position, elbow = rest[1].position;
    const std::vector<dvec3> at_rest = skin_mdm_vertices(arm.mdm.region, rest)[0],
                             posed = skin_mdm_vertices(arm.mdm.region, bent)[0];
    const byte_region& m = arm.mdm.region;
    const offset_t surface = get_i32(m, mdm_header::ofs_surfaces);
    const offset_t first = surface + get_i32(m, surface + mdm_surface::ofs_triangles);
    double worst = INFINITY;
    for (std::int32_t i = 0; i < get_i32(m, surface + mdm_surface::num_triangles); ++i) {
        std::size_t t[3];
        for (int k = 0; k < 3; ++k)
            t[k] = static_cast<std::size_t>(get_i32(m, first + triangle_size * i + 4 * k));
        // Twice the area, and the normal's reach outward from the nearer bone.
        const auto outward = [&](const std::vector<dvec3>& p, const dvec3& wrist, double& area) {
            const dvec3 u = sub(p[t[1]], p[t[0]]), w = sub(p[t[2]], p[t[0]]);
            const dvec3 n = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                             u[0] * w[1] - u[1] * w[0]};
            area = std::sqrt(dot3(n, n));
            dvec3 c{};
            for (std::size_t k = 0; k < 3; ++k)
                c[k] = (p[t[0]][k] + p[t[1]][k] + p[t[2]][k]) / 3;
            const dvec3 n1 = nearest_on(c, shoulder, elbow), n2 = nearest_on(c, elbow, wrist);
            return dot3(
                n, sub(c, dot3(sub(c, n1), sub(c, n1)) <= dot3(sub(c, n2), sub(c, n2)) ? n1 : n2));
        };
        double rest_area = 0, bent_area = 0;
        const bool rest_out = outward(at_rest, {elbow[0] + 1, elbow[1], elbow[2]}, rest_area) > 0;
        const bool bent_out = outward(posed, {elbow[0], elbow[1] + 1, elbow[2]}, bent_area) > 0;
        worst = std::min(worst, (rest_out == bent_out ? 1 : -1) * bent_area / rest_area);
    }
    return worst;
}

} // namespace

// On the MDX's first frame, in the engine's angle unit and in the 3.1415 unit
// the tool reads angles with, and on the skeleton as drawn, with every number
// of blended bones: blending moves nothing at rest.
TEST(SkeletonMdx, SkinningGivesBackTheDrawnModel) {
    const struct {
        const char* name;
        std::string document;
    } models[] = {
        {"character", read_file(source_path("examples/character.mqo"))},
        {"twisted chain", twisted_chain()},
    };
    for (const auto& c : models)
        for (int blend = 0; blend <= max_blend_weights; ++blend) {
            SCOPED_TRACE(testing::Message() << c.name << " BLENDWEIGHTS " << blend);
            const skinned_model m(c.document, blend);
            ASSERT_GT(m.mdx_size, 0) << m.out;
            EXPECT_EQ(m.out.find("build_mdx_from_skeleton"), std::string::npos); // silent
            EXPECT_LT(m.worst_error(m.drawn_pose()), 1e-4);
            EXPECT_LT(m.worst_error(m.mdx_pose(engine_radians)), 0.02);
            EXPECT_LT(m.worst_error(m.mdx_pose(compressed_angle_radians)), 0.02);

            const byte_region& mdx = m.mdx.region;
            const std::int32_t count = get_i32(m.model.bones.region, boneobj_header::num_bone);
            ASSERT_EQ(get_i32(mdx, mdx_header::num_bones), count);
            EXPECT_EQ(get_i32(mdx, mdx_header::torso_parent), 0); // the configured root
            for (std::int32_t b = 0; b < count; ++b)
                EXPECT_EQ(get_text(mdx,
                                   get_i32(mdx, mdx_header::ofs_bones) + mds_bone_info::size * b,
                                   64),
                          bone_record_name(m.model.bones.region, bone_record_at(b)));
        }
}

// Each skeleton tag, placed by the engine on the MDX pose, lands on the tag's
// drawn origin (× 0.1) with the tag's rows as its axes.
TEST(SkeletonTags, RideOnTheirBonesAsDrawn) {
    const skinned_model m(read_file(source_path("examples/character.mqo")));
    ASSERT_GT(m.tagged_size, 0) << m.out;
    const byte_region& mdm = m.mdm.region;
    const byte_region& bones = m.model.bones.region;
    const std::int32_t bone_count = get_i32(bones, boneobj_header::num_bone);
    ASSERT_EQ(get_i32(mdm, mdm_header::num_tags), 3);
    EXPECT_EQ(m.tagged_size, get_i32(mdm, mdm_header::ofs_end));
    const std::vector<posed_bone> posed = m.mdx_pose(engine_radians);
    offset_t tag = get_i32(mdm, mdm_header::ofs_tags);
    for (std::int32_t t = 0; t < 3; ++t, tag += get_i32(mdm, tag + mdm_tag::ofs_end)) {
        const offset_t record = bone_record_at(bone_count + t);
        SCOPED_TRACE(bone_record_name(bones, record));
        EXPECT_EQ(get_text(mdm, tag, 64), bone_record_name(bones, record));
        const std::int32_t bone = get_i32(mdm, tag + mdm_tag::attach_bone);
        EXPECT_EQ(bone, m.model.bone_i32(bone_count + t, bone_record::parent));
        // The bone list is the attach bone's chain, root first, the bone last.
        const std::int32_t refs = get_i32(mdm, tag + mdm_tag::num_bone_refs);
        ASSERT_EQ(refs, m.model.bone_i32(bone, bone_record::num_bone_tree) + 1);
        EXPECT_EQ(get_i32(mdm, tag + mdm_tag::size), 0);
        EXPECT_EQ(get_i32(mdm, tag + mdm_tag::size + 4 * (refs - 1)), bone);

        const offset_t axis = tag + mdm_tag::axis;
        const placed_tag placed =
            place_tag(posed[static_cast<std::size_t>(bone)], get_dvec3(mdm, tag + mdm_tag::offset),
                      {get_dvec3(mdm, axis), get_dvec3(mdm, axis + 12), get_dvec3(mdm, axis + 24)});
        const dvec3 drawn = get_dvec3(bones, record + bone_record::origin_position);
        const dvec3 rows[3] = {get_dvec3(bones, record + bone_record::rmw1),
                               get_dvec3(bones, record + bone_record::rmw2),
                               get_dvec3(bones, record + bone_record::rmw3)};
        const dvec3* axes[3] = {&placed.axes.forward, &placed.axes.left, &placed.axes.up};
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_NEAR(placed.origin[k], 0.1 * drawn[k], 0.02);
            for (std::size_t i = 0; i < 3; ++i)
                EXPECT_NEAR((*axes[i])[k], rows[i][k], 1e-3);
        }
    }

    // A tag whose bone does not hold its origin at its forward vertex is refused.
    work_buffer broken = make_work_buffer(1 << 20), target = make_work_buffer(1 << 20);
    copy_bytes(broken.region, 0, bones, 0, get_i32(bones, boneobj_header::ofs_end));
    put_i32(broken.region, bone_record_at(bone_count + 1) + bone_record::parent, 0);
    copy_bytes(target.region, 0, mdm, 0, get_i32(mdm, mdm_header::ofs_tags));
    std::int32_t size = 0;
    const std::string out =
        capture_stdout([&] { size = build_mdm_skeleton_tags(broken.region, target.region); });
    EXPECT_EQ(size, -1);
    EXPECT_NE(out.find("Tag[1] Name[tag_weapon] Origin["), std::string::npos) << out;
    EXPECT_NE(out.find("weld the tag's origin to the forward vertex"), std::string::npos);
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

// The rigid binding folds the elbow's skin; two to four bones a vertex keep
// every triangle the right way out and at a fair share of its area.
TEST(BlendedSkin, AnElbowBentNinetyDegreesKeepsItsSkin) {
    const std::string arm = arm_model();
    EXPECT_LT(worst_triangle_at_bend(skinned_model(arm, 0)), 0.0);
    for (int blend = 2; blend <= max_blend_weights; ++blend)
        EXPECT_GT(worst_triangle_at_bend(skinned_model(arm, blend)), 0.2)
            << "BLENDWEIGHTS " << blend;
}
