// WHOLEMODEL=1 on small hand-made models, read and built in memory. Each mesh
// object is checked against the source polygons by its properties: the number
// of triangles (corners - 2 per polygon, mirrored copies included), the total
// area, and every triangle winding the way of its source face's Newell normal
// (reflected for a mirrored copy).
#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

#include "base/vector_fields.hpp"
#include "mqo/mirror_copies.hpp"
#include "mqo/mqo_walk.hpp"
#include "mqo/polygon_triangulation.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

const mqo_options whole{true};

using polygon = std::vector<vector3>;

double length(const vector3& v) {
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

// The polygons of `corners` index lists over `vertices`.
std::vector<polygon> faces_of(const polygon& vertices,
                              const std::vector<std::vector<int>>& corners) {
    std::vector<polygon> faces;
    for (const auto& list : corners) {
        faces.emplace_back();
        for (int v : list)
            faces.back().push_back(vertices[static_cast<std::size_t>(v)]);
    }
    return faces;
}

// Mesh object `n` of `m` holds the faces, then each mirrored copy (`copies`,
// axis sets) of them, as triangles in that order.
void expect_whole(const mqo_model& m, int n, const std::vector<polygon>& faces,
                  std::vector<int> copies = {}) {
    const byte_region& mesh = m.mesh.region;
    const offset_t object = m.object(n);
    std::size_t expected = 0;
    double area = 0;
    for (const polygon& f : faces) {
        expected += f.size() - 2;
        area += length(newell_normal(f)) / 2;
    }
    copies.insert(copies.begin(), 0);
    ASSERT_EQ(static_cast<std::size_t>(get_i32(mesh, object + mesh_object::num_triangle)),
              expected * copies.size());
    offset_t tri = object + get_i32(mesh, object + mesh_object::ofs_triangle);
    const auto corner = [&](int k) {
        return get_vector3(mesh, m.vertex(n, get_i32(mesh, tri + mesh_triangle::vertex + 4 * k)) +
                                     mesh_vertex::position);
    };
    double total = 0;
    for (const int axes : copies)
        for (const polygon& f : faces) {
            vector3 normal = newell_normal(f);
            normal = {(axes & 1) ? -normal.x : normal.x, (axes & 2) ? -normal.y : normal.y,
                      (axes & 4) ? -normal.z : normal.z};
            for (std::size_t k = 0; k + 2 < f.size(); ++k, tri += mesh_triangle::size) {
                const vector3 tn = newell_normal({corner(0), corner(1), corner(2)});
                EXPECT_GT(double(tn.x) * normal.x + double(tn.y) * normal.y +
                              double(tn.z) * normal.z,
                          0.0)
                    << "triangle " << k << " of a face of copy " << axes;
                total += length(tn) / 2;
            }
        }
    EXPECT_NEAR(total, area * double(copies.size()), 1e-5 * total);
}

std::string vertex_line(const vector3& p) {
    return std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z);
}

// An object chunk with the attribute lines `attributes` in place of "visible 15".
std::string object_with(const std::string& name, const std::string& attributes,
                        const std::vector<vector3>& vertices,
                        const std::vector<std::string>& faces) {
    std::vector<std::string> lines;
    for (const vector3& p : vertices)
        lines.push_back(vertex_line(p));
    std::string chunk = object_chunk(name, lines, faces);
    return chunk.replace(chunk.find("visible 15"), 10, attributes);
}

std::string face_line(const std::vector<int>& corners, const std::string& tail = " M(0)") {
    std::string line = std::to_string(corners.size()) + " V(";
    for (int v : corners)
        line += std::to_string(v) + " ";
    line.back() = ')';
    return line + tail;
}

std::vector<int> range(int n) {
    std::vector<int> r;
    for (int k = 0; k < n; ++k)
        r.push_back(k);
    return r;
}

const std::string skin = material_chunk({material_line("skin")});

} // namespace

// A concave hexagon and a 40-corner cap tilted out of every axis plane: the
// triangles cover them exactly, and every corner keeps its texture coordinates.
TEST(WholeModel, ConcaveAndManyCornerFaces) {
    // In the tilted plane z = x / 4 + y / 8.
    const polygon hexagon = {{0, 0, 0},      {4, 0, 1},    {4, 4, 1.5f},
                             {2, 1, 0.625f}, {0, 4, 0.5f}, {-1, 2, 0}};
    polygon cap;
    for (int k = 0; k < 40; ++k) {
        const double a = 2 * std::numbers::pi * k / 40;
        cap.push_back({float(10 * std::cos(a)), float(6 * std::sin(a)), float(8 * std::sin(a))});
    }
    std::string uv = " M(0) UV(";
    for (int k = 0; k < 6; ++k)
        uv += std::to_string(k) + " " + std::to_string(10 + k) + " ";
    uv.back() = ')';
    mqo_model m(mqo_document(skin +
                             object_with("hex", "visible 15", hexagon, {face_line(range(6), uv)}) +
                             object_with("cap", "visible 15", cap, {face_line(range(40))})),
                whole);
    ASSERT_GT(m.build_mesh(), 0);
    expect_whole(m, 0, faces_of(hexagon, {range(6)}));
    expect_whole(m, 1, faces_of(cap, {range(40)}));
    const offset_t first =
        m.object(0) + get_i32(m.mesh.region, m.object(0) + mesh_object::ofs_triangle);
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 3; ++k) {
            const offset_t tri = first + mesh_triangle::size * t;
            const std::int32_t v = get_i32(m.mesh.region, tri + mesh_triangle::vertex + 4 * k);
            EXPECT_EQ(get_f32(m.mesh.region, tri + mesh_triangle::uv + 8 * k), float(v));
            EXPECT_EQ(get_f32(m.mesh.region, tri + mesh_triangle::uv + 8 * k + 4), float(10 + v));
        }
}

// A half body of quads with seam vertices on x = 0: "mirror 2" shares them, so
// the copy adds only the vertices off the plane; "mirror 1" with axes y and z
// makes three copies of every vertex, the odd ones with their winding reversed.
TEST(WholeModel, MirroredHalves) {
    const polygon half = {{0, 0, 0}, {2, 0, 1}, {2, 3, 1}, {0, 3, 0},
                          {0, 0, 2}, {2, 0, 3}, {2, 3, 3}, {0, 3, 2}};
    const std::vector<std::vector<int>> quads = {
        {0, 1, 2, 3}, {1, 5, 6, 2}, {4, 7, 6, 5}, {3, 2, 6, 7}};
    std::vector<std::string> lines;
    for (const auto& q : quads)
        lines.push_back(face_line(q));
    const std::string seam =
        object_with("body", "visible 15\n\tmirror 2\n\tmirror_axis 1", half, lines);
    mqo_model connected(mqo_document(skin + seam), whole);
    ASSERT_GT(connected.build_mesh(), 0);
    expect_whole(connected, 0, faces_of(half, quads), {1});
    EXPECT_EQ(get_i32(connected.mesh.region, connected.object(0) + mesh_object::num_vertex), 8 + 4);

    const polygon offset = [&] {
        polygon moved;
        for (const vector3& p : half)
            moved.push_back({p.x, p.y + 1, p.z + 1});
        return moved;
    }();
    mqo_model separated(
        mqo_document(skin +
                     object_with("body", "visible 15\n\tmirror 1\n\tmirror_axis 6", offset, lines)),
        whole);
    ASSERT_GT(separated.build_mesh(), 0);
    expect_whole(separated, 0, faces_of(offset, quads), {2, 4, 6});
    EXPECT_EQ(get_i32(separated.mesh.region, separated.object(0) + mesh_object::num_vertex), 32);
}

// Hidden and empty mesh objects leave the record; hidden tag objects stay; a
// "sdef:" object is a mesh; faces without a material take the first material
// that is no marker, or a new "default" one.
TEST(WholeModel, ObjectsAndMaterialsTheModellerImplies) {
    const polygon quad = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::string objects =
        object_with("ghost", "visible 0", quad, {face_line({0, 1, 2, 3})}) +
        object_with("sdef:body", "visible 15", quad,
                    {face_line({0, 1, 2, 3}, ""), face_line({0, 2, 3}, " M(-1)")}) +
        "Object \"empty\" {\n\tvertex 0 {\n\t}\n\tface 0 {\n\t}\n}\n" +
        object_with("tag:t", "visible 0", quad, {face_line({0, 1, 2}, "")});
    for (const bool markers_only : {false, true}) {
        SCOPED_TRACE(markers_only);
        const std::string materials =
            markers_only ? material_chunk({material_line("bone:x")})
                         : material_chunk({material_line("bone:x"), material_line("skin")});
        mqo_model m(mqo_document(materials + objects), whole);
        EXPECT_EQ(mqo_num_object(m.mqo.region), 2);
        EXPECT_EQ(mqo_object_name(m.mqo.region, mqo_object_at(m.mqo.region, 0)), "sdef:body");
        ASSERT_GT(m.build_mesh(), 0);
        EXPECT_EQ(get_i32(m.mesh.region, mesh_header::num_mesh_obj), 1);
        EXPECT_EQ(get_i32(m.mesh.region, mesh_header::num_tag), 1);
        expect_whole(m, 0, faces_of(quad, {{0, 1, 2, 3}, {0, 2, 3}}));
        const std::int32_t materials_read = mqo_num_material(m.mqo.region);
        EXPECT_EQ(materials_read, 2);
        EXPECT_EQ(mqo_material_name(m.mqo.region, 1), markers_only ? "default" : "skin");
    }
}

// A binary vertex block is read in every mode; its bytes may hold line feeds
// and braces.
TEST(WholeModel, BinaryVertexBlocks) {
    const float awkward = std::bit_cast<float>(0x3F800A7Du); // bytes 7D 0A 80 3F
    const float corners[] = {0, 0, 0, awkward, 0, 0, 0, awkward, 0, awkward, awkward, 0};
    std::string bytes;
    for (const float c : corners) {
        const auto bits = std::bit_cast<std::uint32_t>(c);
        for (int k = 0; k < 4; ++k)
            bytes += static_cast<char>((bits >> (8 * k)) & 0xFF);
    }
    const std::string object = "Object \"b\" {\r\n\tBVertex 4 {\r\n\t\tVector 4 [48]\r\n" + bytes +
                               "\r\n\t}\r\n\tface 1 {\r\n\t\t4 V(0 1 3 2) M(0)\r\n\t}\r\n}\r\n";
    for (const bool key : {false, true}) {
        mqo_model m(mqo_document(skin + object), mqo_options{key});
        const offset_t o = mqo_object_at(m.mqo.region, 0);
        ASSERT_EQ(mqo_num_vertex(m.mqo.region, o), 4);
        EXPECT_EQ(mqo_vertex(m.mqo.region, o, 3).y, awkward);
        ASSERT_GT(m.build_mesh(), 0);
        EXPECT_EQ(get_i32(m.mesh.region, m.object(0) + mesh_object::num_triangle), key ? 2 : 0);
    }
}

// Mode 9: a model of quads only binds every vertex of its triangles to a bone.
TEST(WholeModel, QuadObjectInASkinnedModel) {
    const std::string materials = material_chunk(
        {material_line("skin"), material_line("bone:root"), material_line("bone:arm")});
    const std::string bone = object_chunk("bone", {"0 0 0", "0 10 0", "0 0 1", "0 20 0", "0 10 1"},
                                          {"3 V(0 1 2) M(1)", "3 V(1 3 4) M(2)"});
    const polygon body = {{-1, 0, 0}, {1, 0, 0}, {1, 20, 0}, {-1, 20, 0}, {-1, 10, 0}, {1, 10, 0}};
    mqo_model m(mqo_document(materials + bone +
                             object_with("body", "visible 15", body,
                                         {face_line({0, 1, 5, 4}), face_line({4, 5, 2, 3})})),
                whole);
    ASSERT_GT(m.build_bones(0), 0) << m.out;
    ASSERT_GT(m.build_mesh(), 0) << m.out;
    expect_whole(m, 0, faces_of(body, {{0, 1, 5, 4}, {4, 5, 2, 3}}));
    for (int v = 0; v < 6; ++v)
        EXPECT_EQ(get_i32(m.mesh.region, m.vertex(0, v) + mesh_vertex::num_weights), 1);
}
