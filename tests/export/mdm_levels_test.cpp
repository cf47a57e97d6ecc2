// Every MDM built from a mesh gets levels of detail the engine can draw: the
// bundled character replayed with the engine's rule at every level from its
// minimum to full detail, and what the written file holds.
#include <gtest/gtest.h>

#include "export/mesh_object_geometry.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "support/lod_properties.hpp"
#include "support/mqo_model.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;
using namespace ossify;

namespace {

mqo_model bundled_character() {
    mqo_model m(read_file(source_path("examples/character.mqo")));
    EXPECT_GT(m.build_bones(0), 0);
    EXPECT_GT(m.build_mesh(), 0);
    return m;
}

stored_surface stored_levels(const surface_geometry& s, const surface_levels& levels) {
    stored_surface out;
    for (std::int32_t v : levels.lod.order)
        out.positions.push_back(s.positions[static_cast<std::size_t>(v)]);
    out.triangles = levels.triangles;
    out.collapse = levels.lod.collapse;
    return out;
}

struct mdm_surface_view {
    std::int32_t vertices, min_lod;
    std::vector<std::int32_t> collapse;
    std::vector<index_triangle> triangles;
};

std::vector<mdm_surface_view> surfaces_of(const std::string& file) {
    std::vector<std::uint8_t> bytes(file.begin(), file.end());
    const byte_region mdm{bytes.data(), bytes.size()};
    std::vector<mdm_surface_view> out;
    offset_t at = get_i32(mdm, mdm_header::ofs_surfaces);
    for (std::int32_t i = 0; i < get_i32(mdm, mdm_header::num_surfaces); ++i) {
        mdm_surface_view s{get_i32(mdm, at + mdm_surface::num_verts),
                           get_i32(mdm, at + mdm_surface::min_lod),
                           {},
                           {}};
        const offset_t map = at + get_i32(mdm, at + mdm_surface::ofs_collapse_map);
        for (std::int32_t j = 0; j < s.vertices; ++j)
            s.collapse.push_back(get_i32(mdm, map + index_size * j));
        const offset_t tris = at + get_i32(mdm, at + mdm_surface::ofs_triangles);
        for (std::int32_t t = 0; t < get_i32(mdm, at + mdm_surface::num_triangles); ++t)
            s.triangles.push_back({get_i32(mdm, tris + triangle_size * t),
                                   get_i32(mdm, tris + triangle_size * t + 4),
                                   get_i32(mdm, tris + triangle_size * t + 8)});
        out.push_back(std::move(s));
        at += get_i32(mdm, at + mdm_surface::ofs_end);
    }
    EXPECT_FALSE(mdm.fault);
    return out;
}

run_result run_character(const scratch_dir& s, const std::string& extra = "") {
    for (const char* f : {"character.mqo", "character-tags.mdm"})
        s.write(f, read_file(source_path(std::string("examples/") + f)));
    s.write("character-mdm.cfg", read_file(source_path("examples/character-mdm.cfg")) + extra);
    return s.run({"-cfg", "character-mdm.cfg"});
}

} // namespace

TEST(MdmLevels, BundledCharacterIsSoundFromItsMinimumToFullDetail) {
    const mqo_model m = bundled_character();
    const double size = mesh_model_size(m.mesh.region);
    EXPECT_NEAR(size, 709.0, 1.0);
    // Half of each surface's vertices: the arms and legs stay within 10 % of the
    // model's height. The body is five boxes of eight corners, the smallest 28
    // units across and the rest 50 to 96: no choice of half its corners keeps
    // every dropped one within 70.9 units of where it is drawn.
    const double half_bound[3] = {0.14, 0.10, 0.10};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const surface_geometry s = mesh_object_geometry(m.mesh.region, m.object(i));
        const surface_levels levels = mesh_object_levels(m.mesh.region, m.object(i), size, 0);
        const auto count = static_cast<std::int32_t>(s.positions.size());
        EXPECT_LT(levels.min_lod, count); // drawn coarser at a distance
        EXPECT_GE(levels.min_lod, count / 2);
        const stored_surface stored = stored_levels(s, levels);
        expect_sound_levels(stored, levels.min_lod);
        EXPECT_LE(
            worst_displacement(stored.positions, stored.triangles, stored.collapse, levels.min_lod),
            0.05 * size);
        EXPECT_LE(worst_at_half(stored), half_bound[i] * size);
    }
}

TEST(MdmLevels, Mode9WritesTheLevelsAndLodMinSetsTheMinimum) {
    const mqo_model m = bundled_character();
    const double size = mesh_model_size(m.mesh.region);
    scratch_dir s;
    ASSERT_EQ(run_character(s).status, 1);
    const std::vector<mdm_surface_view> written = surfaces_of(s.read("character.mdm"));
    ASSERT_EQ(written.size(), 3u);
    for (std::size_t i = 0; i < written.size(); ++i) {
        const surface_levels levels =
            mesh_object_levels(m.mesh.region, m.object(static_cast<int>(i)), size, 0);
        EXPECT_EQ(written[i].min_lod, levels.min_lod);
        EXPECT_EQ(written[i].collapse, levels.lod.collapse);
        EXPECT_EQ(written[i].triangles, levels.triangles);
        // No level the engine can pick draws a stray triangle.
        for (std::int32_t r = written[i].min_lod; r <= written[i].vertices; ++r)
            for (const index_triangle& t :
                 replay_collapse_map(written[i].collapse, written[i].triangles, r))
                for (std::int32_t v : t)
                    ASSERT_TRUE(v >= 0 && v < r);
    }
    for (const auto& [percent, expected] :
         std::vector<std::pair<int, std::vector<int>>>{{100, {40, 64, 48}}, {60, {24, 39, 29}}}) {
        scratch_dir t;
        ASSERT_EQ(run_character(t, "LODMIN=" + std::to_string(percent) + "\n").status, 1);
        const std::vector<mdm_surface_view> lod = surfaces_of(t.read("character.mdm"));
        for (std::size_t i = 0; i < lod.size(); ++i) {
            EXPECT_EQ(lod[i].min_lod, expected[i]);
            EXPECT_EQ(lod[i].collapse, written[i].collapse); // the order does not change
        }
    }
    for (const char* bad : {"LODMIN=101\n", "LODMIN=-5\n"}) {
        scratch_dir t;
        const run_result r = run_character(t, bad);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("ERROR: Invalid LODMIN value.\n"), std::string::npos);
        EXPECT_NE(r.err.find("LODMIN takes"), std::string::npos);
    }
}
