// The line of sight of the binding to an existing skeleton, on small shapes
// where distance alone picks the wrong bone or a joint lies on the skin.
#include <gtest/gtest.h>
#include <vector>

#include "mesh/skeleton_binding.hpp"

using namespace ossify;

namespace {

// The six faces of a box from `lo` to `hi`, two triangles each.
void add_box(occluders& model, const dvec3& lo, const dvec3& hi) {
    const auto corner = [&](int i) {
        return dvec3{i & 1 ? hi[0] : lo[0], i & 2 ? hi[1] : lo[1], i & 4 ? hi[2] : lo[2]};
    };
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    for (const auto& f : faces) {
        model.add(corner(f[0]), corner(f[1]), corner(f[2]));
        model.add(corner(f[0]), corner(f[2]), corner(f[3]));
    }
}

} // namespace

// A box-modelled head whose joint lies on its bottom face: the top corners
// follow the head, not the neck or anything beside it.
TEST(SkeletonBinding, AJointOnTheSkinIsInSight) {
    const std::vector<bind_bone> bones = {{{0, 0, 0}, {}, -1, true, "neck"},
                                          {{0, 0, 10}, {}, 0, true, "head"},
                                          {{0, 0, 0}, {}, 0, true, "clavicle"},
                                          {{20, 0, 0}, {}, 2, true, "arm"}};
    occluders model;
    add_box(model, {-5, -5, 10}, {5, 5, 20});
    const std::vector<bind_segment> segments = bind_segments(bones);
    for (const dvec3& corner : {dvec3{-5, -5, 20}, dvec3{5, 5, 20}, dvec3{5, -5, 15}}) {
        const blend_result r = bind_point(corner, segments, bones.size(), &model, {1, true});
        ASSERT_EQ(r.count, 1);
        EXPECT_EQ(r.weights[0].bone, 1);
    }
}

// A hand hanging beside a thigh: the thigh's skin facing the hand is nearer
// to the hand's bone, but the hand's skin stands in between.
TEST(SkeletonBinding, SkinBetweenVertexAndBoneHidesTheBone) {
    const std::vector<bind_bone> bones = {{{0, 0, 100}, {}, -1, true, "hip"},
                                          {{0, 0, 0}, {}, 0, true, "knee"},
                                          {{12, 0, 60}, {}, -1, true, "wrist"},
                                          {{12, 0, 30}, {}, 2, true, "fingers"}};
    occluders model;
    add_box(model, {-10, -10, 0}, {10, 10, 100}); // the thigh, its bone along its axis
    add_box(model, {11, -5, 30}, {13, 5, 60});    // the hand, a thin slab beside it
    const std::vector<bind_segment> segments = bind_segments(bones);
    const dvec3 thigh_skin{10, 0, 45};
    EXPECT_EQ(bind_point(thigh_skin, segments, 4, nullptr, {1, false}).weights[0].bone, 2);
    const blend_result seen = bind_point(thigh_skin, segments, 4, &model, {2, true});
    for (int k = 0; k < seen.count; ++k)
        EXPECT_EQ(seen.weights[static_cast<std::size_t>(k)].bone, 0);
    // The hand's own outer skin still follows the hand.
    EXPECT_EQ(bind_point({13, 0, 45}, segments, 4, &model, {1, true}).weights[0].bone, 2);
}
