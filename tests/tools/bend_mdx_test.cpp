// The limb bend of tools/bend_mdx: the subtree turns as one rigid piece about its
// bone, in every frame, and nothing else moves.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "mdx_bend.hpp"
#include "skeletal/engine_pose.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "support/skeletal_builder.hpp"

namespace {

using namespace ossify;
using ossify_tools::bend_axis;

constexpr double pi = std::numbers::pi;

// Root 0 with an arm 1 > 2 > 3 and a leg 4; bones 5 and 6 name each other as
// parent (a damaged file the walk must survive). Two frames in unrelated poses.
ossify_test::mdx_desc arm_desc() {
    ossify_test::mdx_desc d;
    d.bones = {{"root", -1, 0, 0}, {"upper", 0, 0, 12}, {"fore", 1, 0, 10}, {"hand", 2, 0, 4},
               {"leg", 0, 0, 9},   {"loop_a", 6, 0, 3}, {"loop_b", 5, 0, 3}};
    for (int f = 0; f < 2; ++f) {
        ossify_test::frame_desc frame;
        frame.header[10] = 5.0f * static_cast<float>(f); // the root's position
        for (int b = 0; b < 7; ++b) {
            const auto s = static_cast<std::int16_t>(1000 * (b + 1) * (f + 2) - 9000);
            frame.bones.push_back(
                {{s, static_cast<std::int16_t>(3 * s), static_cast<std::int16_t>(-2 * s), 0},
                 {static_cast<std::int16_t>(s / 2), static_cast<std::int16_t>(-s)}});
        }
        d.frames.push_back(frame);
    }
    return d;
}

std::vector<std::vector<posed_bone>> pose_all(const byte_region& mdx) {
    const mdx_info info = read_mdx_info(mdx);
    std::vector<skeleton_bone> bones;
    for (std::int32_t b = 0; b < info.num_bones; ++b) {
        const offset_t at = bone_info_at(info.ofs_bones, b);
        bones.push_back({get_i32(mdx, at + mds_bone_info::parent),
                         get_f32(mdx, at + mds_bone_info::parent_dist)});
    }
    std::vector<std::vector<posed_bone>> frames;
    for (std::int32_t f = 0; f < info.num_frames; ++f) {
        const offset_t frame = frame_at(info.ofs_frames, info.num_bones, f);
        std::vector<bone_angles> angles;
        for (std::int32_t b = 0; b < info.num_bones; ++b) {
            const offset_t at = frame + mds_frame::bone_frames + mds_bone_frame::size * b;
            const auto angle = [&](offset_t field, offset_t k) {
                return compressed_angle_radians(
                    get_i16(mdx, at + field + mds_bone_frame::angle_step * k));
            };
            const offset_t own = mds_bone_frame::angles, offset = mds_bone_frame::offset_angles;
            angles.push_back(
                {angle(own, 0), angle(own, 1), angle(own, 2), angle(offset, 0), angle(offset, 1)});
        }
        const vector3 root = get_vector3(mdx, frame + mds_frame::parent_offset);
        std::vector<posed_bone> posed(bones.size());
        pose_skeleton(bones, angles, {root.x, root.y, root.z}, posed);
        frames.push_back(posed);
    }
    return frames;
}

dvec3 minus(const dvec3& a, const dvec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

// A point fixed to bone b: where a vertex bound to it lands.
dvec3 point_on(const posed_bone& b, const dvec3& offset) {
    const dvec3 o = bone_to_model(b.rotation, offset);
    return {b.position[0] + o[0], b.position[1] + o[1], b.position[2] + o[2]};
}

void expect_near3(const dvec3& a, const dvec3& b, const char* what) {
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(a[k], b[k], 2e-3) << what << " " << k;
}

TEST(BendMdx, SubtreeTurnsRigidlyAboutItsBoneAndNothingElseMoves) {
    const dvec3 probe = {1.5, -2.0, 0.75};
    for (const bend_axis axis : {bend_axis::z, bend_axis::left}) {
        ossify_test::bytes file = ossify_test::build_mdx(arm_desc());
        const ossify_test::bytes original = file;
        byte_region mdx = ossify_test::region_of(file);
        const std::int32_t fore = ossify_tools::find_mdx_bone(mdx, "fore");
        ASSERT_EQ(fore, 2);
        const auto before = pose_all(mdx);
        ASSERT_EQ(ossify_tools::bend_mdx_subtree(mdx, fore, axis, pi / 2), 2);
        ASSERT_FALSE(mdx.fault);
        const auto after = pose_all(mdx);

        for (std::size_t f = 0; f < before.size(); ++f) {
            const std::vector<posed_bone>& was = before[f];
            const std::vector<posed_bone>& now = after[f];
            // The axis and the turn by a quarter: Q·v = k(k·v) + k × v for a unit k.
            const dvec3 k = axis == bend_axis::z ? dvec3{0, 0, 1} : axis_column(was[2].rotation, 1);
            const auto turn = [&](const dvec3& v) {
                const double along = dot3(k, v);
                return dvec3{k[0] * along + (k[1] * v[2] - k[2] * v[1]),
                             k[1] * along + (k[2] * v[0] - k[0] * v[2]),
                             k[2] * along + (k[0] * v[1] - k[1] * v[0])};
            };
            const dvec3 pivot = was[2].position;
            for (std::size_t b : {2u, 3u}) {
                const dvec3 want = turn(minus(point_on(was[b], probe), pivot));
                expect_near3(minus(point_on(now[b], probe), pivot), want, "a point on the limb");
            }
        }
        // Outside the subtree not a byte changes, frame headers included.
        ossify_test::bytes expected = original;
        const mdx_info info = read_mdx_info(mdx);
        for (std::int32_t f = 0; f < info.num_frames; ++f)
            for (offset_t b : {2, 3}) {
                const auto at =
                    static_cast<std::ptrdiff_t>(frame_at(info.ofs_frames, info.num_bones, f) +
                                                mds_frame::bone_frames + mds_bone_frame::size * b);
                std::copy_n(file.begin() + at, mds_bone_frame::size, expected.begin() + at);
            }
        EXPECT_EQ(file, expected);
    }
}

} // namespace
