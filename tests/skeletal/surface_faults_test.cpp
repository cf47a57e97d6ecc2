// The fault finder of skinned surfaces: it must flag exactly the collapse-map
// entries some drawn level follows into a stale or foreign vertex, a minimum
// LoD outside the surface, and weights on bones the surface never poses; and
// read an MDS's packed surfaces as it reads an MDM's.
#include <gtest/gtest.h>

#include "skeletal/surface_faults.hpp"
#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// A strip of `n` vertices, each weighted to bone 0 and listing bone 0, whose
// collapse map sends every vertex to the one before it.
surface_desc strip(int n) {
    surface_desc s;
    for (int v = 0; v < n; ++v) {
        s.vertices.push_back({{0, 0, 1}, {0, 0}, {{0, 1.0f, {float(v), 0, 0}}}});
        s.collapse_map.push_back(v == 0 ? 0 : v - 1);
    }
    for (int v = 0; v + 2 < n; ++v)
        s.triangles.push_back({v, v + 1, v + 2});
    s.bone_refs = {0};
    return s;
}

std::vector<surface_faults> mdm_faults(const std::vector<surface_desc>& surfaces) {
    mdm_desc d;
    d.surfaces = surfaces;
    placed_file p = place_mdm(build_mdm(d));
    EXPECT_EQ(p.out, mdm_valid);
    return find_surface_faults(p.region(), mesh_format::mdm);
}

std::vector<surface_faults> mds_faults(const std::vector<surface_desc>& surfaces) {
    mds_desc d;
    d.bones = {{"root", -1}, {"arm", 0}, {"hand", 1}};
    d.frames.resize(1);
    d.surfaces = surfaces;
    placed_file p = place_mds(build_mds(d));
    EXPECT_EQ(p.out, mds_valid);
    return find_surface_faults(p.region(), mesh_format::mds);
}

} // namespace

TEST(SurfaceFaults, CollapseMapsAreJudgedFromTheMinimumLod) {
    surface_desc sound = strip(8);
    surface_desc identity = strip(8); // what a tool writes that never simplified
    for (int v = 0; v < 8; ++v)
        identity.collapse_map[static_cast<std::size_t>(v)] = v;
    surface_desc late = strip(8); // bad entries below the minimum LoD are never followed
    late.collapse_map[2] = 5;
    late.collapse_map[6] = 7;
    late.min_lod = 4;
    surface_desc outside = strip(8);
    outside.collapse_map[0] = 8;
    outside.collapse_map[3] = -1;
    const auto f = mdm_faults({sound, identity, late, outside});
    ASSERT_EQ(f.size(), 4u);
    EXPECT_FALSE(f[0].any());
    EXPECT_EQ(f[1].bad_map_entries, 7); // every j >= 1; map[0] = 0 is fine
    EXPECT_EQ(f[1].first_bad_vertex, 1);
    EXPECT_EQ(f[1].first_bad_target, 1);
    EXPECT_EQ(f[2].bad_map_entries, 1);
    EXPECT_EQ(f[2].first_bad_vertex, 6);
    EXPECT_EQ(f[2].first_bad_target, 7);
    EXPECT_EQ(f[3].bad_map_entries, 2);
    EXPECT_EQ(f[3].first_bad_vertex, 0);
    EXPECT_EQ(f[3].first_bad_target, 8);
    for (const surface_faults& one : f) {
        EXPECT_FALSE(one.min_lod_out_of_range);
        EXPECT_EQ(one.unreferenced_weights, 0);
    }
}

TEST(SurfaceFaults, MinimumLodOutsideTheSurfaceBoundsNothing) {
    surface_desc above = strip(5), below = strip(5), full = strip(5);
    above.min_lod = 6;
    above.collapse_map[1] = 3; // checked although the minimum LoD lies above it
    below.min_lod = -1;
    full.min_lod = 5; // every vertex always drawn: no entry is ever followed
    full.collapse_map[4] = 4;
    const auto f = mdm_faults({above, below, full});
    EXPECT_TRUE(f[0].min_lod_out_of_range);
    EXPECT_EQ(f[0].bad_map_entries, 1);
    EXPECT_TRUE(f[1].min_lod_out_of_range);
    EXPECT_EQ(f[1].bad_map_entries, 0);
    EXPECT_FALSE(f[2].any());
}

TEST(SurfaceFaults, WeightsOnBonesOutsideTheReferencesAreCounted) {
    surface_desc s = strip(4);
    s.vertices[1].weights.push_back({2, 0.0f, {}});
    s.vertices[3].weights[0].bone = 1;
    s.vertices[3].weights.push_back({2, 0.5f, {}});
    s.bone_refs = {2, 0};
    const auto f = mdm_faults({s});
    EXPECT_EQ(f[0].unreferenced_weights, 1);
    EXPECT_EQ(f[0].first_unreferenced_vertex, 3);
    EXPECT_EQ(f[0].first_unreferenced_bone, 1);
    EXPECT_EQ(f[0].bad_map_entries, 0);
}

// An MDS surface holds the same arrays packed behind longer vertices: the same
// surfaces give the same findings, at the same places.
TEST(SurfaceFaults, MdsSurfacesGiveTheFindingsOfTheirMdmCopies) {
    surface_desc a = strip(6), b = strip(7);
    a.collapse_map[4] = 5;
    a.vertices[2].weights.push_back({1, 0.25f, {}});
    b.min_lod = 3;
    b.collapse_map[1] = 6;
    b.collapse_map[5] = 5;
    b.bone_refs = {0, 1};
    b.vertices[6].weights[0].bone = 2;
    const auto mdm = mdm_faults({a, b});
    const auto mds = mds_faults({a, b});
    ASSERT_EQ(mdm.size(), 2u);
    ASSERT_EQ(mds.size(), 2u);
    for (std::size_t s = 0; s < 2; ++s) {
        EXPECT_EQ(mds[s].arrays.num_verts, mdm[s].arrays.num_verts);
        EXPECT_EQ(mds[s].arrays.map_entries, mdm[s].arrays.map_entries);
        EXPECT_EQ(mds[s].bad_map_entries, mdm[s].bad_map_entries);
        EXPECT_EQ(mds[s].first_bad_vertex, mdm[s].first_bad_vertex);
        EXPECT_EQ(mds[s].first_bad_target, mdm[s].first_bad_target);
        EXPECT_EQ(mds[s].unreferenced_weights, mdm[s].unreferenced_weights);
        EXPECT_EQ(mds[s].first_unreferenced_bone, mdm[s].first_unreferenced_bone);
    }
    EXPECT_EQ(mdm[0].bad_map_entries, 1);
    EXPECT_EQ(mdm[0].unreferenced_weights, 1);
    EXPECT_EQ(mdm[1].bad_map_entries, 1); // map[1] lies below the minimum LoD
    EXPECT_EQ(mdm[1].first_bad_vertex, 5);
    EXPECT_EQ(mdm[1].first_unreferenced_bone, 2);
}
