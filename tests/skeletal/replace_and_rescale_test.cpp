// Tag replacement between MDMs and bone replacement between MDXs.
#include <cstring>
#include <gtest/gtest.h>

#include "skeletal/skeletal_layout.hpp"
#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

tag_desc tag(const std::string& name, std::vector<std::int32_t> refs) {
    return {name, {1, 0, 0, 0, 1, 0, 0, 0, 1}, 0, {1, 2, 3}, std::move(refs)};
}

struct replaced {
    placed_file target;
    int result = 0;
    std::string out;
};

replaced replace_tags(const mdm_desc& target, const mdm_desc& reference, placed_file& ref) {
    replaced r;
    r.target = place_mdm(build_mdm(target));
    ref = place_mdm(build_mdm(reference));
    r.out = capture_stdout([&] { r.result = replace_mdm_tags(ref.region(), r.target.region()); });
    return r;
}

} // namespace

TEST(ReplaceMdmTags, TakesTheWholeTagBlock) {
    mdm_desc target = reference_mdm_desc();
    target.tags = {tag("a", {0}), tag("b", {0, 1})};
    mdm_desc reference;
    reference.tags = {tag("r0", {0}), tag("r1", {0, 1}), tag("r2", {}), tag("r3", {4, 5, 6}),
                      tag("r4", {7})};
    placed_file ref;
    replaced r = replace_tags(target, reference, ref);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.out, "\nMDM tag total replacement...Done.\n");
    byte_region& t = r.target.region();
    const std::int32_t tags_at = get_i32(t, mdm_header::ofs_tags);
    const std::int32_t block = get_i32(ref.region(), mdm_header::ofs_end) - 100;
    EXPECT_EQ(tags_at, 328); // unchanged
    EXPECT_EQ(get_i32(t, mdm_header::num_tags), 5);
    EXPECT_EQ(get_i32(t, mdm_header::ofs_end), tags_at + block);
    EXPECT_EQ(
        std::memcmp(t.data + tags_at, ref.region().data + 100, static_cast<std::size_t>(block)), 0);
}

TEST(ReplaceMdmTags, TaglessTargetsAndReferences) {
    mdm_desc bare = reference_mdm_desc();
    bare.tags.clear(); // as built from a mesh: tags offset equal to end offset
    placed_file ref;
    replaced gained = replace_tags(bare, reference_mdm_desc(), ref);
    EXPECT_EQ(get_i32(gained.target.region(), mdm_header::num_tags), 3);
    EXPECT_EQ(get_i32(gained.target.region(), mdm_header::ofs_end), 752);
    replaced emptied = replace_tags(reference_mdm_desc(), bare, ref);
    EXPECT_EQ(get_i32(emptied.target.region(), mdm_header::num_tags), 0);
    EXPECT_EQ(get_i32(emptied.target.region(), mdm_header::ofs_end), 328);
}

TEST(ReplaceMdmTags, ResultBeyondTheBufferIsRefused) {
    placed_file ref = place_mdm(build_mdm(reference_mdm_desc()));
    bytes target = build_mdm(reference_mdm_desc());
    patch_i32(target, mdm_header::ofs_tags, 999'700); // 436 bytes of tags do not fit
    work_buffer buffer = make_work_buffer(mdm_buffer_size);
    std::memcpy(buffer.region.data, target.data(), target.size());
    int result = 0;
    const std::string out =
        capture_stdout([&] { result = replace_mdm_tags(ref.region(), buffer.region); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(out, "\nMDM tag total replacement...ERROR:The replaced tags would not fit the MDM "
                   "buffer.\n");
    EXPECT_EQ(get_i32(buffer.region, mdm_header::num_tags), 3); // untouched
}

namespace {

mdx_desc skeleton(std::vector<bone_desc> bones) {
    mdx_desc x;
    x.bones = std::move(bones);
    x.frames.resize(1);
    return x;
}

struct bones_replaced {
    placed_file target;
    int result = 0;
    std::string out;
    float dist(int b) {
        return get_f32(target.region(), get_i32(target.region(), mdx_header::ofs_bones) + 80 * b +
                                            mds_bone_info::parent_dist);
    }
    float torso(int b) {
        return get_f32(target.region(), get_i32(target.region(), mdx_header::ofs_bones) + 80 * b +
                                            mds_bone_info::torso_weight);
    }
};

bones_replaced replace_bones(const mdx_desc& target, const mdx_desc& reference) {
    bones_replaced r;
    r.target = place_mdx(build_mdx(target));
    placed_file ref = place_mdx(build_mdx(reference));
    r.out = capture_stdout([&] { r.result = replace_mdx_bones(r.target.region(), ref.region()); });
    return r;
}

} // namespace

TEST(ReplaceMdxBones, MatchesByNameInAnyOrder) {
    mdx_desc target = skeleton({{"a", -1, 0, 1, 0}, {"b", 0, 0, 2, 0}, {"c", 1, 0, 3, 0}});
    mdx_desc reference =
        skeleton({{"c", -1, 0.5f, 30, 0}, {"a", -1, 0.25f, 10, 0}, {"b", -1, 0.75f, 20, 0}});
    bones_replaced r = replace_bones(target, reference);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.out, "c\na\nb\n");
    EXPECT_EQ(r.dist(0), 10.0f);
    EXPECT_EQ(r.torso(0), 0.25f);
    EXPECT_EQ(r.dist(2), 30.0f);
    // Parents stay the target's.
    EXPECT_EQ(get_i32(r.target.region(), get_i32(r.target.region(), mdx_header::ofs_bones) +
                                             80 * 2 + mds_bone_info::parent),
              1);
}

TEST(ReplaceMdxBones, DuplicateReferenceNamesHitTheFirstTarget) {
    mdx_desc target = skeleton({{"a", -1, 0, 1, 0}, {"a", 0, 0, 2, 0}});
    mdx_desc reference = skeleton({{"a", -1, 0.1f, 10, 0}, {"a", -1, 0.2f, 20, 0}});
    bones_replaced r = replace_bones(target, reference);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.out, "a\na\n");
    EXPECT_EQ(r.dist(0), 20.0f);
    EXPECT_EQ(r.dist(1), 2.0f);
}

TEST(ReplaceMdxBones, Refusals) {
    mdx_desc target = skeleton({{"a", -1, 0, 1, 0}, {"b", 0, 0, 2, 0}});
    bones_replaced count = replace_bones(target, skeleton({{"a", -1, 0, 5, 0}}));
    EXPECT_EQ(count.result, -1);
    EXPECT_EQ(count.out, "ERROR: Number of bones not same.\n");
    EXPECT_EQ(count.dist(0), 1.0f);
    // Names compare exactly: "B" is not "b". The match already made stays.
    bones_replaced missing =
        replace_bones(target, skeleton({{"a", -1, 0, 5, 0}, {"B", -1, 0, 6, 0}}));
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.out, "a\nERROR: Insufficient number of replaced bones.\n");
    EXPECT_EQ(missing.dist(0), 5.0f);
    bones_replaced prefix =
        replace_bones(skeleton({{"ab", -1, 0, 1, 0}}), skeleton({{"a", -1, 0, 5, 0}}));
    EXPECT_EQ(prefix.result, -1);
}

TEST(ReplaceMdxBones, ManyBonesStayQuick) {
    // 40,000 bones in opposite orders: a search per bone would compare 1.6e9
    // names; matching goes through one table of the target's names.
    std::vector<bone_desc> forward, backward;
    for (int b = 0; b < 40000; ++b) {
        forward.push_back({"bone" + std::to_string(b), -1, 0, 1, 0});
        backward.push_back({"bone" + std::to_string(39999 - b), -1, 0, 7, 0});
    }
    mdx_desc target = skeleton(forward);
    bones_replaced r = replace_bones(target, skeleton(backward));
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.dist(0), 7.0f);
    EXPECT_EQ(r.dist(39999), 7.0f);
}
