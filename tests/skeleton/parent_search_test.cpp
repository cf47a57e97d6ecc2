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

TEST(WhoIsYourParent, BrokenChainsAndLoopsEndTheSearch) {
    bones b;
    b.set(0, 0, 1);
    b.make_root(0);
    b.set(1, 5, 6); // 2 hangs from 1, which hangs from nothing
    b.set(2, 6, 7);
    b.set(3, 14, 15); // 3 and 4 point at each other's origins
    b.set(4, 15, 14);
    b.set(5, 17, 18, 18); // its forward vertex is its own alternate origin
    const struct {
        std::int32_t num_bones, k;
        std::string message;
    } cases[] = {
        {6, 2, "who_is_your_parent : BONE[1] No parents found.\n"},
        {6, 1, "who_is_your_parent : BONE[1] No parents found.\n"},
        {0, 1, "who_is_your_parent : BONE[1] No parents found.\n"},
        {6, 3, "who_is_your_parent : BONE[4] Parent chain returns to BONE[3].\n"},
        {6, 5, "who_is_your_parent : BONE[5] Parent chain returns to BONE[5].\n"},
    };
    for (const auto& c : cases) {
        const search s = run(b, c.num_bones, c.k);
        EXPECT_EQ(s.result, 0) << c.message;
        EXPECT_EQ(s.out, c.message);
    }
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
