// The MD3 and MDM writers on meshes built from small models. The character's
// MD3 and MDM are pinned by hash (and the MD3 read by an independent reader);
// these show the rules behind the bytes, and the refusals.
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "export/md3_layout.hpp"
#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// The mesh of one object "body": one triangle from `corner` to (1 0 0) and (1 1 0).
mqo_model body(const std::string& corner) {
    mqo_model m(
        mqo_document(material_chunk({material_line("skin")}) +
                     object_chunk("body", {corner, "1 0 0", "1 1 0"}, {"3 V(0 1 2) M(0)"})));
    EXPECT_GT(m.build_mesh(), 0);
    return m;
}

struct written {
    work_buffer file;
    std::int32_t size = 0;
    std::string out{};
};

written md3_of(const mqo_model& m, std::size_t size = 1 << 16) {
    written w{make_work_buffer(size)};
    w.out = capture_stdout(
        [&] { w.size = build_md3_from_mesh(m.mesh.region, w.file.region, "gfx/skin"); });
    return w;
}

} // namespace

TEST(Md3Writer, TruncatesPositionsAndEncodesNormals) {
    const written w = md3_of(body("12.9 -3.7 0.2"));
    const byte_region& r = w.file.region;
    EXPECT_EQ(get_i32(r, md3_header::ofs_tags), 164); // no tags: the surface follows the frame
    EXPECT_EQ(get_i32(r, md3_header::ofs_surfaces), 164);
    const offset_t s = 164;
    EXPECT_EQ(get_text(r, s + get_i32(r, s + md3_surface::ofs_shaders), 64), "gfx/skin");
    // Positions are truncated toward zero.
    const offset_t xyz = s + get_i32(r, s + md3_surface::ofs_xyz_normals);
    EXPECT_EQ(get_i16(r, xyz), 12);
    EXPECT_EQ(get_i16(r, xyz + 2), -3);
    EXPECT_EQ(get_i16(r, xyz + 4), 0);
    // Each angle / 6.28 * 255, truncated, keeps its low 8 bits.
    EXPECT_EQ(encode_md3_normal(1.57f, 0.5f), (63 << 8) | 20);
    EXPECT_EQ(encode_md3_normal(-0.1f, 0.0f) >> 8, 252);
    EXPECT_EQ(encode_md3_normal(0.0f, 0.0f), 0);
}

TEST(Md3Writer, Refusals) {
    const struct {
        std::string corner, message; // an empty name is explained on standard error
        bool unnamed = false;
        std::size_t size = 1 << 16;
    } cases[] = {
        {"40000 0 0", "Vertex[0] Position[40000.000000] is outside -32768..32767"},
        {"-32769 0 0", "Vertex[0] Position[-32769.000000] is outside -32768..32767"},
        {"0 0 0", "", true},
        {"0 0 0", "Surface Name[body] does not fit the MD3 buffer of 399 bytes", false, 399},
    };
    for (const auto& c : cases) {
        mqo_model m = body(c.corner);
        if (c.unnamed) put_text(m.mesh.region, m.object(0) + mesh_object::name, 64, "");
        const written w = md3_of(m, c.size);
        EXPECT_EQ(w.size, -1) << c.message;
        EXPECT_NE(w.out.find(c.message), std::string::npos) << w.out;
    }
    EXPECT_EQ(md3_of(body("0 0 0"), 400).size, 400); // the exact size fits
}

TEST(MdmWriter, RefusesASurfaceBeyondTheBuffer) {
    const mqo_model m = body("0 0 0");
    const work_buffer bones = make_work_buffer(1 << 16);
    written w{make_work_buffer(300)};
    w.out = capture_stdout(
        [&] { w.size = build_mdm_from_mesh(m.mesh.region, w.file.region, bones.region); });
    EXPECT_EQ(w.size, -1);
    EXPECT_NE(w.out.find("does not fit the MDM buffer of 300 bytes"), std::string::npos);
}
