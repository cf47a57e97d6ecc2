// The operations on loaded skeletal files, for what the end-to-end hashes of
// the sample do not show: tags in float32 at other poses, renumbered bones,
// tolerated and refused inputs, replacement and rescaling at their edges.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "skeletal_fixture.hpp"
#include "support/engine_skin.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// A buffer after an operation on it: what the operation returned and printed.
struct outcome {
    work_buffer file;
    std::int32_t result = 0;
    std::string out{};
    std::int32_t i(offset_t at) const { return get_i32(file.region, at); }
    float f(offset_t at) const { return get_f32(file.region, at); }
    float bone(int b, offset_t field) const {
        return f(i(mdx_header::ofs_bones) + mds_bone_info::size * b + field);
    }
    offset_t tag(int t) const {
        offset_t at = i(mdm_header::ofs_tags);
        for (int k = 0; k < t; ++k)
            at += i(at + mdm_tag::ofs_end);
        return at;
    }
};

outcome after(work_buffer file, const std::function<std::int32_t(byte_region&)>& operation) {
    outcome o{std::move(file)};
    o.out = capture_stdout([&] { o.result = operation(o.file.region); });
    return o;
}

outcome to_mdm(const mds_desc& desc, std::int32_t frame = 0, std::size_t size = mdm_buffer_size) {
    const placed_file mds = place_mds(build_mds(desc));
    return after(make_work_buffer(size),
                 [&](byte_region& r) { return convert_mds_to_mdm(mds.buffer.region, r, frame); });
}

outcome to_mdx(const mds_desc& desc) {
    const placed_file mds = place_mds(build_mds(desc));
    return after(make_work_buffer(mdx_buffer_size),
                 [&](byte_region& r) { return convert_mds_to_mdx(r, mds.buffer.region); });
}

// A root and one tag hanging from it, the root posed `root` and the tag `tag`.
mds_desc one_tag(bone_frame_desc root, float distance, bone_frame_desc tag = {}) {
    mds_desc s;
    s.bones = {{"root", -1, 0, 0, 0}, {"tag_x", 0, 0, distance, 1}};
    s.frames = {{{}, {root, tag}}};
    return s;
}

mdx_desc skeleton(std::vector<bone_desc> bones) {
    return {"skeleton", -1, std::move(bones), {{}}};
}

outcome replace_bones(const mdx_desc& target, const mdx_desc& reference) {
    const placed_file ref = place_mdx(build_mdx(reference));
    return after(std::move(place_mdx(build_mdx(target)).buffer),
                 [&](byte_region& r) { return replace_mdx_bones(r, ref.buffer.region); });
}

outcome replace_tags(const bytes& target, const mdm_desc& reference) {
    const placed_file ref = place_mdm(build_mdm(reference));
    return after(std::move(place_mdm(target).buffer),
                 [&](byte_region& r) { return replace_mdm_tags(ref.buffer.region, r); });
}

} // namespace

TEST(ConvertMdsToMdm, TagsInFloat32) {
    const outcome zero = to_mdm(one_tag({}, 7.5f));
    const offset_t t = zero.tag(0);
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(zero.f(t + mdm_tag::axis + 4 * k), identity[k]) << k;
    EXPECT_EQ(zero.f(t + mdm_tag::offset), 7.5f);
    EXPECT_EQ(zero.f(t + mdm_tag::offset + 4), 0.0f);
    EXPECT_EQ(zero.f(t + mdm_tag::offset + 8), 0.0f);
    EXPECT_EQ(zero.i(t + mdm_tag::num_bone_refs), 1); // a tag on the root lists the root alone
    EXPECT_EQ(zero.i(t + mdm_tag::size), 0);

    // A quarter turn is 16384 steps of 2 * 3.1415 / 65536: 1.57075 radians, not
    // pi/2. The attach bone turned so, the tag bone not: the tag's forward axis
    // in the attach bone's axes is the attach bone's forward row.
    const outcome turned = to_mdm(one_tag({{0, 16384, 0, 0}}, 1.0f));
    const offset_t axis = turned.tag(0) + mdm_tag::axis;
    EXPECT_EQ(turned.f(axis), static_cast<float>(std::cos(1.57075)));
    EXPECT_NEAR(turned.f(axis), 4.63268e-5f, 1e-9f);
    EXPECT_EQ(turned.f(axis + 4), 1.0f);
    EXPECT_EQ(turned.f(axis + 8), 0.0f);

    // The offset direction is the tag bone's own (offset angle 1 is its yaw);
    // the attach bone's offset angles play no part.
    const struct {
        bone_frame_desc root, tag;
        float x, y, z;
    } offsets[] = {
        {{}, {{}, {0, -16384}}, static_cast<float>(10 * std::cos(-1.57075)), -10.0f, 0.0f},
        {{{}, {0, -16384}}, {}, 10.0f, 0.0f, 0.0f},
        {{}, {{}, {-16384, 0}}, static_cast<float>(10 * std::cos(-1.57075)), 0.0f, 10.0f},
    };
    for (const auto& c : offsets) {
        const outcome o = to_mdm(one_tag(c.root, 10.0f, c.tag));
        const offset_t offset = o.tag(0) + mdm_tag::offset;
        EXPECT_EQ(o.f(offset), c.x);
        EXPECT_EQ(o.f(offset + 4), c.y);
        EXPECT_EQ(o.f(offset + 8), c.z);
    }
}

// Placed on its attach bone as the engine places a tag, every tag of the split
// lands on its tag bone's own pose: at its position, with its rows as axes.
TEST(ConvertMdsToMdm, TagsPlacedOnTheirAttachBoneLandOnTheirTagBone) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> angle(-32768, 32767);
    const auto pose = [&] {
        bone_frame_desc b;
        for (auto& a : b.angles)
            a = static_cast<std::int16_t>(angle(random));
        for (auto& a : b.offset_angles)
            a = static_cast<std::int16_t>(angle(random));
        return b;
    };
    mds_desc s;
    // Tags on the root, on a middle bone and on a leaf; one tag before a regular
    // bone, so that attach bone numbers are renumbered.
    s.bones = {{"root", -1, 0, 0, 0},   {"spine", 0, 0, 12, 0}, {"tag_a", 1, 0, 5, 1},
               {"arm", 1, 0, 9, 0},     {"hand", 3, 0, 6, 0},   {"tag_b", 4, 0, 4, 1},
               {"tag_c", 0, 0, 7.5f, 1}};
    const double size = 12 + 9 + 6 + 7.5;
    for (int trial = 0; trial < 20; ++trial) {
        s.frames.clear();
        for (int f = 0; f < 2; ++f) {
            frame_desc frame;
            frame.header[10] = static_cast<float>(angle(random)) / 1000; // parent offset
            for (std::size_t b = 0; b < s.bones.size(); ++b)
                frame.bones.push_back(pose());
            s.frames.push_back(frame);
        }
        const outcome o = to_mdm(s, 1);
        ASSERT_GT(o.result, 0);

        const std::vector<posed_bone> posed = engine_pose(s.bones, s.frames[1]);
        int t = 0;
        for (std::size_t b = 0; b < s.bones.size(); ++b) {
            if (s.bones[b].flags == 0) continue;
            const offset_t tag = o.tag(t++);
            const auto vec = [&](offset_t at) { return dvec3{o.f(at), o.f(at + 4), o.f(at + 8)}; };
            const bone_rotation axis{vec(tag + mdm_tag::axis), vec(tag + mdm_tag::axis + 12),
                                     vec(tag + mdm_tag::axis + 24)};
            const auto parent = static_cast<std::size_t>(s.bones[b].parent);
            const placed_tag placed = place_tag(posed[parent], vec(tag + mdm_tag::offset), axis);
            const posed_bone& own = posed[b];
            for (std::size_t k = 0; k < 3; ++k) {
                EXPECT_NEAR(placed.origin[k], own.position[k], 1e-4 * size) << s.bones[b].name;
                EXPECT_NEAR(placed.axes.forward[k], own.rotation.forward[k], 1e-4);
                EXPECT_NEAR(placed.axes.left[k], own.rotation.left[k], 1e-4);
                EXPECT_NEAR(placed.axes.up[k], own.rotation.up[k], 1e-4);
            }
        }
    }
}

TEST(ConvertMdsToMdm, OffsetMismatchIsReportedAndTolerated) {
    bytes file = build_mds(sample_mds_desc());
    const offset_t s = read_i32(file, mds_header::ofs_surfaces);
    patch_i32(file, s + mds_surface::ofs_end, read_i32(file, s + mds_surface::ofs_end) + 8);
    const placed_file mds = place_mds(file);
    ASSERT_EQ(mds.out, mds_valid);
    const outcome o = after(make_work_buffer(mdm_buffer_size), [&](byte_region& r) {
        return convert_mds_to_mdm(mds.buffer.region, r, 0);
    });
    EXPECT_NE(o.out.find("Report_MDM : Surface[0] Triangle[1:2] Index[0 2 3]\n"
                         "Oops, Offset does not match total size in #0 surface."
                         "(SIZE:448)(OFFSET:456)(ADDRESS:448)\n"
                         "Report_MDM : Surface[1] Vertex[0:3]"),
              std::string::npos);
    // The next surfaces are read and written where the packed contents end.
    EXPECT_EQ(o.result, 1204);
    EXPECT_EQ(o.i(100 + 448 + mdm_surface::ofs_header), -548);
}

TEST(ConvertMdsToMdm, Refusals) {
    for (std::int32_t frame : {2, -1}) {
        // Refused after the surfaces were converted and logged, before the header.
        const outcome o = to_mdm(sample_mds_desc(), frame);
        EXPECT_EQ(o.result, -1);
        EXPECT_TRUE(o.out.ends_with("Report_MDM : Surface[1] Triangle[0:1] Index[0 1 2]\nDone.\n"
                                    "Tags...ERROR: Invalid BASEFRAME value.\n"));
        EXPECT_EQ(o.i(mdm_header::ident), 0);
    }
    const outcome small = to_mdm(sample_mds_desc(), 0, 1000);
    EXPECT_EQ(small.result, -1);
    EXPECT_TRUE(small.out.ends_with("Tags...Done.\nERROR:The MDM of this MDS does not fit its "
                                    "buffer.\n"));
}

TEST(ConvertMdsToMdx, TorsoParentIsRenumbered) {
    for (std::int32_t torso : {4, -1, 7, -2}) {
        mds_desc s = sample_mds_desc();
        s.torso_parent = torso;
        const outcome o = to_mdx(s);
        if (torso == 4 || torso == -1) {
            EXPECT_EQ(o.i(mdx_header::torso_parent), torso == 4 ? 3 : -1);
            continue;
        }
        EXPECT_EQ(o.result, -1);
        EXPECT_TRUE(o.out.ends_with("Tag 2)\nERROR:The MDS torso parent " + std::to_string(torso) +
                                    " is not one of its bones.\n"));
    }
}

// The reference's whole tag block replaces the target's, whatever either holds;
// a tagless MDM (as built from a mesh) has its tags offset at its end.
TEST(ReplaceMdmTags, TakesTheWholeTagBlock) {
    mdm_desc target = reference_mdm_desc();
    target.tags = {{"a", {}, 0, {}, {0}}, {"b", {}, 1, {}, {0, 1}}};
    const outcome o = replace_tags(build_mdm(target), reference_mdm_desc());
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "\nMDM tag total replacement...Done.\n");
    EXPECT_EQ(o.i(mdm_header::ofs_tags), 328); // unchanged
    EXPECT_EQ(o.i(mdm_header::num_tags), 3);
    EXPECT_EQ(o.i(mdm_header::ofs_end), 752);
    const bytes reference = build_mdm(reference_mdm_desc());
    EXPECT_EQ(std::memcmp(o.file.region.data + 328, reference.data() + 328, 752 - 328), 0);
    target.tags.clear();
    EXPECT_EQ(replace_tags(build_mdm(target), reference_mdm_desc()).i(mdm_header::ofs_end), 752);
    const outcome emptied = replace_tags(reference, target);
    EXPECT_EQ(emptied.i(mdm_header::num_tags), 0);
    EXPECT_EQ(emptied.i(mdm_header::ofs_end), 328);

    // 436 bytes of tags do not fit after 999,700: refused, the target untouched.
    const outcome full =
        replace_tags(patched(reference, {{mdm_header::ofs_tags, 999'700}}), reference_mdm_desc());
    EXPECT_EQ(full.result, -1);
    EXPECT_EQ(full.out, "\nMDM tag total replacement...ERROR:The replaced tags would not fit the "
                        "MDM buffer.\n");
    EXPECT_EQ(full.i(mdm_header::num_tags), 3);
}

TEST(ReplaceMdxBones, ByExactNamesTheFirstTargetOfANameTakesIt) {
    const outcome twice = replace_bones(skeleton({{"a", -1, 0, 1, 0}, {"a", 0, 0, 2, 0}}),
                                        skeleton({{"a", -1, 0.1f, 10, 0}, {"a", -1, 0.2f, 20, 0}}));
    EXPECT_EQ(twice.result, 1);
    EXPECT_EQ(twice.out, "a\na\n");
    EXPECT_EQ(twice.bone(0, mds_bone_info::parent_dist), 20.0f);
    EXPECT_EQ(twice.bone(1, mds_bone_info::parent_dist), 2.0f);

    const mdx_desc target = skeleton({{"a", -1, 0, 1, 0}, {"b", 0, 0, 2, 0}});
    const outcome count = replace_bones(target, skeleton({{"a", -1, 0, 5, 0}}));
    EXPECT_EQ(count.result, -1);
    EXPECT_EQ(count.out, "ERROR: Number of bones not same.\n");
    EXPECT_EQ(count.bone(0, mds_bone_info::parent_dist), 1.0f);
    // Names compare exactly: "B" is not "b", "a" is not "ab". The match already made stays.
    const outcome missing =
        replace_bones(target, skeleton({{"a", -1, 0, 5, 0}, {"B", -1, 0, 6, 0}}));
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.out, "a\nERROR: Insufficient number of replaced bones.\n");
    EXPECT_EQ(missing.bone(0, mds_bone_info::parent_dist), 5.0f);
    EXPECT_EQ(replace_bones(skeleton({{"ab", -1, 0, 1, 0}}), skeleton({{"a", -1, 0, 5, 0}})).result,
              -1);
}

// Factors of zero and below keep the signs of zero a product gives; a factor
// inexact in float32 scales by f32(percent / 100.0).
TEST(Rescale, ZeroNegativeAndInexactFactors) {
    mdm_desc m = reference_mdm_desc();
    m.surfaces[0].vertices[0].weights[0].offset = {2, -4, 0};
    const auto mdm = [&](std::int32_t percent) {
        return after(std::move(place_mdm(build_mdm(m)).buffer),
                     [&](byte_region& r) { return rescale_mdm(r, percent); });
    };
    constexpr offset_t weight = 100 + 176 + 24 + skin_weight::offset; // the first one
    const outcome zero = mdm(0);
    EXPECT_FALSE(std::signbit(zero.f(weight)));
    EXPECT_TRUE(std::signbit(zero.f(weight + 4))); // -4 * 0 is -0
    const outcome mirrored = mdm(-100);
    EXPECT_EQ(mirrored.f(weight), -2.0f);
    EXPECT_EQ(mirrored.f(weight + 4), 4.0f);
    EXPECT_TRUE(std::signbit(mirrored.f(weight + 8)));
    EXPECT_EQ(mdm(33).f(weight), static_cast<float>(2.0 * static_cast<float>(0.33)));

    mdx_desc x = reference_mdx_desc();
    x.frames[0].header = {-1, -2, -3, 1, 2, 3, 0.5f, 0, -0.5f, 7, 1, 0, -1};
    const auto mdx = [&](std::int32_t percent) {
        return after(std::move(place_mdx(build_mdx(x)).buffer),
                     [&](byte_region& r) { return rescale_mdx(r, percent); });
    };
    const outcome zero_x = mdx(0);
    EXPECT_TRUE(std::signbit(zero_x.f(96)));
    EXPECT_FALSE(std::signbit(zero_x.f(96 + 12)));
    const outcome negative = mdx(-50);
    EXPECT_EQ(negative.f(96 + 12), -0.5f);
    EXPECT_EQ(negative.bone(0, mds_bone_info::parent_dist), -3.5f);
    EXPECT_EQ(negative.bone(0, mds_bone_info::torso_weight), 0.5f);                // not a length
    EXPECT_EQ(zero.result + mirrored.result + zero_x.result + negative.result, 4); // 1 each
}
