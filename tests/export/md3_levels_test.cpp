// MD3 level-of-detail files: coarser copies of the mesh record, each with
// about half the vertices of the one before, and mode 8's NAME_k.md3 files.
#include <gtest/gtest.h>

#include "export/md3_layout.hpp"
#include "export/mesh_object_geometry.hpp"
#include "export/mesh_record_level.hpp"
#include "support/lod_properties.hpp"
#include "support/mqo_model.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;
using namespace ossify;

namespace {

run_result run_character_md3(const scratch_dir& s, const std::string& extra) {
    s.write("character.mqo", read_file(source_path("examples/character.mqo")));
    s.write("character-md3.cfg", read_file(source_path("examples/character-md3.cfg")) + extra);
    return s.run({"-cfg", "character-md3.cfg"});
}

offset_t object_at(const byte_region& mesh, int n) {
    offset_t at = get_i32(mesh, mesh_header::ofs_mesh_obj);
    for (int i = 0; i < n; ++i)
        at += get_i32(mesh, at + mesh_object::ofs_end);
    return at;
}

} // namespace

TEST(MeshRecordLevel, KeepsHalfTheVerticesAndDrawsWithoutCracks) {
    mqo_model m(read_file(source_path("examples/character.mqo")));
    ASSERT_GT(m.build_mesh(), 0);
    const std::int32_t objects = get_i32(m.mesh.region, mesh_header::num_mesh_obj);
    for (std::int32_t level = 1; level <= max_md3_lods; ++level) {
        SCOPED_TRACE(level);
        const work_buffer buffer = make_work_buffer(1 << 22);
        byte_region coarse = buffer.region;
        const std::int32_t size = mesh_record_level(m.mesh.region, coarse, level);
        ASSERT_GT(size, 0);
        EXPECT_EQ(get_i32(coarse, mesh_header::ofs_end), size);
        // Header (but its size), tags and shaders unchanged.
        const offset_t head = get_i32(m.mesh.region, mesh_header::ofs_mesh_obj);
        const offset_t end = mesh_header::ofs_end, rest = end + 4;
        EXPECT_EQ(get_chars(coarse, 0, end), get_chars(m.mesh.region, 0, end));
        EXPECT_EQ(get_chars(coarse, rest, head - rest),
                  get_chars(m.mesh.region, rest, head - rest));
        for (std::int32_t i = 0; i < objects; ++i) {
            const surface_geometry full = mesh_object_geometry(m.mesh.region, m.object(i));
            const surface_geometry part = mesh_object_geometry(coarse, object_at(coarse, i));
            const auto count = static_cast<std::int32_t>(full.positions.size());
            EXPECT_EQ(static_cast<std::int32_t>(part.positions.size()),
                      level_vertex_count(count, level));
            EXPECT_EQ(get_text(coarse, object_at(coarse, i) + mesh_object::name, 64),
                      get_text(m.mesh.region, m.object(i) + mesh_object::name, 64));
            // Every vertex kept is one of the object's own, and every triangle
            // has three distinct corners among them.
            for (const dvec3& p : part.positions)
                EXPECT_NE(std::find(full.positions.begin(), full.positions.end(), p),
                          full.positions.end());
            for (const index_triangle& t : part.triangles) {
                for (std::int32_t v : t)
                    ASSERT_TRUE(v >= 0 && v < static_cast<std::int32_t>(part.positions.size()));
                EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);
            }
            // The boxes of the character are closed at full detail and stay closed.
            stored_surface drawn{part.positions, part.triangles, {}};
            EXPECT_EQ(open_edges(drawn, part.triangles), 0);
            if (level == 1) {
                EXPECT_FALSE(part.triangles.empty());
            }
        }
    }
    EXPECT_EQ(level_vertex_count(40, 1), 20);
    EXPECT_EQ(level_vertex_count(41, 1), 21);
    EXPECT_EQ(level_vertex_count(40, 3), 5);
    EXPECT_EQ(level_vertex_count(10, 3), 4);
    EXPECT_EQ(level_vertex_count(3, 2), 3);
}

TEST(MqoModes, Mode8WritesTheLevelOfDetailFilesOnRequest) {
    scratch_dir s;
    const run_result r = run_character_md3(s, "MD3LODS=2\n");
    ASSERT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("MD3 level of detail 1 : character_1.md3\n"), std::string::npos);
    EXPECT_NE(r.out.find("MD3 level of detail 2 : character_2.md3\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(s.path("character_3.md3")));
    const std::string full = s.read("character.md3");
    for (const char* name : {"character_1.md3", "character_2.md3"}) {
        const std::string level = s.read(name);
        ASSERT_GT(level.size(), 108u) << name;
        std::vector<std::uint8_t> a(full.begin(), full.end()), b(level.begin(), level.end());
        const byte_region fa{a.data(), a.size()}, fb{b.data(), b.size()};
        // The same surfaces, frame and tags; fewer vertices.
        EXPECT_EQ(get_i32(fb, md3_header::num_surfaces), get_i32(fa, md3_header::num_surfaces));
        EXPECT_EQ(get_i32(fb, md3_header::num_tags), get_i32(fa, md3_header::num_tags));
        const offset_t surfaces = get_i32(fa, md3_header::ofs_surfaces);
        EXPECT_EQ(get_chars(fb, 0, md3_header::ofs_end), get_chars(fa, 0, md3_header::ofs_end));
        EXPECT_EQ(get_chars(fb, md3_header::size, surfaces - md3_header::size),
                  get_chars(fa, md3_header::size, surfaces - md3_header::size));
        EXPECT_LT(level.size(), full.size());
    }
    // Without the key nothing more is written; out of range is refused.
    scratch_dir plain;
    ASSERT_EQ(run_character_md3(plain, "").status, 1);
    EXPECT_FALSE(std::filesystem::exists(plain.path("character_1.md3")));
    for (const char* bad : {"MD3LODS=4\n", "MD3LODS=-1\n", "MD3LODS=1\nPREVIEWLOD=2\n"}) {
        scratch_dir t;
        const run_result refused = run_character_md3(t, bad);
        EXPECT_EQ(refused.status, 0) << bad;
        EXPECT_NE(refused.out.find("ERROR: Invalid MD3LODS value.\n"), std::string::npos);
    }
}
