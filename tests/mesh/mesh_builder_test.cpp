// The mesh record built from a parsed MQO: what object names build, triangles
// and normals, refusals.
#include <cmath>
#include <gtest/gtest.h>

#include "base/vector_fields.hpp"
#include "base/vector_math.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

const std::vector<std::string> triangle = {"0 0 0", "1 0 0", "0 1 0"};

std::string one_object(const std::vector<std::string>& materials, const std::string& name,
                       const std::vector<std::string>& vertices,
                       const std::vector<std::string>& faces) {
    return mqo_document(material_chunk(materials) + object_chunk(name, vertices, faces));
}

} // namespace

TEST(MeshBuilder, ObjectNamesDecideWhatIsBuilt) {
    const auto model = [](const std::vector<std::string>& names) {
        std::string chunks = material_chunk({material_line("skin")});
        for (const std::string& name : names)
            chunks += object_chunk(name, triangle, {"3 V(0 1 2) M(0)"});
        return mqo_document(chunks);
    };
    mqo_model b(model({"bones", "bone:arm", "sdef:body", "anchor1|sdef:body", "bon"}));
    b.build_mesh();
    const byte_region& m = b.mesh.region;
    EXPECT_EQ(get_i32(m, mesh_header::num_sdef), 1);
    EXPECT_EQ(get_text(m, 152 + mesh_sdef::name, 64), "r1|sdef:body");
    EXPECT_EQ(get_i32(m, 152 + mesh_sdef::object_index), 3);
    EXPECT_EQ(get_i32(m, mesh_header::num_mesh_obj), 2);
    EXPECT_EQ(get_text(m, b.object(0), 64), "anchor1|sdef:body");
    EXPECT_EQ(get_text(m, b.object(1), 64), "bon");

    // An anchor without its separator drops all anchors; the records written
    // before it stay under the sections that follow.
    mqo_model dropped(model({"anchor1|a", "anchorXY"}));
    dropped.build_mesh();
    EXPECT_NE(dropped.out.find("search_sdefobj : Invalid Anchor Name in Object[1]\n"),
              std::string::npos);
    EXPECT_EQ(get_i32(dropped.mesh.region, mesh_header::num_sdef), 0);
    EXPECT_EQ(get_i32(dropped.mesh.region, mesh_header::ofs_tag), 152);
    EXPECT_EQ(get_i32(dropped.mesh.region, 152 + mesh_sdef::size + mesh_sdef::object_index), 1);
    EXPECT_EQ(get_i32(dropped.mesh.region, mesh_header::num_mesh_obj), 2);
}

// Quads are not exported; a vertex normal is the normalised sum of its faces'
// normals, whatever their areas; an unused vertex keeps the zero normal.
TEST(MeshBuilder, TrianglesAndVertexNormals) {
    mqo_model b(one_object({material_line("skin")}, "body",
                           {"0 0 0", "1 0 0", "0 1 0", "1 1 1", "5 5 5"},
                           {"3 V(0 1 2) M(0)", "3 V(2 1 3) M(0)", "4 V(0 1 3 2) M(0)"}));
    b.build_mesh();
    const byte_region& m = b.mesh.region;
    const offset_t o = b.object(0), t0 = o + get_i32(m, o + mesh_object::ofs_triangle);
    EXPECT_EQ(get_i32(m, o + mesh_object::num_triangle), 2);
    const vector3 n0 = get_vector3(m, t0 + mesh_triangle::normal);
    const vector3 n1 = get_vector3(m, t0 + mesh_triangle::size + mesh_triangle::normal);
    const vector3 sum = vec3_normalize(n0.x + n1.x, n0.y + n1.y, n0.z + n1.z);
    const vector3 shared = get_vector3(m, b.vertex(0, 1) + mesh_vertex::normal);
    EXPECT_TRUE(shared.x == sum.x && shared.y == sum.y && shared.z == sum.z);
    EXPECT_EQ(get_vector3(m, b.vertex(0, 4) + mesh_vertex::normal).z, 0.0f);
}

// Each refused model gives -1 and says why.
TEST(MeshBuilder, Refusals) {
    const std::vector<std::string>& v = triangle;
    const std::string skin = material_line("skin");
    // A second face of the object "body", whose first face is fine.
    const auto face = [&](const std::string& line) {
        return one_object({skin, material_line("tag:head")}, "body", v, {"3 V(0 1 2) M(0)", line});
    };
    const auto tag = [&](const std::vector<std::string>& faces) {
        return mqo_document(material_chunk({skin}) + object_chunk("tag:t", v, faces));
    };
    std::vector<std::string> many;
    for (int i = 0; i < 129; ++i)
        many.push_back(material_line("m" + std::to_string(i)));
    const std::string failed = "search_meshobj : Mesh_Object[0] Name[body] Failed to build Mesh "
                               "Object\nbuild_meshes_from_mqo : NumMeshObj[0]\n";
    const struct {
        std::string document;
        std::string message;
        std::size_t mesh_size = 1 << 22;
    } cases[] = {
        {face("3 V(0 1 2)"), "Invalid Material Index in Face[1] Refer[-1]\n" + failed},
        {face("3 V(0 1 2) M(1)"), "Invalid Material Index in Face[1] Refer[1]\n" + failed},
        {face("3 V(0 1 2) M(2)"), "Invalid Material Index in Face[1] Refer[2]\n" + failed},
        {face("3 V(0 1 x) M(0)"),
         "Invalid Vertex Index in Face[1] Refer[-1] (the object has 3 vertices)\n" + failed},
        {face("3 V(0 1 3) M(0)"),
         "Invalid Vertex Index in Face[1] Refer[3] (the object has 3 vertices)\n" + failed},
        {tag({}), "search_tagobj : Tag Object[0] Name[tag:t]"},
        {tag({"2 V(0 1)"}), "search_tagobj : Tag Object[0] Name[tag:t]"},
        {tag({"3 V(0 1 5)"}), "search_tagobj : Tag Object[0] Name[tag:t]"},
        {one_object(many, "body", v, {"3 V(0 1 2) M(0)"}),
         "build_meshobj : Too many materials[129] in the model (at most 128)\n"},
        {one_object({skin}, "body", v, {"3 V(0 1 2) M(0)"}),
         "build_meshobj : Object[body] does not fit the mesh buffer of 4000 bytes\n", 4000},
        {one_object({skin}, "body", {"0 0 0", "3e30 0 0", "0 3e30 0"}, {"3 V(0 1 2) M(0)"}),
         "build_meshobj : Face[0] has no finite normal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        mqo_model b(c.document);
        EXPECT_EQ(b.build_mesh(c.mesh_size), -1);
        EXPECT_NE(b.out.find(c.message), std::string::npos) << b.out;
    }
}
