// Mode 10's check of an MD3: nothing on the models mode 8 writes, one finding
// for each kind of damage done to a copy by hand.
#include <gtest/gtest.h>

#include <cstring>

#include "export/md3_layout.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// A flat quad in the xy plane and a closed tetrahedron beside it.
const std::string quad_and_tetra = mqo_document(
    material_chunk({material_line("skin")}) +
    object_chunk("quad", {"0 0 0", "10 0 0", "0 10 0", "10 10 0"},
                 {"3 V(0 1 2) M(0)", "3 V(1 3 2) M(0)"}) +
    object_chunk("tetra", {"20 0 0", "30 0 0", "20 10 0", "20 0 10"},
                 {"3 V(0 2 1) M(0)", "3 V(0 1 3) M(0)", "3 V(0 3 2) M(0)", "3 V(1 2 3) M(0)"}));

std::string mode8(scratch_dir& s, const std::string& mqo, const std::string& extra = "") {
    s.write("model.mqo", mqo);
    s.write("write.cfg", "MODE=8\nMQO=model.mqo\nMD3OUTNAME=model.md3\n" + extra);
    const run_result r = s.run({"-cfg", "write.cfg"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    return s.read("model.md3");
}

run_result check(scratch_dir& s, const std::string& md3) {
    s.write("checked.md3", md3);
    s.write("check.cfg", "MODE=10\nMD3SOURCE=checked.md3\n");
    return s.run({"-cfg", "check.cfg"});
}

std::int32_t i32_at(const std::string& file, offset_t at) {
    std::int32_t value = 0;
    std::memcpy(&value, file.data() + at, sizeof value);
    return value;
}

void put_f32_at(std::string& file, offset_t at, float value) {
    std::memcpy(file.data() + at, &value, sizeof value);
}

offset_t first_frame(const std::string& file) {
    return i32_at(file, md3_header::ofs_frames);
}

offset_t first_surface(const std::string& file) {
    return i32_at(file, md3_header::ofs_surfaces);
}

int count_of(const std::string& out, const std::string& text) {
    int count = 0;
    for (std::size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1))
        ++count;
    return count;
}

// The summary and ending of a check that found `findings` problems.
void expect_findings(const run_result& r, int findings) {
    const std::string summary = "check : File[1] Finding[" + std::to_string(findings) + "]\n";
    if (findings == 0) {
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_TRUE(r.out.ends_with(summary + all_done)) << r.out;
    } else {
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find(summary + "ERROR:The check found "), std::string::npos) << r.out;
    }
}

} // namespace

// What mode 8 writes passes: at every scale, turned or not, and the bundled
// real models made engine-ready.
TEST(Md3Checker, ModelsOfModeEightGiveNoFinding) {
    scratch_dir s;
    for (const char* extra : {"", "MD3SCALE=64\n", "UPAXIS=Y\nMD3SCALE=64\n"}) {
        SCOPED_TRACE(extra);
        const run_result r = check(s, mode8(s, quad_and_tetra, extra));
        expect_findings(r, 0);
        EXPECT_EQ(r.out.find("check_md3"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\n--- Loading MD3 ---\n\nChecking MD3 Header..."), std::string::npos)
            << r.out;
    }
    for (const char* file : {"materialex2_v11.mqo", "wild_dsan_bones.mqo"}) {
        SCOPED_TRACE(file);
        const std::string mqo = read_file(source_path(std::string("tests/mqo/data/") + file));
        const run_result r = check(s, mode8(s, mqo, "WHOLEMODEL=1\nMD3SCALE=64\n"));
        expect_findings(r, 0);
        EXPECT_EQ(r.out.find("check_md3"), std::string::npos) << r.out;
    }
}

// Each kind of damage is one finding naming the frame, surface or name.
TEST(Md3Checker, HandDamagedCopies) {
    scratch_dir s;
    const std::string sound = mode8(s, quad_and_tetra, "MD3SCALE=64\n");
    const offset_t frame = first_frame(sound);
    const offset_t quad = first_surface(sound);

    std::string shrunk = sound; // the box stops short of x = 30
    put_f32_at(shrunk, frame + md3_frame::bounds_max, 29.5f);
    run_result r = check(s, shrunk);
    expect_findings(r, 1);
    EXPECT_EQ(count_of(r.out, "check_md3 : File[checked.md3] Frame[0] Name[frame_0001] "
                              "Surface[1] Vertex[1]: 1 vertices lie outside the frame's bounds"),
              1)
        << r.out;

    std::string short_radius = sound;
    put_f32_at(short_radius, frame + md3_frame::radius, 1.0f);
    r = check(s, short_radius);
    expect_findings(r, 1);
    EXPECT_EQ(count_of(r.out, "Frame[0] Name[frame_0001] Radius[1.000000]: the farthest vertex"), 1)
        << r.out;

    // The quad lies flat: its normals are straight up or down; point them the
    // other way.
    std::string flipped = sound;
    const offset_t vertices = quad + i32_at(sound, quad + md3_surface::ofs_xyz_normals);
    for (offset_t v = 0; v < 4; ++v) {
        char& zenith = flipped[static_cast<std::size_t>(vertices + md3_surface::vertex_size * v +
                                                        md3_surface::vertex_normal)];
        zenith = static_cast<char>(127 - static_cast<unsigned char>(zenith));
    }
    r = check(s, flipped);
    expect_findings(r, 1);
    EXPECT_EQ(count_of(r.out, "Surface[0] Name[quad] Vertex[0]: 4 normals face away from the "
                              "triangles around their vertex"),
              1)
        << r.out;

    std::string long_names = sound;
    std::memset(long_names.data() + md3_header::name, 'm', md3_name_width);
    std::memset(long_names.data() + frame + md3_frame::name, 'f', md3_frame::name_width);
    std::memset(long_names.data() + quad + md3_surface::name, 'q', md3_name_width);
    r = check(s, long_names);
    expect_findings(r, 3);
    EXPECT_EQ(count_of(r.out, "check_md3 : File[checked.md3] Model: the name fills its field of "
                              "64 bytes"),
              1)
        << r.out;
    EXPECT_EQ(count_of(r.out, "Frame[0] Name[ffffffffffffffff]: the name fills its field of 16 "
                              "bytes without an end; the engine reads past it: shorten it to 15 "
                              "bytes"),
              1)
        << r.out;
    EXPECT_EQ(count_of(r.out, "Surface[0] Name[" + std::string(64, 'q') + "]: the name fills"), 1);
}

// The counts of the original engine's MD3 loader and the drawn-surface limits.
TEST(Md3Checker, LoaderAndSurfaceLimits) {
    scratch_dir s;
    std::string objects, tags;
    for (int o = 0; o < 33; ++o)
        objects += object_chunk("part" + std::to_string(o), {"0 0 0", "10 0 0", "0 10 0"},
                                {"3 V(0 1 2) M(0)"});
    for (int t = 0; t < 17; ++t)
        tags += object_chunk("tag:tag_" + std::to_string(t), {"0 0 5", "0 0 105", "-20 0 5"},
                             {"3 V(0 1 2) M(0)"});
    run_result r =
        check(s, mode8(s, mqo_document(material_chunk({material_line("skin")}) + objects + tags)));
    expect_findings(r, 2);
    EXPECT_EQ(count_of(r.out, "check_md3 : File[checked.md3] Surfaces[33]: more than 32; the "
                              "original engine refuses the model"),
              1)
        << r.out;
    EXPECT_EQ(count_of(r.out, "Tags[17]: more than 16; the original engine refuses the model"), 1);

    // A strip of 1,100 vertices and 1,098 triangles.
    std::vector<std::string> strip_vertices, strip_faces;
    for (int v = 0; v < 1100; ++v)
        strip_vertices.push_back(std::to_string(v / 2) + " " + std::to_string(v % 2) + " 0");
    for (int v = 0; v + 2 < 1100; ++v)
        strip_faces.push_back("3 V(" + std::to_string(v) + " " +
                              std::to_string(v % 2 == 0 ? v + 1 : v + 2) + " " +
                              std::to_string(v % 2 == 0 ? v + 2 : v + 1) + ") M(0)");
    r = check(s, mode8(s, mqo_document(material_chunk({material_line("skin")}) +
                                       object_chunk("strip", strip_vertices, strip_faces))));
    expect_findings(r, 1);
    EXPECT_EQ(count_of(r.out, "Surface[0] Name[strip] Vertex[1100]: more than 1024; the original "
                              "engine refuses the model (its successor takes up to 10000): split "
                              "the surface"),
              1)
        << r.out;
}
