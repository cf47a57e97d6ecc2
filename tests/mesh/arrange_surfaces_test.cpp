// Whole models as surfaces within the engine's limits, by property: every
// surface within the limits, one material a surface, the same triangles at the
// same positions with the same texture coordinates as before, and every
// vertex's weights and bone-local positions unchanged.
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>

#include "base/vector_fields.hpp"
#include "mesh/arrange_surfaces.hpp"
#include "mesh/blend_weights.hpp"
#include "support/capture_stdout.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

using point = std::tuple<float, float, float>;
// A triangle as its material and its corners' positions and texture coordinates.
using corner = std::tuple<point, float, float>;
using triangle_key = std::tuple<std::string, corner, corner, corner>;

point point_at(const byte_region& mesh, offset_t at) {
    const vector3 p = get_vector3(mesh, at);
    return {p.x, p.y, p.z};
}

// The weights of a vertex: bone, weight and bone-local position of each.
using weight_list = std::vector<std::tuple<std::int32_t, float, point>>;

weight_list weights_of(const byte_region& mesh, offset_t vertex) {
    weight_list list;
    for (std::int32_t k = 0; k < get_i32(mesh, vertex + mesh_vertex::num_weights); ++k) {
        const std::int32_t b = get_i32(mesh, vertex + mesh_vertex::weight_bone + 4 * k);
        const offset_t slot = vertex + mesh_vertex::bone_slots + mesh_bone_slot::size * b;
        list.emplace_back(b, get_f32(mesh, slot + mesh_bone_slot::weight),
                          point_at(mesh, slot + mesh_bone_slot::position));
    }
    return list;
}

struct surface {
    std::string name, shader;
    std::int32_t vertices = 0, triangles = 0;
};

// What the record holds: its triangles (material named by `material_of`), the
// weights at every position, and its surfaces.
struct record_view {
    std::multiset<triangle_key> triangles;
    std::map<point, weight_list> weights;
    std::vector<surface> surfaces;
};

template <typename MaterialOf> record_view view_record(const mqo_model& m, MaterialOf material_of) {
    const byte_region& mesh = m.mesh.region;
    record_view view;
    for (int n = 0; n < get_i32(mesh, mesh_header::num_mesh_obj); ++n) {
        const offset_t o = m.object(n);
        surface s;
        s.name = get_text(mesh, o + mesh_object::name, 64);
        s.shader = get_text(mesh, o + get_i32(mesh, o + mesh_object::ofs_shader), 72);
        s.vertices = get_i32(mesh, o + mesh_object::num_vertex);
        s.triangles = get_i32(mesh, o + mesh_object::num_triangle);
        const offset_t first = o + get_i32(mesh, o + mesh_object::ofs_triangle);
        for (int t = 0; t < s.triangles; ++t) {
            const offset_t tri = first + mesh_triangle::size * t;
            std::array<corner, 3> c;
            for (int k = 0; k < 3; ++k) {
                const std::int32_t v = get_i32(mesh, tri + mesh_triangle::vertex + 4 * k);
                EXPECT_TRUE(v >= 0 && v < s.vertices) << s.name;
                c[static_cast<std::size_t>(k)] = {
                    point_at(mesh, m.vertex(n, v) + mesh_vertex::position),
                    get_f32(mesh, tri + mesh_triangle::uv + 8 * k),
                    get_f32(mesh, tri + mesh_triangle::uv + 8 * k + 4)};
            }
            view.triangles.insert(
                {material_of(o, get_i32(mesh, tri + mesh_triangle::shader)), c[0], c[1], c[2]});
        }
        std::set<std::int32_t> used, listed;
        std::int32_t running = 0;
        for (int v = 0; v < s.vertices; ++v) {
            const offset_t vertex = m.vertex(n, v);
            const weight_list w = weights_of(mesh, vertex);
            const auto [at, fresh] =
                view.weights.emplace(point_at(mesh, vertex + mesh_vertex::position), w);
            EXPECT_EQ(at->second, w) << s.name << " vertex " << v;
            EXPECT_EQ(get_i32(mesh, vertex + mesh_vertex::first_weight), running);
            running += static_cast<std::int32_t>(w.size());
            for (const auto& entry : w)
                used.insert(std::get<0>(entry));
        }
        for (int r = 0; r < get_i32(mesh, o + mesh_object::num_bone_ref); ++r)
            listed.insert(get_i32(mesh, o + mesh_object::bone_ref + 4 * r));
        EXPECT_EQ(listed, used) << s.name;
        view.surfaces.push_back(s);
    }
    return view;
}

// A sheet of 40 x 40 vertices, ten units apart, waved in z: its first eight
// columns of squares use the textured "cloth", the rest "skin". A lone
// triangle of "skin" in a second object, and a skeleton of two bones in line.
std::string sheet_model() {
    std::vector<std::string> vertices, faces;
    constexpr int side = 40;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            vertices.push_back(std::to_string(10 * x) + " " + std::to_string(10 * y) + " " +
                               std::to_string((x * 7 + y * 3) % 5));
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x) {
            const int a = y * side + x, b = a + 1, c = a + side, d = c + 1;
            const std::string m = x < 8 ? " M(1)" : " M(0)";
            const auto uv = [&](int v) {
                return std::to_string(0.025 * (v % side)) + " " +
                       std::to_string(0.025 * (v / side));
            };
            faces.push_back("3 V(" + std::to_string(a) + " " + std::to_string(b) + " " +
                            std::to_string(d) + ")" + m + " UV(" + uv(a) + " " + uv(b) + " " +
                            uv(d) + ")");
            faces.push_back("3 V(" + std::to_string(a) + " " + std::to_string(d) + " " +
                            std::to_string(c) + ")" + m + " UV(" + uv(a) + " " + uv(d) + " " +
                            uv(c) + ")");
        }
    const std::string bones =
        object_chunk("bone", {"0 200 0", "200 200 0", "0 201 1", "400 200 0", "200 201 1"},
                     {"3 V(0 1 2) M(2)", "3 V(1 3 4) M(3)"});
    return mqo_document(
        material_chunk({material_line("skin"),
                        material_line("cloth", "C:\\mod\\models\\hero\\cloth.tga"),
                        material_line("bone:upper"), material_line("bone:fore")}) +
        bones + object_chunk("sheet", vertices, faces) +
        object_chunk("lone", {"500 0 0", "510 0 0", "500 10 0"}, {"3 V(0 1 2) M(0)"}));
}

} // namespace

TEST(ArrangeSurfaces, SurfacesWithinTheLimitsKeepTrianglesAndWeights) {
    for (const surface_limits limits : {limits_for_vertices(1024), surface_limits{100, 150}}) {
        SCOPED_TRACE(limits.vertices);
        mqo_model m(sheet_model(), mqo_options{true});
        ASSERT_GT(m.build_bones(0), 0);
        ASSERT_GT(m.build_mesh(1 << 24), 0);
        capture_stdout([&] { ASSERT_EQ(blend_skin_weights(m.mesh.region, m.bones.region, 3), 1); });
        const offset_t shader_list = get_i32(m.mesh.region, mesh_header::ofs_shader);
        const record_view before = view_record(m, [&](offset_t, std::int32_t shader) {
            return get_text(m.mesh.region, shader_list + mesh_shader::size * shader, 72);
        });
        std::int32_t size = 0;
        capture_stdout([&] {
            size = arrange_surfaces(m.mesh.region, {"skin", "hero/cloth.tga"}, limits);
        });
        ASSERT_EQ(size, get_i32(m.mesh.region, mesh_header::ofs_end));
        const record_view after = view_record(m, [&](offset_t o, std::int32_t shader) {
            EXPECT_EQ(shader, 0);
            EXPECT_EQ(get_i32(m.mesh.region, o + mesh_object::num_shader), 1);
            return get_text(m.mesh.region, o + mesh_object::size, 72) == "skin" ? "skin" : "cloth";
        });
        EXPECT_EQ(after.triangles, before.triangles);
        EXPECT_EQ(after.weights, before.weights);
        int cloth = 0, skin = 0;
        for (const surface& s : after.surfaces) {
            SCOPED_TRACE(s.name);
            EXPECT_LE(s.vertices, limits.vertices);
            EXPECT_LE(s.triangles, limits.triangles);
            // No confetti: a part of a divided material holds a fair share of it.
            EXPECT_GE(s.triangles, s.name == "lone" ? 1 : limits.triangles / 8);
            if (s.name.starts_with("sheet_cloth")) {
                EXPECT_EQ(s.shader, "hero/cloth.tga");
                ++cloth;
            } else if (s.name.starts_with("sheet_skin")) {
                EXPECT_EQ(s.shader, "skin");
                ++skin;
            } else {
                EXPECT_EQ(s.name, "lone");
            }
        }
        // Material order, then the parts numbered from 1 when there are several.
        EXPECT_EQ(after.surfaces.front().name, skin > 1 ? "sheet_skin_1" : "sheet_skin");
        EXPECT_EQ(after.surfaces.back().name, "lone");
        EXPECT_EQ(after.surfaces.back().vertices, 3);
        if (limits.vertices == 1024) {
            EXPECT_EQ(cloth, 1); // 360 vertices: whole
            EXPECT_EQ(skin, 2);  // 1,280 vertices: two halves
        } else {
            EXPECT_GE(cloth, 4);
            EXPECT_GE(skin, 13);
        }
    }
}

// An object within the limits and of one material keeps every vertex (used or
// not) where it was; only its shader list shrinks to its material's shader.
TEST(ArrangeSurfaces, AnObjectWithinTheLimitsKeepsItsVertices) {
    mqo_model m(
        mqo_document(material_chunk({material_line("a"), material_line("b", "x/y.bmp")}) +
                     object_chunk("o", {"0 0 0", "1 0 0", "0 1 0", "5 5 5"}, {"3 V(0 1 2) M(1)"})),
        mqo_options{true});
    ASSERT_GT(m.build_mesh(), 0);
    const offset_t vertices = m.vertex(0, 0);
    std::vector<std::uint8_t> before(static_cast<std::size_t>(4 * mesh_vertex::size));
    byte_region copy{before.data(), before.size()};
    copy_bytes(copy, 0, m.mesh.region, vertices, 4 * mesh_vertex::size);
    capture_stdout([&] {
        arrange_surfaces(m.mesh.region, {"a", "y.bmp"}, limits_for_vertices(1024));
    });
    const offset_t o = m.object(0);
    EXPECT_EQ(get_text(m.mesh.region, o + mesh_object::name, 64), "o");
    EXPECT_EQ(get_i32(m.mesh.region, o + mesh_object::num_vertex), 4);
    EXPECT_EQ(get_text(m.mesh.region, o + mesh_object::size, 72), "y.bmp");
    for (offset_t i = 0; i < 4 * mesh_vertex::size; ++i)
        ASSERT_EQ(get_u8(m.mesh.region, m.vertex(0, 0) + i), before[static_cast<std::size_t>(i)]);
}

// Names: OBJECT_MATERIAL and the part numbers fit the 63 bytes of the field,
// without cutting a double-byte character in two.
TEST(ArrangeSurfaces, NamesFitTheField) {
    const std::string long_name(60, 'n');
    mqo_model m(
        mqo_document(material_chunk({material_line("k\x95\x5c"), material_line("b")}) +
                     object_chunk(long_name, {"0 0 0", "1 0 0", "0 1 0", "1 1 0"},
                                  {"3 V(0 1 2) M(0)", "3 V(1 3 2) M(1)", "3 V(0 3 1) M(1)"})),
        mqo_options{true});
    ASSERT_GT(m.build_mesh(), 0);
    std::string err;
    capture_stdout([&] {
        testing::internal::CaptureStderr();
        arrange_surfaces(m.mesh.region, {"s", "t"}, {3, 1});
        err = testing::internal::GetCapturedStderr();
    });
    ASSERT_EQ(get_i32(m.mesh.region, mesh_header::num_mesh_obj), 3);
    const auto name = [&](int n) {
        return get_text(m.mesh.region, m.object(n) + mesh_object::name, 64);
    };
    EXPECT_EQ(name(0), long_name + "_k"); // 64 bytes cut before the double-byte character
    EXPECT_EQ(name(1), long_name + "__1");
    EXPECT_EQ(name(2), long_name + "__2");
    // Standard error lists the division with its counts.
    EXPECT_NE(err.find("Object[" + long_name + "] (4 vertices, 3 triangles) becomes 3 surfaces"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find(long_name + "__2: 3 vertices, 1 triangles"), std::string::npos) << err;
}

// Shader names of the materials: the texture path made a shader name, or the
// material's name, with the prefix; markers take no shader.
TEST(ArrangeSurfaces, MaterialShaderNames) {
    mqo_model m(
        mqo_document(material_chunk({material_line("skin"), material_line("bone:x"),
                                     material_line("cloth", "D:/art/textures/hero/c.tga")})));
    EXPECT_EQ(material_shader_names(m.mqo.region, "models/p/"),
              (std::vector<std::string>{"models/p/skin", "models/p/hero/c.tga"}));
    EXPECT_EQ(material_shader_names(m.mqo.region, ""),
              (std::vector<std::string>{"skin", "hero/c.tga"}));
}

// Seam vertices copied into every part may take the record past its buffer:
// refused with a message, not cut short.
TEST(ArrangeSurfaces, RefusesWhatDoesNotFitTheBuffer) {
    const std::string model =
        mqo_document(material_chunk({material_line("a")}) +
                     object_chunk("o", {"0 0 0", "1 0 0", "0 1 0", "1 1 0", "2 0 0"},
                                  {"3 V(0 1 2) M(0)", "3 V(1 3 2) M(0)", "3 V(1 4 3) M(0)"}));
    mqo_model sized(model, mqo_options{true});
    const std::int32_t size = sized.build_mesh();
    ASSERT_GT(size, 0);
    mqo_model m(model, mqo_options{true});
    ASSERT_EQ(m.build_mesh(static_cast<std::size_t>(size) + mesh_vertex::size), size);
    std::int32_t result = 0;
    const std::string out = capture_stdout([&] {
        result = arrange_surfaces(m.mesh.region, {"a"}, {3, 1});
    });
    EXPECT_EQ(result, -1);
    EXPECT_NE(out.find("arrange_surfaces : The surfaces do not fit the mesh buffer"),
              std::string::npos)
        << out;
    // With room for the seams the same model makes three surfaces of three vertices.
    ASSERT_EQ(m.build_mesh(1 << 20), size);
    capture_stdout([&] { result = arrange_surfaces(m.mesh.region, {"a"}, {3, 1}); });
    // Four more vertex records (the seams) and two more object headers with their shader.
    EXPECT_EQ(result, size + 4 * static_cast<std::int32_t>(mesh_vertex::size) +
                          2 * static_cast<std::int32_t>(mesh_object::size + mesh_shader::size));
}
