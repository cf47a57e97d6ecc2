// The loaders: header checks in their order, the end-offset refusals, and the
// structural validation that lets the operations trust a loaded file.
#include <gtest/gtest.h>

#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

mds_desc with_bones(int regular, int tags) {
    mds_desc s;
    for (int b = 0; b < regular + tags; ++b)
        s.bones.push_back({"b" + std::to_string(b), b - 1, 0, 1, b < regular ? 0 : 1});
    s.frames.resize(1);
    return s;
}

} // namespace

TEST(LoadSkeletal, AcceptsFilesUpToTheirLimits) {
    const bytes file = build_mds(sample_mds_desc());
    const placed_file p = place_mds(file);
    EXPECT_EQ(p.out, mds_valid);
    EXPECT_EQ(p.end, static_cast<std::int32_t>(file.size()));
    bytes longer = file; // bytes beyond the end offset are not the file's business
    longer.resize(file.size() + 100, 0xEE);
    EXPECT_EQ(place_mds(longer).out, mds_valid);
    EXPECT_EQ(place_mds(build_mds(with_bones(127, 1))).out, mds_valid);
    bytes mdm = build_mdm({});
    mdm.resize(1'000'000);
    patch_i32(mdm, mdm_header::ofs_end, 1'000'000); // the end may equal the buffer
    const placed_file exact = place_mdm(mdm);
    EXPECT_EQ(exact.end, 1'000'000);
    EXPECT_EQ(exact.out, mdm_valid);
    mdx_desc still = reference_mdx_desc(); // an MDX needs no frames
    still.frames.clear();
    EXPECT_EQ(place_mdx(build_mdx(still)).out, mdx_valid);
}

// Each damaged file gets its own line after "Checking MDS Header...", and -1.
// Each damaged file gets its own line after "Checking MDS Header...", and -1.
TEST(LoadMds, RefusesDamagedFiles) {
    namespace sf = mds_surface;
    const bytes f = build_mds(sample_mds_desc());
    const offset_t bones = read_i32(f, mds_header::ofs_bones);
    const offset_t s = read_i32(f, mds_header::ofs_surfaces);
    const auto parent = [&](int b) {
        return bones + mds_bone_info::size * b + mds_bone_info::parent;
    };
    mds_desc weight = sample_mds_desc(), reference = sample_mds_desc();
    weight.surfaces[1].vertices[1].weights[1].bone = 7;
    reference.surfaces[0].bone_refs[3] = -1;
    const struct {
        bytes file;
        const char* line;
    } cases[] = {
        // The header checks in their order: a wrong identification hides the version.
        {patched(f, {{mds_header::ident, 0}, {mds_header::version, 3}}),
         "This MDS seems to be wrong file."},
        {patched(f, {{mds_header::version, 3}, {mds_header::ofs_end, 20'000'000}}),
         "This MDS version is not supported."},
        {patched(f, {{mds_header::ofs_end, 10'000'001}, {mds_header::num_frames, 0}}),
         "This MDS is too large."},
        {patched(f, {{mds_header::num_frames, 0}, {mds_header::ofs_end, -5}}),
         "This MDS has no animation data."},
        {patched(f, {{mds_header::ofs_end, 119}}),
         "This MDS end offset is smaller than its header."},
        {bytes(f.begin(), f.end() - 1), "This MDS is shorter than its header says."},
        // The structure.
        {build_mds(with_bones(120, 9)), "This MDS has 129 bones; at most 128 are supported."},
        {build_mds(with_bones(128, 0)),
         "This MDS has 128 regular bones; at most 127 are supported."},
        {patched(f, {{parent(2), -1}}), "MDS tag bone 2 has no parent."},
        {patched(f, {{parent(0), 1}}), "The parents of MDS tag bone 2 run into a cycle."},
        {patched(f, {{parent(4), 7}}),
         "MDS bone 4 has the parent 7, which is not one of its bones."},
        {patched(f, {{parent(4), -2}}),
         "MDS bone 4 has the parent -2, which is not one of its bones."},
        {build_mds(weight), "MDS surface 1 names the bone 7, which is not one of its bones."},
        {build_mds(reference), "MDS surface 0 names the bone -1, which is not one of its bones."},
        {patched(f, {{mds_header::ofs_bones, static_cast<std::int32_t>(f.size()) - 79}}),
         "The bone infos of this MDS lie outside the file."},
        {patched(f, {{mds_header::num_frames, 1000}}),
         "The frames of this MDS lie outside the file."},
        {patched(f, {{mds_header::num_surfaces, 3}}), "MDS surface 2 lies outside the file."},
        {patched(f, {{mds_header::num_surfaces, -1}}),
         "The surfaces of this MDS lie outside the file."},
        {patched(f, {{s + sf::num_verts, 1'000'000}}),
         "The vertices of MDS surface 0 run past the file."},
        {patched(f, {{s + sf::size + mds_vertex::num_weights, -3}}),
         "The vertices of MDS surface 0 run past the file."},
        {patched(f, {{s + sf::num_triangles, -1}}), "MDS surface 0 has a negative count."},
        {patched(f, {{s + sf::num_bone_refs, 400}}),
         "The triangles, collapse map or bone references of MDS surface 0 run past the "
         "file."},
        {patched(f, {{s + sf::ofs_collapse_map, read_i32(f, s + sf::ofs_bone_refs) + 4}}),
         "MDS surface 0 has its bone references before its collapse map."},
        {patched(f, {{s + sf::ofs_end, 0x7fffffff}}),
         "MDS surface 0 has an offset outside the file."},
    };
    for (const auto& c : cases) {
        const placed_file p = place_mds(c.file);
        EXPECT_EQ(p.out, std::string("Checking MDS Header...ERROR:") + c.line + "\n");
        EXPECT_EQ(p.end, -1) << c.line;
    }
}

TEST(LoadMdmAndMdx, RefuseDamagedFiles) {
    const bytes mdm = build_mdm(reference_mdm_desc()), mdx = build_mdx(reference_mdx_desc());
    const offset_t s = mdm_header::size, tag = read_i32(mdm, mdm_header::ofs_tags);
    const std::int32_t surface_end = read_i32(mdm, s + mdm_surface::ofs_end);
    const std::string arrays = "The triangles, collapse map or bone references of MDM "
                               "surface 0 run past the surface.";
    const struct {
        bool is_mdm;
        offset_t at;
        std::int32_t value;
        std::string line;
    } cases[] = {
        {true, mdm_header::ident, 0, "This seems to be wrong MDM file."},
        {true, mdm_header::version, 4, "This MDM version is not supported."},
        {true, mdm_header::ofs_end, 1'000'001, "This MDM is too large."},
        {true, mdm_header::num_surfaces, 2, "MDM surface 1 lies outside the file."},
        {true, s + mdm_surface::ofs_end, 100, "MDM surface 0 lies outside the file."},
        {true, s + mdm_surface::num_verts, 50,
         "The vertices of MDM surface 0 run past the surface."},
        {true, s + mdm_surface::ofs_triangles, -200, arrays},
        // Arrays stay inside their own surface even where the file goes on: arrays
        // shared by many surfaces would make a small file walk millions of vertices.
        {true, s + mdm_surface::ofs_bone_refs, surface_end, arrays},
        {true, mdm_header::ofs_tags, 5000, "The tags of this MDM lie outside the file."},
        {true, mdm_header::num_tags, 4, "MDM tag 3 lies outside the file."},
        // Tags and surfaces behind the header, arrays behind their surface's header.
        {true, mdm_header::ofs_tags, 60, "The tags of this MDM lie outside the file."},
        {true, mdm_header::ofs_surfaces, 0, "The surfaces of this MDM lie outside the file."},
        {true, s + mdm_surface::ofs_verts, 100,
         "The vertices of MDM surface 0 run past the surface."},
        {true, tag + mdm_tag::num_bone_refs, 200, "The bone list of MDM tag 0 runs past the tag."},
        {false, mdx_header::ident, 0, "This seems to be wrong MDX file."},
        {false, mdx_header::version, 3, "This MDX version is not supported."},
        {false, mdx_header::ofs_end, 10'000'001, "This MDX is too large."},
        {false, mdx_header::ofs_end, 95, "This MDX end offset is smaller than its header."},
        {false, mdx_header::num_bones, 0x7fffffff,
         "The bone infos of this MDX lie outside the file."},
        {false, mdx_header::num_frames, 10, "The frames of this MDX lie outside the file."},
        {false, mdx_header::ofs_frames, -4, "The frames of this MDX lie outside the file."},
        // Bone infos or frames over the header: replacing or rescaling them in place
        // would rewrite the counts (a fuzzed file turned its frame count into a float
        // and rescaled for minutes).
        {false, mdx_header::ofs_bones, 5, "The bone infos of this MDX lie outside the file."},
        {false, mdx_header::ofs_frames, 40, "The frames of this MDX lie outside the file."},
    };
    for (const auto& c : cases) {
        const bytes file = patched(c.is_mdm ? mdm : mdx, {{c.at, c.value}});
        const placed_file p = c.is_mdm ? place_mdm(file) : place_mdx(file);
        EXPECT_EQ(p.out,
                  (c.is_mdm ? "Checking MDM Header...ERROR:" : "Checking MDX Header...ERROR:") +
                      c.line + "\n");
        EXPECT_EQ(p.end, -1) << c.line;
    }
}
