#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "driver/vector_fields.hpp"
#include "export/mdm_writer.hpp"
#include "mesh/mesh_record.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeleton/bone_object.hpp"
#include "support/capture_stdout.hpp"
#include "support/test_region.hpp"

using namespace ossify;
using ossify_test::capture_stdout;
using ossify_test::test_region;

namespace {

// Bones 0 <- 1 <- 2 and 0 <- 3: bone b's Tree lists its ancestors, root first.
void write_bones(byte_region& bones) {
    const std::vector<std::vector<std::int32_t>> trees = {{}, {0}, {0, 1}, {0}};
    put_i32(bones, boneobj_header::num_bone, 4);
    put_i32(bones, boneobj_header::ofs_bone, static_cast<std::int32_t>(boneobj_header::size));
    for (std::size_t b = 0; b < trees.size(); ++b) {
        const offset_t record = bone_record_at(static_cast<offset_t>(b));
        put_i32(bones, record + bone_record::num_bone_tree,
                static_cast<std::int32_t>(trees[b].size()));
        for (std::size_t a = 0; a < trees[b].size(); ++a)
            put_i32(bones, record + bone_record::tree + 4 * static_cast<offset_t>(a), trees[b][a]);
    }
}

// One mesh object of 3 vertices (bound to bones 2, 3, 2) and one triangle; its
// bone references list 3 and 2, unsorted.
void write_mesh(byte_region& mesh) {
    const offset_t object = mesh_header::size;
    const offset_t triangles = mesh_object::size;
    const offset_t vertices = triangles + mesh_triangle::size;
    put_i32(mesh, mesh_header::num_mesh_obj, 1);
    put_i32(mesh, mesh_header::ofs_mesh_obj, static_cast<std::int32_t>(object));
    put_text(mesh, object + mesh_object::name, 64, "body");
    put_i32(mesh, object + mesh_object::num_triangle, 1);
    put_i32(mesh, object + mesh_object::num_vertex, 3);
    put_i32(mesh, object + mesh_object::ofs_triangle, static_cast<std::int32_t>(triangles));
    put_i32(mesh, object + mesh_object::ofs_vertex, static_cast<std::int32_t>(vertices));
    put_i32(mesh, object + mesh_object::num_bone_ref, 2);
    put_i32(mesh, object + mesh_object::bone_ref, 3);
    put_i32(mesh, object + mesh_object::bone_ref + 4, 2);
    for (int k = 0; k < 3; ++k)
        put_i32(mesh, object + triangles + mesh_triangle::vertex + 4 * k, 2 - k);
    const std::int32_t bound[3] = {2, 3, 2};
    for (int v = 0; v < 3; ++v) {
        const offset_t at = object + vertices + mesh_vertex::size * v;
        put_vector3(mesh, at + mesh_vertex::normal, {0, 0, 1});
        put_i32(mesh, at + mesh_vertex::num_weights, 1);
        put_i32(mesh, at + mesh_vertex::weight_bone, bound[v]);
        const offset_t slot = at + mesh_vertex::bone_slots + mesh_bone_slot::size * bound[v];
        put_f32(mesh, slot + mesh_bone_slot::weight, 1.0f);
        put_vector3(mesh, slot + mesh_bone_slot::position, {10, -20, 5});
    }
    put_i32(mesh, object + mesh_object::ofs_end,
            static_cast<std::int32_t>(vertices + 3 * mesh_vertex::size));
}

} // namespace

TEST(MdmWriter, WritesSurfaceWithSortedBoneReferencesAndAncestors) {
    test_region mesh(1 << 16), mdm(1 << 16), bones(1 << 16);
    write_mesh(mesh.region);
    write_bones(bones.region);
    std::int32_t size = 0;
    const std::string out =
        capture_stdout([&] { size = build_mdm_from_mesh(mesh.region, mdm.region, bones.region); });
    const byte_region& r = mdm.region;
    const offset_t s = mdm_header::size;
    // 176 + 3 vertices of one weight + one triangle + collapse map + bones 0 1 2 3.
    const std::int32_t surface = 176 + 3 * 44 + 12 + 12 + 4 * 4;
    EXPECT_EQ(get_i32(r, s + mdm_surface::ofs_end), surface);
    EXPECT_EQ(size, 100 + surface);
    EXPECT_EQ(get_i32(r, mdm_header::ofs_tags), size);
    EXPECT_EQ(get_i32(r, mdm_header::ofs_end), size);
    EXPECT_EQ(get_i32(r, mdm_header::num_tags), 0);
    EXPECT_EQ(get_text(r, mdm_header::name, 64),
              "models/players/temperate/allied/soldier/body.mdm");
    EXPECT_EQ(get_i32(r, s + mdm_surface::ofs_header), -100);
    EXPECT_EQ(get_i32(r, s + mdm_surface::num_bone_refs), 4);
    const offset_t refs = s + get_i32(r, s + mdm_surface::ofs_bone_refs);
    for (int b = 0; b < 4; ++b)
        EXPECT_EQ(get_i32(r, refs + 4 * b), b);
    const offset_t collapse = s + get_i32(r, s + mdm_surface::ofs_collapse_map);
    EXPECT_EQ(get_i32(r, collapse + 8), 2);
    // Weight offsets are a tenth of the bone-local position.
    const offset_t weight = s + 176 + mdm_vertex::size;
    EXPECT_EQ(get_i32(r, weight + skin_weight::bone), 2);
    EXPECT_EQ(get_f32(r, weight + skin_weight::offset), 1.0f);
    EXPECT_EQ(get_f32(r, weight + skin_weight::offset + 4), -2.0f);
    EXPECT_EQ(get_f32(r, weight + skin_weight::offset + 8), 0.5f);
    EXPECT_NE(out.find("build_mdm_from_mesh : Surface[0] RefBones[0 1 2 3 ] NumRefBone[4]\n"),
              std::string::npos);
    EXPECT_NE(out.find("build_mdm_from_mesh : Surface[0] Name[body] ShaderName[]\n"),
              std::string::npos);
}

TEST(MdmWriter, MeshWithoutObjectsGivesAHeaderOnly) {
    test_region mesh(1 << 12), mdm(1 << 12), bones(1 << 12);
    std::int32_t size = 0;
    capture_stdout([&] { size = build_mdm_from_mesh(mesh.region, mdm.region, bones.region); });
    EXPECT_EQ(size, 100);
    EXPECT_EQ(get_i32(mdm.region, mdm_header::ofs_tags), 100);
}

TEST(MdmWriter, RefusesASurfaceBeyondTheBuffer) {
    test_region mesh(1 << 16), mdm(300), bones(1 << 16);
    write_mesh(mesh.region);
    write_bones(bones.region);
    std::int32_t size = 0;
    const std::string out =
        capture_stdout([&] { size = build_mdm_from_mesh(mesh.region, mdm.region, bones.region); });
    EXPECT_EQ(size, -1);
    EXPECT_NE(out.find("does not fit the MDM buffer of 300 bytes"), std::string::npos);
}
