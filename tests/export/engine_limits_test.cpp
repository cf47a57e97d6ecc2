// The engine-limit warnings on small synthetic files: each limit just inside
// (no warning) and just outside (one warning naming what passed it).
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

// An MDM header with `surfaces` bare surfaces (headers only) and `tags` bare tags.
struct synthetic_mdm {
    work_buffer file = make_work_buffer(1 << 16);
    synthetic_mdm(std::int32_t surfaces, std::int32_t tags) {
        byte_region& r = file.region;
        put_text(r, mdm_header::name, 64, "body.mdm");
        put_i32(r, mdm_header::num_surfaces, surfaces);
        put_i32(r, mdm_header::ofs_surfaces, static_cast<std::int32_t>(mdm_header::size));
        offset_t at = mdm_header::size;
        for (std::int32_t s = 0; s < surfaces; ++s, at += mdm_surface::size) {
            put_text(r, at + mdm_surface::name, 64, "body");
            put_i32(r, at + mdm_surface::ofs_end, static_cast<std::int32_t>(mdm_surface::size));
        }
        put_i32(r, mdm_header::num_tags, tags);
        put_i32(r, mdm_header::ofs_tags, static_cast<std::int32_t>(at));
        for (std::int32_t t = 0; t < tags; ++t, at += mdm_tag::size) {
            put_text(r, at + mdm_tag::name, 64, "tag");
            put_i32(r, at + mdm_tag::ofs_end, static_cast<std::int32_t>(mdm_tag::size));
        }
    }
    offset_t surface(int s) const { return mdm_header::size + mdm_surface::size * s; }
    int warn() const { return warn_mdm_engine_limits(file.region, "m.mdm"); }
};

// An MD3 of `surfaces` surfaces with one triangle and `vertices` vertices each, the
// vertices spread over `span` stored steps along x, and `tags` tags.
struct synthetic_md3 {
    work_buffer file = make_work_buffer(1 << 20);
    offset_t first = 0, each = 0;
    synthetic_md3(std::int32_t surfaces, std::int32_t tags, std::int32_t vertices = 3,
                  std::int32_t span = 100) {
        namespace ms = md3_surface;
        byte_region& r = file.region;
        put_text(r, md3_header::name, 64, "model");
        put_i32(r, md3_header::num_tags, tags);
        put_i32(r, md3_header::ofs_tags, static_cast<std::int32_t>(md3_header::size));
        for (std::int32_t t = 0; t < tags; ++t)
            put_text(r, md3_header::size + md3_tag::size * t + md3_tag::name, 64, "tag");
        offset_t at = md3_header::size + md3_tag::size * tags;
        put_i32(r, md3_header::num_surfaces, surfaces);
        put_i32(r, md3_header::ofs_surfaces, static_cast<std::int32_t>(at));
        const offset_t size = ms::size + ms::vertex_size * vertices;
        first = at;
        each = size;
        for (std::int32_t s = 0; s < surfaces; ++s, at += size) {
            put_text(r, at + ms::name, 64, "body");
            put_i32(r, at + ms::num_verts, vertices);
            put_i32(r, at + ms::num_triangles, 1);
            put_i32(r, at + ms::ofs_xyz_normals, static_cast<std::int32_t>(ms::size));
            put_i32(r, at + ms::ofs_shaders, static_cast<std::int32_t>(size));
            put_i32(r, at + ms::ofs_end, static_cast<std::int32_t>(size));
            put_i16(r, at + ms::size + ms::vertex_size * (vertices - 1),
                    static_cast<std::int16_t>(span));
        }
    }
    offset_t surface(int s) const { return first + each * s; }
    int warn() const { return warn_md3_engine_limits(file.region, "m.md3"); }
};

} // namespace

TEST(EngineLimits, MdmCountsJustInsideAndJustOutside) {
    const struct {
        std::function<int(std::int32_t)> warn;
        std::int32_t limit;
        std::string message;
    } cases[] = {
        {[](std::int32_t n) { return synthetic_mdm(n, 0).warn(); }, lim::mdm_surfaces,
         "the MDM has 33 surfaces; the engine takes at most 32"},
        {[](std::int32_t n) { return synthetic_mdm(1, n).warn(); }, lim::mdm_tags,
         "the MDM has 129 tags; the engine takes at most 128"},
        {[](std::int32_t n) {
             synthetic_mdm m(1, 0);
             put_i32(m.file.region, m.surface(0) + mdm_surface::num_verts, n);
             return m.warn();
         },
         lim::surface_vertices, "surface \"body\" has 1025 vertices"},
        {[](std::int32_t n) {
             synthetic_mdm m(1, 0);
             put_i32(m.file.region, m.surface(0) + mdm_surface::num_triangles, n);
             return m.warn();
         },
         lim::surface_triangles, "surface \"body\" has 2050 triangles"},
        {[](std::int32_t n) { return synthetic_md3(n, 0).warn(); }, lim::md3_surfaces,
         "the MD3 has 33 surfaces"},
        {[](std::int32_t n) { return synthetic_md3(1, n).warn(); }, lim::md3_tags,
         "the MD3 has 17 tags; the engine takes at most 16"},
        {[](std::int32_t n) { return synthetic_md3(1, 0, n).warn(); }, lim::surface_vertices,
         "surface \"body\" has 1025 vertices"},
        {[](std::int32_t n) {
             synthetic_md3 m(1, 0);
             put_i32(m.file.region, m.surface(0) + md3_surface::num_triangles, n);
             return m.warn();
         },
         lim::surface_triangles, "surface \"body\" has 2050 triangles"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(check([&] { return c.warn(c.limit); }).count, 0) << c.message;
        const warned outside = check([&] { return c.warn(c.limit + 1); });
        EXPECT_EQ(outside.count, 1) << outside.err;
        EXPECT_NE(outside.err.find(c.message), std::string::npos) << outside.err;
        EXPECT_NE(outside.err.find("refuses the whole model"), std::string::npos);
    }
    // The format's own per-surface limits of an MD3 come on top of the batch limits.
    for (const std::int32_t n : {lim::md3_surface_vertices, lim::md3_surface_vertices + 1})
        EXPECT_EQ(synthetic_md3(1, 0, n).warn(), n > lim::md3_surface_vertices ? 2 : 1);
    synthetic_md3 m(1, 0);
    put_i32(m.file.region, m.surface(0) + md3_surface::num_triangles, lim::md3_surface_triangles);
    EXPECT_EQ(m.warn(), 1);
    put_i32(m.file.region, m.surface(0) + md3_surface::num_triangles,
            lim::md3_surface_triangles + 1);
    EXPECT_EQ(m.warn(), 2);
}

TEST(EngineLimits, NamesEmptySurfacesAndTinyMd3s) {
    // A 63-byte name keeps its NUL; 64 bytes fill the field.
    for (const bool mdm : {true, false}) {
        synthetic_mdm a(1, 0);
        synthetic_md3 b(1, 0);
        byte_region& r = mdm ? a.file.region : b.file.region;
        const offset_t name = mdm ? a.surface(0) + mdm_surface::name : b.surface(0) + 4;
        const auto warn = [&] { return mdm ? a.warn() : b.warn(); };
        put_text(r, name, 64, std::string(63, 'n').c_str());
        EXPECT_EQ(check(warn).count, 0);
        put_chars(r, name, std::string(64, 'n'));
        const warned w = check(warn);
        EXPECT_EQ(w.count, 1);
        EXPECT_NE(w.err.find("has a name of 64 bytes; the engine takes at most 63"),
                  std::string::npos)
            << w.err;
    }
    synthetic_md3 empty(1, 0);
    put_i32(empty.file.region, empty.surface(0) + md3_surface::num_triangles, 0);
    const warned w = check([&] { return empty.warn(); });
    EXPECT_EQ(w.count, 1);
    EXPECT_NE(w.err.find("surface \"body\" has no triangles"), std::string::npos) << w.err;
    // 64 stored steps are one engine unit.
    EXPECT_EQ(synthetic_md3(1, 0, 3, 64).warn(), 0);
    const warned tiny = check([] { return synthetic_md3(1, 0, 3, 63).warn(); });
    EXPECT_EQ(tiny.count, 1);
    EXPECT_NE(tiny.err.find("spans 63 stored steps, less than one engine unit"), std::string::npos);
    EXPECT_NE(tiny.err.find("MD3SCALE=64"), std::string::npos);
}
