// The MD3 reader: a sound file read into its records field by field, and every
// count and offset that leads outside the file (or a triangle corner outside its
// surface) refused by the check before anything walks the file.
#include <gtest/gtest.h>

#include "base/vector_fields.hpp"
#include "export/md3_layout.hpp"
#include "export/md3_reader.hpp"
#include "support/capture_stdout.hpp"
#include "support/scratch.hpp"

using namespace ossify;

namespace {

namespace mh = md3_header;
namespace ms = md3_surface;

// Two frames, one tag, one surface of three vertices, one triangle, one shader.
constexpr offset_t frames_at = mh::size;
constexpr offset_t tags_at = frames_at + 2 * md3_frame::size;
constexpr offset_t surface_at = tags_at + 2 * md3_tag::size;
constexpr offset_t surface_size =
    ms::size + ms::triangle_size + ms::shader_size + 3 * ms::st_size + 2 * 3 * ms::vertex_size;

std::vector<std::uint8_t> small_md3() {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(surface_at + surface_size));
    byte_region f{bytes.data(), bytes.size()};
    put_chars(f, mh::ident, mh::ident_text);
    put_i32(f, mh::version, mh::version_number);
    put_text(f, mh::name, md3_name_width, "models/box.md3");
    put_i32(f, mh::num_frames, 2);
    put_i32(f, mh::num_tags, 1);
    put_i32(f, mh::num_surfaces, 1);
    put_i32(f, mh::ofs_frames, static_cast<std::int32_t>(frames_at));
    put_i32(f, mh::ofs_tags, static_cast<std::int32_t>(tags_at));
    put_i32(f, mh::ofs_surfaces, static_cast<std::int32_t>(surface_at));
    put_i32(f, mh::ofs_end, static_cast<std::int32_t>(bytes.size()));
    put_f32(f, frames_at + md3_frame::radius, 5.5f);
    put_text(f, frames_at + md3_frame::name, md3_frame::name_width, "first");
    for (int t = 0; t < 2; ++t) {
        const offset_t tag = tags_at + md3_tag::size * t;
        put_text(f, tag + md3_tag::name, md3_name_width, "tag_weapon");
        put_vector3(f, tag + md3_tag::origin, {1.0f + static_cast<float>(t), 2.0f, 3.0f});
        put_vector3(f, tag + md3_tag::axis, {0, 1, 0});
        put_vector3(f, tag + md3_tag::axis + vec3_size, {-1, 0, 0});
        put_vector3(f, tag + md3_tag::axis + 2 * vec3_size, {0, 0, 1});
    }
    const offset_t s = surface_at;
    const offset_t shaders = ms::size + ms::triangle_size;
    const offset_t st = shaders + ms::shader_size;
    const offset_t xyz = st + 3 * ms::st_size;
    put_chars(f, s + ms::ident, mh::ident_text);
    put_text(f, s + ms::name, md3_name_width, "box");
    put_i32(f, s + ms::num_frames, 2);
    put_i32(f, s + ms::num_shaders, 1);
    put_i32(f, s + ms::num_verts, 3);
    put_i32(f, s + ms::num_triangles, 1);
    put_i32(f, s + ms::ofs_triangles, static_cast<std::int32_t>(ms::size));
    put_i32(f, s + ms::ofs_shaders, static_cast<std::int32_t>(shaders));
    put_i32(f, s + ms::ofs_st, static_cast<std::int32_t>(st));
    put_i32(f, s + ms::ofs_xyz_normals, static_cast<std::int32_t>(xyz));
    put_i32(f, s + ms::ofs_end, static_cast<std::int32_t>(surface_size));
    for (int c = 0; c < 3; ++c) {
        put_i32(f, s + ms::size + ms::corner_step * c, 2 - c);
        put_f32(f, s + st + ms::st_size * c, 0.25f * static_cast<float>(c));
        put_i16(f, s + xyz + ms::vertex_size * c, static_cast<std::int16_t>(-100 * c));
        put_u16(f, s + xyz + ms::vertex_size * c + ms::vertex_normal, 0x1234);
    }
    put_text(f, s + shaders, md3_name_width, "models/box.tga");
    return bytes;
}

TEST(Md3Reader, ReadsEveryRecordOfASoundFile) {
    std::vector<std::uint8_t> bytes = small_md3();
    const byte_region f{bytes.data(), bytes.size()};
    ASSERT_EQ(md3_fault(f), "");
    const md3_model m = read_md3(f);
    EXPECT_EQ(m.name, "models/box.md3");
    ASSERT_EQ(m.frames.size(), 2u);
    EXPECT_EQ(m.frames[0].radius, 5.5f);
    EXPECT_EQ(m.frames[0].name, "first");
    EXPECT_EQ(m.num_tags, 1);
    ASSERT_EQ(m.tags.size(), 2u); // one a frame
    EXPECT_EQ(m.tags[1].origin, (std::array<float, 3>{2, 2, 3}));
    EXPECT_EQ(m.tags[0].axis[1], (std::array<float, 3>{-1, 0, 0}));
    ASSERT_EQ(m.surfaces.size(), 1u);
    const md3_surface_record& s = m.surfaces[0];
    EXPECT_EQ(s.name, "box");
    ASSERT_EQ(s.shaders.size(), 1u);
    EXPECT_EQ(s.shaders[0].name, "models/box.tga");
    EXPECT_EQ(s.triangles, (std::vector<std::array<std::int32_t, 3>>{{2, 1, 0}}));
    EXPECT_EQ(s.tex_coords[2], (std::array<float, 2>{0.5f, 0}));
    ASSERT_EQ(s.vertices.size(), 6u); // two frames of three
    EXPECT_EQ(s.vertices[2].position[0], -200);
    EXPECT_EQ(s.vertices[2].normal, 0x1234);
}

TEST(Md3Reader, RefusesEveryCountAndOffsetOutsideTheFile) {
    struct row {
        const char* what;
        offset_t field;
        std::int32_t value;
        const char* fault;
    };
    const offset_t s = surface_at;
    const row rows[] = {
        {"ident", mh::ident, 0x33504449 + 1, "ERROR:This seems to be wrong MD3 file.\n"},
        {"version", mh::version, 16, "ERROR:This MD3 version is not supported.\n"},
        {"end too small", mh::ofs_end, 100,
         "ERROR:This MD3 end offset is smaller than its header.\n"},
        {"end past the file", mh::ofs_end, 5000,
         "ERROR:This MD3 is shorter than its header says.\n"},
        {"no frames", mh::num_frames, 0, "ERROR:This MD3 has no frames.\n"},
        {"frames past the end", mh::num_frames, 30,
         "ERROR:The frames of this MD3 lie outside the file.\n"},
        {"frames over the header", mh::ofs_frames, 8,
         "ERROR:The frames of this MD3 lie outside the file.\n"},
        {"negative tags", mh::num_tags, -1, "ERROR:The tags of this MD3 lie outside the file.\n"},
        {"huge tag count", mh::num_tags, 0x7fffffff,
         "ERROR:The tags of this MD3 lie outside the file.\n"},
        {"surfaces far away", mh::ofs_surfaces, 1 << 30,
         "ERROR:The surfaces of this MD3 lie outside the file.\n"},
        {"surfaces over the header", mh::ofs_surfaces, 4,
         "ERROR:The surfaces of this MD3 lie outside the file.\n"},
        {"a second surface", mh::num_surfaces, 2, "ERROR:MD3 surface 1 lies outside the file.\n"},
        {"surface end short", s + ms::ofs_end, 20, "ERROR:MD3 surface 0 lies outside the file.\n"},
        {"vertices of many frames", s + ms::num_frames, 3,
         "ERROR:The shaders, triangles or vertices of MD3 surface 0 run past the surface.\n"},
        {"negative vertex count", s + ms::num_verts, -3,
         "ERROR:The shaders, triangles or vertices of MD3 surface 0 run past the surface.\n"},
        {"triangles over the header", s + ms::ofs_triangles, 0,
         "ERROR:The shaders, triangles or vertices of MD3 surface 0 run past the surface.\n"},
        {"shaders past the surface", s + ms::num_shaders, 1000,
         "ERROR:The shaders, triangles or vertices of MD3 surface 0 run past the surface.\n"},
        {"vertices without a frame", s + ms::num_frames, 0,
         "ERROR:MD3 surface 0 has vertices but no frame of them.\n"},
        {"corner past the vertices", s + ms::size + ms::corner_step, 3,
         "ERROR:A triangle of MD3 surface 0 has a corner outside its 3 vertices.\n"},
        {"negative corner", s + ms::size, -1,
         "ERROR:A triangle of MD3 surface 0 has a corner outside its 3 vertices.\n"},
    };
    for (const row& r : rows) {
        std::vector<std::uint8_t> bytes = small_md3();
        byte_region f{bytes.data(), bytes.size()};
        put_i32(f, r.field, r.value);
        EXPECT_EQ(md3_fault(f), r.fault) << r.what;
    }
    // Cut short anywhere, the file is refused; the header's own bytes first.
    std::vector<std::uint8_t> bytes = small_md3();
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_NE(md3_fault(byte_region{bytes.data(), cut}), "") << cut;
    EXPECT_EQ(md3_fault(byte_region{nullptr, 0}), "ERROR:This MD3 is shorter than its header.\n");
}

TEST(Md3Reader, LoadsThroughAFileWithTheLoadersTrace) {
    ossify_test::scratch_dir dir;
    std::vector<std::uint8_t> bytes = small_md3();
    dir.write("box.md3", bytes);
    std::vector<std::uint8_t> buffer(bytes.size() - 1); // one byte too small
    byte_region region{buffer.data(), buffer.size()};
    std::int32_t end = 0;
    std::string out = ossify_test::capture_stdout(
        [&] { end = load_md3(open_input("MD3SOURCE", dir.path("box.md3").c_str()), region); });
    EXPECT_EQ(end, -1);
    EXPECT_EQ(out, "Checking MD3 Header...ERROR:This MD3 is too large.\n");
    buffer.assign(2 * bytes.size(), 0);
    region = {buffer.data(), buffer.size()};
    out = ossify_test::capture_stdout(
        [&] { end = load_md3(open_input("MD3SOURCE", dir.path("box.md3").c_str()), region); });
    EXPECT_EQ(end, static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(out, "Checking MD3 Header...This MD3 seems to be valid.\nMD3 has been loaded.\n");
}

} // namespace
