// Game models written for the modeller (mode 10 with MQOOUT): read back by the
// tool's own MQO reader, every vertex lies where the engine's skinning puts it,
// ten times larger, with its texture coordinates, triangles and tags; an MD3
// comes back through mode 8 as the same stored integers.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <random>
#include <set>

#include "export/md3_layout.hpp"
#include "export/md3_reader.hpp"
#include "export/mqo_export.hpp"
#include "mesh/mesh_builder.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/load_mqo.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"
#include "support/capture_stdout.hpp"
#include "support/engine_skin.hpp"
#include "support/mqo_model.hpp"
#include "support/scratch.hpp"
#include "support/skeletal_builder.hpp"

using namespace ossify_test;
using namespace ossify;

namespace {

struct mesh_tag_values {
    std::string name;
    dvec3 origin;
    bone_rotation axes;
};

// The tags the mesh builder reads from the "tag:" objects (what modes 8 and 9 use).
std::vector<mesh_tag_values> tags_read_back(const byte_region& mqo) {
    std::vector<std::uint8_t> bytes(1 << 16);
    byte_region mesh{bytes.data(), bytes.size()};
    constexpr offset_t first = 4096;
    put_i32(mesh, mesh_header::ofs_tag, static_cast<std::int32_t>(first));
    std::int32_t count = -1;
    capture_stdout([&] { count = search_tagobj(mesh, mqo); });
    std::vector<mesh_tag_values> tags;
    for (std::int32_t t = 0; t < count; ++t) {
        const offset_t at = first + mesh_tag::size * t;
        tags.push_back({get_text(mesh, at + mesh_tag::name, 64),
                        get_dvec3(mesh, at + mesh_tag::origin),
                        get_rotation_rows(mesh, at + mesh_tag::axis)});
    }
    return tags;
}

double largest_difference(const bone_rotation& a, const bone_rotation& b) {
    double most = 0;
    for (const auto& [p, q] : {std::pair{a.forward, b.forward}, {a.left, b.left}, {a.up, b.up}})
        for (std::size_t k = 0; k < 3; ++k)
            most = std::max(most, std::abs(p[k] - q[k]));
    return most;
}

// A random skeleton of up to eight bones (parents before children), frames of
// random angles, and one or two surfaces whose vertices follow one to three of
// its bones. Some vertices are repeated: with the same texture coordinates
// (to be welded) and with others (to be kept apart).
struct random_model {
    mdx_desc mdx;
    mdm_desc mdm;
};

random_model make_model(std::mt19937& random) {
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto angle = [&] { return static_cast<std::int16_t>(random() % 65536 - 32768); };
    const auto pick = [&](int n) {
        return static_cast<std::int32_t>(random() % static_cast<unsigned>(n));
    };
    random_model m;
    const int bones = 1 + static_cast<int>(random() % 8);
    for (int b = 0; b < bones; ++b)
        m.mdx.bones.push_back({"bone" + std::to_string(b), b == 0 ? -1 : pick(b), 0.0f,
                               static_cast<float>(uniform(0, 12))});
    for (int f = 0; f < 3; ++f) {
        frame_desc frame;
        frame.header[10] = static_cast<float>(uniform(-5, 5));
        frame.header[12] = static_cast<float>(uniform(20, 40));
        for (int b = 0; b < bones; ++b)
            frame.bones.push_back({{angle(), angle(), angle(), 0}, {angle(), angle()}});
        m.mdx.frames.push_back(frame);
    }
    const int surfaces = 1 + static_cast<int>(random() % 2);
    for (int s = 0; s < surfaces; ++s) {
        surface_desc surface;
        surface.name = "part" + std::to_string(s);
        surface.shader = s == 0 ? "models/players/x/part.tga" : "";
        const int vertices = 3 + static_cast<int>(random() % 12);
        for (int v = 0; v < vertices; ++v) {
            vertex_desc vertex;
            vertex.uv = {static_cast<float>(uniform(0, 1)), static_cast<float>(uniform(0, 1))};
            const int weights = 1 + static_cast<int>(random() % 3);
            for (int w = 0; w < weights; ++w)
                vertex.weights.push_back(
                    {pick(bones),
                     1.0f / static_cast<float>(weights),
                     {static_cast<float>(uniform(-8, 8)), static_cast<float>(uniform(-8, 8)),
                      static_cast<float>(uniform(-8, 8))}});
            surface.vertices.push_back(vertex);
            if (random() % 3 == 0) surface.vertices.push_back(vertex); // welded
            if (random() % 3 == 0) {
                vertex.uv[0] += 0.25f; // same place, other texture coordinates: kept apart
                surface.vertices.push_back(vertex);
            }
        }
        const auto count = static_cast<std::int32_t>(surface.vertices.size());
        for (int t = 0; t < 2 * count; ++t)
            surface.triangles.push_back({pick(count), pick(count), pick(count)});
        surface.collapse_map.assign(surface.vertices.size(), 0);
        for (int b = 0; b < bones; ++b)
            surface.bone_refs.push_back(b); // every bone: each weighted one and its ancestors
        m.mdm.surfaces.push_back(surface);
    }
    const double c = std::cos(0.7), s = std::sin(0.7);
    m.mdm.tags.push_back({"tag_turned",
                          {static_cast<float>(c), static_cast<float>(s), 0, static_cast<float>(-s),
                           static_cast<float>(c), 0, 0, 0, 1},
                          pick(bones),
                          {1.5f, -2.0f, 0.5f},
                          {}});
    m.mdm.tags.push_back({"tag_plain", {1, 0, 0, 0, 1, 0, 0, 0, 1}, 0, {0, 0, 3}, {}});
    return m;
}

// Checks one model posed at `frame`: positions, texture coordinates, triangles,
// welding and tags, as the reader and the mesh builder take them back.
void check_round_trip(const random_model& m, std::int32_t frame, const std::string& text,
                      const std::string& what) {
    const mqo_model model(text);
    const byte_region& mqo = model.mqo.region;
    const std::vector<posed_bone> posed =
        engine_pose(m.mdx.bones, m.mdx.frames[static_cast<std::size_t>(frame)]);
    ASSERT_EQ(mqo_num_object(mqo), std::ssize(m.mdm.surfaces) + std::ssize(m.mdm.tags));
    offset_t object = mqo_first_object(mqo);
    for (std::size_t s = 0; s < m.mdm.surfaces.size(); ++s) {
        const surface_desc& surface = m.mdm.surfaces[s];
        EXPECT_EQ(mqo_object_name(mqo, object), surface.name) << what;
        EXPECT_EQ(mqo_material_name(mqo, static_cast<std::int32_t>(s)),
                  surface.shader.empty() ? surface.name : surface.shader)
            << what;
        std::set<std::array<float, 5>> distinct;
        std::vector<dvec3> expected;
        for (const vertex_desc& v : surface.vertices) {
            std::vector<engine_weight> weights;
            for (const weight_desc& w : v.weights)
                weights.push_back({w.bone, w.weight, {w.offset[0], w.offset[1], w.offset[2]}});
            const dvec3 p = skin_vertex(weights, posed);
            expected.push_back({10 * p[0], 10 * p[1], 10 * p[2]});
            distinct.insert({static_cast<float>(10 * p[0]), static_cast<float>(10 * p[1]),
                             static_cast<float>(10 * p[2]), v.uv[0], v.uv[1]});
        }
        EXPECT_EQ(mqo_num_vertex(mqo, object), std::ssize(distinct)) << what;
        ASSERT_EQ(mqo_num_face(mqo, object), std::ssize(surface.triangles)) << what;
        for (std::size_t t = 0; t < surface.triangles.size(); ++t) {
            const offset_t face = mqo_face_at(mqo, object, static_cast<std::int32_t>(t));
            EXPECT_EQ(mqo_face_material(mqo, face), static_cast<std::int32_t>(s));
            for (int k = 0; k < 3; ++k) {
                const auto corner =
                    static_cast<std::size_t>(surface.triangles[t][static_cast<std::size_t>(k)]);
                const vector3 p = mqo_vertex(mqo, object, mqo_face_vertex(mqo, face, k));
                EXPECT_NEAR(p.x, expected[corner][0], 1e-4) << what;
                EXPECT_NEAR(p.y, expected[corner][1], 1e-4) << what;
                EXPECT_NEAR(p.z, expected[corner][2], 1e-4) << what;
                EXPECT_EQ(get_f32(mqo, face + mqo_face::uv + 8 * k),
                          surface.vertices[corner].uv[0]);
                EXPECT_EQ(get_f32(mqo, face + mqo_face::uv + 8 * k + 4),
                          surface.vertices[corner].uv[1]);
            }
        }
        object = mqo_next_object(mqo, object);
    }
    const std::vector<mesh_tag_values> tags = tags_read_back(mqo);
    ASSERT_EQ(tags.size(), m.mdm.tags.size()) << what;
    for (std::size_t t = 0; t < tags.size(); ++t) {
        const tag_desc& tag = m.mdm.tags[t];
        const bone_rotation axis{{tag.axis[0], tag.axis[1], tag.axis[2]},
                                 {tag.axis[3], tag.axis[4], tag.axis[5]},
                                 {tag.axis[6], tag.axis[7], tag.axis[8]}};
        const placed_tag placed = place_tag(posed[static_cast<std::size_t>(tag.attach_bone)],
                                            {tag.offset[0], tag.offset[1], tag.offset[2]}, axis);
        EXPECT_EQ(tags[t].name, tag.name);
        for (std::size_t k = 0; k < 3; ++k)
            EXPECT_NEAR(tags[t].origin[k], 10 * placed.origin[k], 1e-4) << what;
        EXPECT_LT(largest_difference(tags[t].axes, placed.axes), 1e-4) << what << " " << tag.name;
    }
}

// Tag markers read back by the mesh builder as the axes they were drawn for,
// including rolls beyond ±90 degrees, which the builder folds with 3.14 for pi.
TEST(MqoTagMarkers, ReadBackAsTheirAxesAtEveryRoll) {
    const double pi = std::numbers::pi;
    const double rolls[] = {0,           0.3,  pi / 2 - 1e-3, pi / 2 + 1e-3, 2.5,  3.0,
                            3.14 - 1e-3, 3.14, -0.3,          -2.5,          -3.14};
    mqo_document document;
    std::vector<bone_rotation> drawn;
    for (const double roll : rolls)
        for (const double pitch : {0.0, 0.7, -1.2})
            for (const double yaw : {0.0, 2.0, -2.9}) {
                drawn.push_back(rotation_from_angles(pitch, yaw, roll));
                ASSERT_TRUE(add_tag_object(document, "t" + std::to_string(drawn.size()),
                                           {120.5, -33.25, 400.0}, drawn.back()));
            }
    const mqo_model model(mqo_text(document));
    const std::vector<mesh_tag_values> tags = tags_read_back(model.mqo.region);
    ASSERT_EQ(tags.size(), drawn.size());
    double worst = 0;
    for (std::size_t t = 0; t < tags.size(); ++t) {
        worst = std::max(worst, largest_difference(tags[t].axes, drawn[t]));
        EXPECT_EQ(tags[t].origin, (dvec3{120.5, -33.25, 400.0}));
    }
    // The builder takes the roll as an arc sine in float32, which loses a few
    // ten-thousandths within a thousandth of a radian of ±90 degrees; without
    // the roll correction the worst case is 1.6e-3.
    EXPECT_LT(worst, 5e-4);
}

// A random model from `seed` as "model.mdm" and "anim.mdx" in `s`.
random_model write_model(const scratch_dir& s, unsigned seed) {
    std::mt19937 random(seed);
    random_model m = make_model(random);
    s.write("model.mdm", build_mdm(m.mdm));
    s.write("anim.mdx", build_mdx(m.mdx));
    return m;
}

TEST(MqoOfPosedMdm, ReadsBackAtTenTimesTheEnginesSkinningOnRandomSkeletons) {
    std::mt19937 random(20);
    for (int trial = 0; trial < 40; ++trial) {
        const random_model m = make_model(random);
        bytes mdm = build_mdm(m.mdm);
        bytes mdx = build_mdx(m.mdx);
        const auto frame = static_cast<std::int32_t>(trial % 3);
        mqo_document document;
        ASSERT_TRUE(mqo_of_posed_mdm(region_of(mdm), region_of(mdx), frame, document));
        check_round_trip(m, frame, mqo_text(document), "trial " + std::to_string(trial));
    }
}

TEST(MqoOfPosedMdm, Mode10WritesTheMqoAtBindFrame) {
    const scratch_dir s;
    const random_model m = write_model(s, 7);
    s.write("ossify.cfg", "MODE=10\nMDMSOURCE=model.mdm\nMDXSOURCE=anim.mdx\nBINDFRAME=2\n"
                          "MQOOUT=model.mqo\n");
    const run_result r = s.run();
    ASSERT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("\n--- Writing MQO ---\n\nwrite_mqo : Object[part0] Vertex["),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("write_mqo : File[model.mqo] Object["), std::string::npos);
    EXPECT_TRUE(r.err.empty()) << r.err;
    check_round_trip(m, 2, s.read("model.mqo"), "mode 10");
}

// The bundled character through mode 9 and back: its MDM posed by its skeleton
// MDX is the drawn model again, to the skeleton MDX's precision (0.0027 engine
// units with the stored angles' unit of 3.1415, so 0.027 here), triangle for
// triangle with the same texture coordinates.
TEST(MqoOfPosedMdm, TheBundledCharacterComesBackAsDrawn) {
    scratch_dir s;
    for (const char* f : {"character.mqo", "character-skeleton.cfg", "character-to-modeller.cfg"})
        s.write(f, read_file(source_path(std::string("examples/") + f)));
    ASSERT_EQ(s.run({"-cfg", "character-skeleton.cfg"}).status, 1);
    const run_result r = s.run({"-cfg", "character-to-modeller.cfg"});
    ASSERT_EQ(r.status, 1) << r.out;
    const mqo_model drawn(s.read("character.mqo"));
    const mqo_model back(s.read("character-posed.mqo"));
    const byte_region& a = drawn.mqo.region;
    const byte_region& b = back.mqo.region;
    offset_t from = mqo_first_object(a);
    offset_t to = mqo_first_object(b);
    int surfaces = 0;
    double worst = 0;
    for (std::int32_t i = 0; i < mqo_num_object(a); ++i, from = mqo_next_object(a, from)) {
        const std::string name = mqo_object_name(a, from);
        if (!is_mesh_object_name(name, false)) continue;
        ++surfaces;
        EXPECT_EQ(mqo_object_name(b, to), name);
        std::int32_t t = 0;
        for (std::int32_t f = 0; f < mqo_num_face(a, from); ++f) {
            const offset_t face = mqo_face_at(a, from, f);
            if (mqo_face_corners(a, face) != 3) continue;
            const offset_t other = mqo_face_at(b, to, t++);
            for (int k = 0; k < 3; ++k) {
                const vector3 p = mqo_vertex(a, from, mqo_face_vertex(a, face, k));
                const vector3 q = mqo_vertex(b, to, mqo_face_vertex(b, other, k));
                worst = std::max({worst, std::abs(double{p.x} - q.x), std::abs(double{p.y} - q.y),
                                  std::abs(double{p.z} - q.z)});
                for (offset_t uv = 0; uv < 8; uv += 4)
                    EXPECT_EQ(get_f32(a, face + mqo_face::uv + 8 * k + uv),
                              get_f32(b, other + mqo_face::uv + 8 * k + uv));
            }
        }
        EXPECT_EQ(t, mqo_num_face(b, to)) << name;
        to = mqo_next_object(b, to);
    }
    EXPECT_EQ(surfaces, 3);
    EXPECT_LT(worst, 0.03);
    EXPECT_EQ(tags_read_back(b).size(), 3u);
}

TEST(MqoOfPosedMdm, Mode10Refusals) {
    const scratch_dir s;
    const random_model m = write_model(s, 3);
    const std::string sources = "MODE=10\nMDMSOURCE=model.mdm\nMDXSOURCE=anim.mdx\n";
    struct row {
        std::string config, out, err;
    };
    const row rows[] = {
        {sources + "BINDFRAME=3\nMQOOUT=a.mqo\n", "ERROR: Invalid BINDFRAME value.\n",
         "BINDFRAME=3 is not a frame of the MDX, whose frames are 0 to 2."},
        {sources + "BINDFRAME=-1\nMQOOUT=a.mqo\n", "ERROR: Invalid BINDFRAME value.\n",
         "BINDFRAME=-1"},
        {sources + "MD3SOURCE=model.md3\nMQOOUT=a.mqo\n",
         "ERROR:MD3SOURCE and MDMSOURCE name two models; mode 10 takes one.\n", ""},
        {"MODE=10\nMD3SOURCE=model.mdm\nMQOOUT=a.mqo\n",
         "Checking MD3 Header...ERROR:This seems to be wrong MD3 file.\n"
         "ERROR:Failed to load MD3.\n",
         ""},
        {sources + "MQOOUT=missing/a.mqo\n", "ERROR:Failed to write MQO.\n", ""},
    };
    for (const row& r : rows) {
        s.write("ossify.cfg", r.config);
        const run_result result = s.run();
        EXPECT_EQ(result.status, 0) << r.config;
        EXPECT_NE(result.out.find(r.out), std::string::npos) << r.config << result.out;
        EXPECT_NE(result.err.find(r.err), std::string::npos) << r.config << result.err;
        EXPECT_FALSE(s.exists("a.mqo")) << r.config;
    }
}

md3_model read_md3_file(const std::string& file) {
    std::vector<std::uint8_t> bytes(file.begin(), file.end());
    const byte_region region{bytes.data(), bytes.size()};
    EXPECT_EQ(md3_fault(region), "");
    return read_md3(region);
}

// Mode 8's positions of every triangle corner, with its texture coordinates.
using corner_list = std::vector<std::array<float, 5>>;
corner_list md3_corners(const md3_model& md3) {
    corner_list corners;
    for (const md3_surface_record& s : md3.surfaces)
        for (const auto& t : s.triangles)
            for (const std::int32_t c : t) {
                const md3_vertex_record& v = s.vertices[static_cast<std::size_t>(c)];
                const auto& uv = s.tex_coords[static_cast<std::size_t>(c)];
                corners.push_back({static_cast<float>(v.position[0]),
                                   static_cast<float>(v.position[1]),
                                   static_cast<float>(v.position[2]), uv[0], uv[1]});
            }
    return corners;
}

// Mode 8 of character.mqo into first.md3, mode 10 of that into back.mqo and
// mode 8 of that into again.md3, each with the configuration lines `keys`.
void convert_there_and_back(const scratch_dir& s, const std::string& keys) {
    s.write("first.cfg", "MODE=8\nMQO=character.mqo\nMD3OUTNAME=first.md3\n" + keys);
    ASSERT_EQ(s.run({"-cfg", "first.cfg"}).status, 1);
    s.write("back.cfg", "MODE=10\nMD3SOURCE=first.md3\nMQOOUT=back.mqo\n" + keys);
    const run_result back = s.run({"-cfg", "back.cfg"});
    ASSERT_EQ(back.status, 1) << back.out;
    s.write("again.cfg", "MODE=8\nMQO=back.mqo\nMD3OUTNAME=again.md3\n" + keys);
    ASSERT_EQ(s.run({"-cfg", "again.cfg"}).status, 1);
}

// The same corners, and the same tags up to float rounding.
void expect_same_model(const md3_model& two, const md3_model& one) {
    EXPECT_EQ(md3_corners(two), md3_corners(one));
    ASSERT_EQ(two.tags.size(), one.tags.size());
    for (std::size_t t = 0; t < one.tags.size(); ++t) {
        EXPECT_EQ(two.tags[t].name, one.tags[t].name);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_NEAR(two.tags[t].origin[k], one.tags[t].origin[k], 1e-4);
            for (std::size_t j = 0; j < 3; ++j)
                EXPECT_NEAR(two.tags[t].axis[k][j], one.tags[t].axis[k][j], 2e-4);
        }
    }
}

TEST(MqoOfMd3, ModeEightStoresTheSameIntegersBack) {
    scratch_dir s;
    for (const char* f : {"character.mqo", "character-md3.cfg"})
        s.write(f, read_file(source_path(std::string("examples/") + f)));
    for (const int scale : {1, 3, 7, 32}) {
        SCOPED_TRACE(scale);
        ASSERT_NO_FATAL_FAILURE(
            convert_there_and_back(s, "MD3SCALE=" + std::to_string(scale) + "\n"));
        const md3_model one = read_md3_file(s.read("first.md3"));
        expect_same_model(read_md3_file(s.read("again.md3")), one);
        EXPECT_EQ(md3_corners(one).size(), 3u * 228);
    }
}

// With UPAXIS=Y the MQO goes back to the modeller's y-up: mode 8 with the same
// key stores the same model again, tags included; read as drawn, each stored
// position (x, y, z) comes back as (y, z, x).
TEST(MqoOfMd3, UpAxisTurnsTheModelBackForTheModeller) {
    scratch_dir s;
    s.write("character.mqo", read_file(source_path("examples/character.mqo")));
    for (const int scale : {1, 7}) {
        SCOPED_TRACE(scale);
        const std::string plain = "MD3SCALE=" + std::to_string(scale) + "\n";
        ASSERT_NO_FATAL_FAILURE(convert_there_and_back(s, plain + "UPAXIS=Y\n"));
        const md3_model one = read_md3_file(s.read("first.md3"));
        ASSERT_FALSE(one.tags.empty());
        expect_same_model(read_md3_file(s.read("again.md3")), one);

        s.write("drawn.cfg", "MODE=8\nMQO=back.mqo\nMD3OUTNAME=drawn.md3\n" + plain);
        ASSERT_EQ(s.run({"-cfg", "drawn.cfg"}).status, 1);
        corner_list turned = md3_corners(one);
        for (std::array<float, 5>& c : turned)
            c = {c[1], c[2], c[0], c[3], c[4]};
        EXPECT_EQ(md3_corners(read_md3_file(s.read("drawn.md3"))), turned);
    }
    s.write("bad.cfg", "MODE=10\nMD3SOURCE=first.md3\nMQOOUT=bad.mqo\nUPAXIS=X\n");
    const run_result bad = s.run({"-cfg", "bad.cfg"});
    EXPECT_EQ(bad.status, 0);
    EXPECT_TRUE(bad.out.ends_with("ERROR: Invalid UPAXIS value.\n")) << bad.out;
    EXPECT_FALSE(s.exists("bad.mqo"));
}

TEST(MqoOfMd3, EveryStoredIntegerComesBackUnderEveryScale) {
    // Sixteen surfaces of 4096 vertices: every int16 on x and z, reversed on y.
    md3_model md3;
    for (int first = -32768; first < 32768; first += 4096) {
        md3_surface_record surface;
        surface.name = "s" + std::to_string(first);
        surface.num_frames = 1;
        for (int i = first; i < first + 4096; ++i) {
            const auto v = static_cast<std::int16_t>(i);
            surface.vertices.push_back({{v, static_cast<std::int16_t>(-i - 1), v}, 0});
            surface.tex_coords.push_back({0, 0});
        }
        surface.num_verts = static_cast<std::int32_t>(surface.vertices.size());
        md3.surfaces.push_back(surface);
    }
    for (const std::int32_t scale : {1, 3, 7, 10, 64, 1000, 32768}) {
        mqo_document document;
        ASSERT_TRUE(mqo_of_md3(md3, scale, document));
        int wrong = 0;
        for (std::size_t s = 0; s < md3.surfaces.size(); ++s) {
            const auto& vertices = document.objects[s].vertices;
            ASSERT_EQ(vertices.size(), 4096u);
            for (std::size_t v = 0; v < vertices.size(); ++v)
                for (std::size_t k = 0; k < 3; ++k)
                    wrong += std::trunc(static_cast<double>(vertices[v][k]) * scale) !=
                             md3.surfaces[s].vertices[v].position[k];
        }
        EXPECT_EQ(wrong, 0) << "MD3SCALE " << scale;
    }
}

// Back through mode 9: the posed MQO bound by BINDMDX to the same MDX at the
// same frame is the same model again at that frame. Mode 9 reorders vertices
// and triangles for its levels of detail and may weight other bones, so each
// surface is compared as triangles of (position, texture coordinates) corners.
struct posed_corner {
    dvec3 position;
    std::array<float, 2> uv;
};
using posed_triangle = std::array<posed_corner, 3>;
struct posed_surface {
    std::string name;
    std::vector<posed_corner> vertices;
    std::vector<posed_triangle> triangles;
};
struct posed_mdm {
    std::vector<posed_surface> surfaces;
    std::vector<std::pair<std::string, placed_tag>> tags;
};

// An MDM file skinned and its tags placed at `frame` of an MDX file, as the
// engine does it.
posed_mdm pose_mdm_file(const std::string& mdm_file, const std::string& mdx_file,
                        std::int32_t frame) {
    std::vector<std::uint8_t> mdm_bytes(mdm_file.begin(), mdm_file.end());
    std::vector<std::uint8_t> mdx_bytes(mdx_file.begin(), mdx_file.end());
    const byte_region mdm{mdm_bytes.data(), mdm_bytes.size()};
    const byte_region mdx{mdx_bytes.data(), mdx_bytes.size()};
    const mdx_info info = read_mdx_info(mdx);
    const std::vector<posed_bone> posed = pose_stored_frame(
        mdx, frame_at(info.ofs_frames, static_cast<offset_t>(info.num_bones), frame),
        read_skeleton_bones(mdx, info.ofs_bones, info.num_bones));
    const std::vector<std::vector<dvec3>> skinned = skin_mdm_vertices(mdm, posed);
    posed_mdm out;
    offset_t surface = get_i32(mdm, mdm_header::ofs_surfaces);
    for (const std::vector<dvec3>& positions : skinned) {
        posed_surface s{get_text(mdm, surface + mdm_surface::name, 64), {}, {}};
        offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
        for (const dvec3& p : positions) {
            s.vertices.push_back({p,
                                  {get_f32(mdm, vertex + mdm_vertex::tex_coords),
                                   get_f32(mdm, vertex + mdm_vertex::tex_coords + 4)}});
            vertex += mdm_vertex::weights +
                      skin_weight::size * get_i32(mdm, vertex + mdm_vertex::num_weights);
        }
        const offset_t triangles = surface + get_i32(mdm, surface + mdm_surface::ofs_triangles);
        for (std::int32_t t = 0; t < get_i32(mdm, surface + mdm_surface::num_triangles); ++t) {
            posed_triangle triangle;
            for (offset_t k = 0; k < 3; ++k)
                triangle[k] = s.vertices.at(static_cast<std::size_t>(
                    get_i32(mdm, triangles + triangle_size * t + index_size * k)));
            s.triangles.push_back(triangle);
        }
        out.surfaces.push_back(s);
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
    offset_t tag = get_i32(mdm, mdm_header::ofs_tags);
    for (std::int32_t t = 0; t < get_i32(mdm, mdm_header::num_tags); ++t) {
        const std::int32_t bone = get_i32(mdm, tag + mdm_tag::attach_bone);
        out.tags.push_back({get_text(mdm, tag + mdm_tag::name, 64),
                            place_tag(posed.at(static_cast<std::size_t>(bone)),
                                      get_dvec3(mdm, tag + mdm_tag::offset),
                                      get_rotation_rows(mdm, tag + mdm_tag::axis))});
        tag += get_i32(mdm, tag + mdm_tag::ofs_end);
    }
    return out;
}

double distance(const dvec3& a, const dvec3& b) {
    const dvec3 d = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return std::sqrt(dot3(d, d));
}

// How far the corners of `b` lie from those of `a` taken from corner `first`
// on (the same winding), or infinity where texture coordinates differ.
double corner_distance(const posed_triangle& a, const posed_triangle& b, std::size_t first) {
    double most = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        const posed_corner& p = a[(first + k) % 3];
        if (p.uv != b[k].uv) return INFINITY;
        most = std::max(most, distance(p.position, b[k].position));
    }
    return most;
}

// Each element of `back` paired with its own element of `before` that lies
// within `tolerance`; returns the largest distance of a pair, or infinity when
// one finds no partner.
template <typename T, typename Distance>
double pair_up(const std::vector<T>& before, const std::vector<T>& back, Distance between,
               double tolerance) {
    std::vector<bool> taken(before.size(), false);
    double worst = 0;
    for (const T& b : back) {
        double best = INFINITY;
        std::size_t at = before.size();
        for (std::size_t i = 0; i < before.size(); ++i) {
            const double d = taken[i] ? INFINITY : between(before[i], b);
            if (d < best) best = d, at = i;
            if (d <= tolerance) break;
        }
        if (at == before.size()) return INFINITY;
        taken[at] = true;
        worst = std::max(worst, best);
    }
    return worst;
}

// The largest distance between the model before and after the round trip:
// per surface its name, its distinct vertices and its triangles, and the tags.
double round_trip_error(const posed_mdm& before, const posed_mdm& back, const std::string& what) {
    constexpr double tolerance = 1e-4;
    double worst = 0;
    EXPECT_EQ(back.surfaces.size(), before.surfaces.size()) << what;
    for (std::size_t s = 0; s < std::min(back.surfaces.size(), before.surfaces.size()); ++s) {
        const posed_surface& a = before.surfaces[s];
        const posed_surface& b = back.surfaces[s];
        EXPECT_EQ(b.name, a.name) << what;
        EXPECT_EQ(b.triangles.size(), a.triangles.size()) << what << " " << a.name;
        const double triangles = pair_up(
            a.triangles, b.triangles,
            [](const posed_triangle& p, const posed_triangle& q) {
                return std::min(
                    {corner_distance(p, q, 0), corner_distance(p, q, 1), corner_distance(p, q, 2)});
            },
            tolerance);
        // Every place a vertex stands (welding leaves one of each, and a vertex
        // in no triangle keeps its place but not its texture coordinates: the
        // MQO keeps those with the faces).
        const auto places = [&](const std::vector<posed_corner>& all) {
            std::vector<dvec3> one;
            for (const posed_corner& c : all)
                if (std::none_of(one.begin(), one.end(), [&](const dvec3& o) {
                        return distance(o, c.position) <= tolerance;
                    }))
                    one.push_back(c.position);
            return one;
        };
        const std::vector<dvec3> pa = places(a.vertices), pb = places(b.vertices);
        EXPECT_EQ(pb.size(), pa.size()) << what << " " << a.name;
        const double vertices = pair_up(pa, pb, distance, tolerance);
        worst = std::max({worst, triangles, vertices});
    }
    EXPECT_EQ(back.tags.size(), before.tags.size()) << what;
    for (std::size_t t = 0; t < std::min(back.tags.size(), before.tags.size()); ++t) {
        const auto& [name, placed] = before.tags[t];
        EXPECT_EQ(back.tags[t].first, name) << what;
        worst = std::max(worst, distance(back.tags[t].second.origin, placed.origin));
        // The marker's angles are read in float32 (see ReadBackAsTheirAxesAtEveryRoll).
        EXPECT_LT(largest_difference(back.tags[t].second.axes, placed.axes), 2e-3)
            << what << " " << name;
    }
    return worst;
}

// Mode 10 writes the MDM of `s` posed at `frame` as an MQO, mode 9 binds it
// to the same MDX at the same frame; `extra` adds keys to mode 9.
posed_mdm round_trip(const scratch_dir& s, const std::string& mdm, const std::string& mdx,
                     std::int32_t frame, const std::string& extra = "") {
    const std::string at = "BINDFRAME=" + std::to_string(frame) + "\n";
    s.write("out.cfg",
            "MODE=10\nMDMSOURCE=" + mdm + "\nMDXSOURCE=" + mdx + "\n" + at + "MQOOUT=posed.mqo\n");
    const run_result out = s.run({"-cfg", "out.cfg"});
    EXPECT_EQ(out.status, 1) << out.out;
    s.write("back.cfg", "MODE=9\nMQO=posed.mqo\nMDM=back.mdm\nWHOLEMODEL=1\nBINDMDX=" + mdx + "\n" +
                            at + extra);
    const run_result back = s.run({"-cfg", "back.cfg"});
    EXPECT_EQ(back.status, 1) << back.out;
    return pose_mdm_file(s.read("back.mdm"), s.read(mdx), frame);
}

TEST(MqoRoundTrip, TheBundledCharacterComesBackThroughBindMdx) {
    scratch_dir s;
    for (const char* f : {"character.mqo", "character-skeleton.cfg"})
        s.write(f, read_file(source_path(std::string("examples/") + f)));
    ASSERT_EQ(s.run({"-cfg", "character-skeleton.cfg"}).status, 1);
    const posed_mdm before =
        pose_mdm_file(s.read("character-skeleton.mdm"), s.read("character-skeleton.mdx"), 0);
    ASSERT_EQ(before.surfaces.size(), 3u);
    ASSERT_EQ(before.tags.size(), 3u);
    for (const int blend : {0, 2}) {
        const std::string extra = blend ? "BLENDWEIGHTS=" + std::to_string(blend) + "\n" : "";
        const posed_mdm back =
            round_trip(s, "character-skeleton.mdm", "character-skeleton.mdx", 0, extra);
        const double worst = round_trip_error(before, back, "blend " + std::to_string(blend));
        std::printf("bundled character, BLENDWEIGHTS=%d: back within %.2g units\n", blend, worst);
        EXPECT_LT(worst, 1e-4);
    }
    // With the MDM as REFERENCEMDM its tags come back byte for byte.
    round_trip(s, "character-skeleton.mdm", "character-skeleton.mdx", 0,
               "REFERENCEMDM=character-skeleton.mdm\n");
    const std::string a = s.read("character-skeleton.mdm"), b = s.read("back.mdm");
    const auto tags = [](const std::string& file) {
        std::vector<std::uint8_t> bytes(file.begin(), file.end());
        const byte_region r{bytes.data(), bytes.size()};
        return file.substr(static_cast<std::size_t>(get_i32(r, mdm_header::ofs_tags)));
    };
    EXPECT_EQ(tags(b), tags(a));
}

TEST(MqoRoundTrip, RandomSkeletonsComeBackThroughBindMdx) {
    double worst = 0;
    for (unsigned seed = 100; seed < 130; ++seed) {
        const scratch_dir s;
        write_model(s, seed);
        const auto frame = static_cast<std::int32_t>(seed % 3);
        const posed_mdm before = pose_mdm_file(s.read("model.mdm"), s.read("anim.mdx"), frame);
        const std::string what = "seed " + std::to_string(seed);
        const std::string blend = "BLENDWEIGHTS=" + std::to_string(1 + seed % 4) + "\n";
        worst = std::max(worst, round_trip_error(before,
                                                 round_trip(s, "model.mdm", "anim.mdx", frame,
                                                            seed % 2 ? blend : ""),
                                                 what));
    }
    std::printf("random skeletons: back within %.2g units\n", worst);
    EXPECT_LT(worst, 1e-4);
}

} // namespace
