// The parent search over hand-made bone records: first match, alternate
// origins, broken chains, loops and chains too long for the ancestor list.
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "driver/vector_fields.hpp"
#include "skeleton/parent_search.hpp"
#include "support/capture_stdout.hpp"

using namespace ossify;
using ossify_test::capture_stdout;

namespace {

struct bones {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(1'000'000);
    byte_region region{bytes.data(), bytes.size()};

    // Bone `index` from vertex `origin` (at (origin, 0, 0)) to vertex `forward`.
    void set(std::int32_t index, std::int32_t origin, std::int32_t forward,
             std::int32_t alternate = -1) {
        const offset_t r = bone_record_at(index);
        put_i32(region, r + bone_record::origin, origin);
        put_i32(region, r + bone_record::forward, forward);
        put_i32(region, r + bone_record::alternate_origin, alternate);
        put_vector3(region, r + bone_record::origin_position, {static_cast<float>(origin), 0, 0});
    }
    void make_root(std::int32_t index) {
        put_i32(region, bone_record_at(index) + bone_record::parent, -1);
    }
    std::int32_t parent(std::int32_t index) const {
        return get_i32(region, bone_record_at(index) + bone_record::parent);
    }
};

struct search {
    int result = -1;
    ancestor_list ancestors;
    std::string out;
};

search run(bones& b, std::int32_t num_bones, std::int32_t k) {
    search s;
    s.out = capture_stdout([&] {
        s.result = who_is_your_parent(b.region, num_bones, k, bone_record_at(k), s.ancestors);
    });
    return s;
}

} // namespace

TEST(WhoIsYourParent, LowestNumberedBoneWinsAndTheChainIsWalked) {
    bones b;
    b.set(0, 0, 1);
    b.make_root(0);
    b.set(1, 1, 2);
    b.set(2, 1, 2);
    b.set(3, 2, 6);
    const search s = run(b, 4, 3);
    EXPECT_EQ(s.result, 1);
    ASSERT_EQ(s.ancestors.count, 2);
    EXPECT_EQ(s.ancestors.bone[0], 1);
    EXPECT_EQ(s.ancestors.bone[1], 0);
    EXPECT_EQ(b.parent(3), 1);
    EXPECT_EQ(b.parent(1), 0);
    EXPECT_EQ(get_f32(b.region, bone_record_at(3) + bone_record::parent_distance), 1.0f);
    EXPECT_EQ(get_f32(b.region, bone_record_at(1) + bone_record::parent_distance), 1.0f);
}

TEST(WhoIsYourParent, BrokenChainNamesTheBoneWhereItBreaks) {
    bones b;
    b.set(0, 0, 1);
    b.make_root(0);
    b.set(1, 5, 6);
    b.set(2, 6, 7);
    EXPECT_EQ(run(b, 3, 2).out, "who_is_your_parent : BONE[1] No parents found.\n");
    const search s = run(b, 3, 1);
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.out, "who_is_your_parent : BONE[1] No parents found.\n");
    EXPECT_EQ(run(b, 0, 1).result, 0);
}

TEST(WhoIsYourParent, LoopsEndTheSearch) {
    bones b;
    b.set(0, 0, 1);
    b.make_root(0);
    b.set(1, 4, 5); // 1 and 2 point at each other's origins
    b.set(2, 5, 4);
    b.set(3, 7, 8, 8); // forward vertex is its own alternate origin
    const search pair = run(b, 4, 1);
    EXPECT_EQ(pair.result, 0);
    EXPECT_EQ(pair.out, "who_is_your_parent : BONE[2] Parent chain returns to BONE[1].\n");
    const search self = run(b, 4, 3);
    EXPECT_EQ(self.result, 0);
    EXPECT_EQ(self.out, "who_is_your_parent : BONE[3] Parent chain returns to BONE[3].\n");
}

TEST(WhoIsYourParent, AtMost128Ancestors) {
    bones b;
    for (std::int32_t i = 0; i < 130; ++i)
        b.set(i, i, i + 1);
    b.make_root(0);
    const search deepest_allowed = run(b, 130, 128);
    EXPECT_EQ(deepest_allowed.result, 1);
    EXPECT_EQ(deepest_allowed.ancestors.count, 128);
    EXPECT_EQ(deepest_allowed.ancestors.bone[127], 0);
    const search too_deep = run(b, 130, 129);
    EXPECT_EQ(too_deep.result, 0);
    EXPECT_EQ(too_deep.out, "who_is_your_parent : BONE[1] More than 128 ancestors.\n");
}
