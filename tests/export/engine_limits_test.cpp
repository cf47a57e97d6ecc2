// The engine-limit warnings on small synthetic files: each limit just inside
// (no warning) and just outside (one warning naming what passed it).
#include <array>
#include <functional>
#include <gtest/gtest.h>

#include "base/work_buffer.hpp"
#include "export/engine_limits.hpp"
#include "export/md3_layout.hpp"
#include "skeletal/skeletal_layout.hpp"

using namespace ossify;
namespace lim = engine_limits;

namespace {

struct warned {
    int count;
    std::string err;
};

warned check(const std::function<int()>& warn) {
    testing::internal::CaptureStderr();
    const int count = warn();
    return {count, testing::internal::GetCapturedStderr()};
}

// A bare MDM or MD3 with `n` = {surfaces, tags, vertices, triangles}: surfaces
// named "body", an MD3's vertices spread over `span` stored steps along x.
struct synthetic {
    bool md3;
    work_buffer file = make_work_buffer(1 << 20);
    offset_t first = 0, each = 0;

    synthetic(bool md3_file, std::array<std::int32_t, 4> n, std::int32_t span = 100)
        : md3(md3_file) {
        namespace ms = md3_surface;
        byte_region& r = file.region;
        const offset_t header = md3 ? md3_header::size : mdm_header::size;
        const offset_t tag_size = md3 ? md3_tag::size : mdm_tag::size;
        each = md3 ? ms::size + ms::vertex_size * n[2] : mdm_surface::size;
        first = md3 ? header + tag_size * n[1] : header;
        const offset_t tags = md3 ? header : header + each * n[0];
        put_text(r, 0, 64, "model");
        put_i32(r, md3 ? md3_header::num_surfaces : mdm_header::num_surfaces, n[0]);
        put_i32(r, md3 ? md3_header::ofs_surfaces : mdm_header::ofs_surfaces, std::int32_t(first));
        put_i32(r, md3 ? md3_header::num_tags : mdm_header::num_tags, n[1]);
        put_i32(r, md3 ? md3_header::ofs_tags : mdm_header::ofs_tags, std::int32_t(tags));
        for (std::int32_t t = 0; t < n[1]; ++t) {
            put_text(r, tags + tag_size * t, 64, "tag");
            if (!md3) put_i32(r, tags + tag_size * t + mdm_tag::ofs_end, std::int32_t(tag_size));
        }
        for (std::int32_t s = 0; s < n[0]; ++s) {
            const offset_t at = surface(s);
            put_text(r, at + (md3 ? ms::name : mdm_surface::name), 64, "body");
            put_i32(r, at + (md3 ? ms::num_verts : mdm_surface::num_verts), n[2]);
            put_i32(r, at + (md3 ? ms::num_triangles : mdm_surface::num_triangles), n[3]);
            put_i32(r, at + (md3 ? ms::ofs_end : mdm_surface::ofs_end), std::int32_t(each));
            if (!md3) continue;
            put_i32(r, at + ms::ofs_xyz_normals, std::int32_t(ms::size));
            put_i32(r, at + ms::ofs_shaders, std::int32_t(each));
            put_i16(r, at + ms::size + ms::vertex_size * (n[2] - 1), std::int16_t(span));
        }
    }
    offset_t surface(int s) const { return first + each * s; }
    int warn() const {
        return md3 ? warn_md3_engine_limits(file.region, "m.md3")
                   : warn_mdm_engine_limits(file.region, "m.mdm");
    }
};

} // namespace

// Counts of surfaces, tags, vertices and triangles; an MD3's own per-surface
// limits come on top of the batch limits.
TEST(EngineLimits, CountsJustInsideAndJustOutside) {
    const struct {
        bool md3;
        std::size_t which; // of {surfaces, tags, vertices, triangles}
        std::int32_t limit;
        int already; // warnings at the limit
        std::string message;
    } cases[] = {
        {false, 0, lim::mdm_surfaces, 0, "the MDM has 33 surfaces; the engine takes at most 32"},
        {false, 1, lim::mdm_tags, 0, "the MDM has 129 tags; the engine takes at most 128"},
        {false, 2, lim::surface_vertices, 0, "surface \"body\" has 1025 vertices"},
        {false, 3, lim::surface_triangles, 0, "surface \"body\" has 2050 triangles"},
        {true, 0, lim::md3_surfaces, 0, "the MD3 has 33 surfaces"},
        {true, 1, lim::md3_tags, 0, "the MD3 has 17 tags; the engine takes at most 16"},
        {true, 2, lim::surface_vertices, 0, "surface \"body\" has 1025 vertices"},
        {true, 3, lim::surface_triangles, 0, "surface \"body\" has 2050 triangles"},
        {true, 2, lim::md3_surface_vertices, 1, "surface \"body\" has 4097 vertices"},
        {true, 3, lim::md3_surface_triangles, 1, "surface \"body\" has 8193 triangles"},
    };
    for (const auto& c : cases)
        for (const std::int32_t n : {c.limit, c.limit + 1}) {
            SCOPED_TRACE(testing::Message() << c.message << " at " << n);
            std::array<std::int32_t, 4> counts = {1, 0, 3, 1};
            counts[c.which] = n;
            const warned w = check([&] { return synthetic(c.md3, counts).warn(); });
            EXPECT_EQ(w.count, c.already + (n > c.limit)) << w.err;
            EXPECT_EQ(w.err.find(c.message) != std::string::npos, n > c.limit) << w.err;
            EXPECT_TRUE(n == c.limit || w.err.find("refuses the whole model") != std::string::npos);
        }
}

TEST(EngineLimits, NamesEmptySurfacesAndTinyMd3s) {
    // A 63-byte name keeps its NUL; 64 bytes fill the field.
    for (const bool md3 : {false, true}) {
        synthetic m(md3, {1, 0, 3, 1});
        const offset_t name = m.surface(0) + (md3 ? md3_surface::name : mdm_surface::name);
        put_text(m.file.region, name, 64, std::string(63, 'n').c_str());
        EXPECT_EQ(check([&] { return m.warn(); }).count, 0);
        put_chars(m.file.region, name, std::string(64, 'n'));
        const warned w = check([&] { return m.warn(); });
        EXPECT_EQ(w.count, 1);
        EXPECT_NE(w.err.find("has a name of 64 bytes; the engine takes at most 63"),
                  std::string::npos)
            << w.err;
    }
    const warned empty = check([] { return synthetic(true, {1, 0, 3, 0}).warn(); });
    EXPECT_EQ(empty.count, 1);
    EXPECT_NE(empty.err.find("surface \"body\" has no triangles"), std::string::npos) << empty.err;
    // 64 stored steps are one engine unit.
    EXPECT_EQ(synthetic(true, {1, 0, 3, 1}, 64).warn(), 0);
    const warned tiny = check([] { return synthetic(true, {1, 0, 3, 1}, 63).warn(); });
    EXPECT_EQ(tiny.count, 1);
    EXPECT_NE(tiny.err.find("spans 63 stored steps, less than one engine unit"), std::string::npos);
    EXPECT_NE(tiny.err.find("MD3SCALE=64"), std::string::npos);
}
