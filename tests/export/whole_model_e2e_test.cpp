// WHOLEMODEL=1 end to end: the real files and hand-made models convert whole
// and their MD3s load in an independent reader; a model the key has nothing to
// add to converts byte for byte as without it; the plain conversion says on
// standard error what it left out.
#include <gtest/gtest.h>

#include "support/md3_counts.hpp"
#include "support/md3_file.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;

namespace {

run_result run_mode8(const scratch_dir& s, const std::string& mqo_path, bool whole,
                     const std::string& extra = "") {
    s.write("ossify.cfg", "MODE=8\nMQO=" + mqo_path + "\nMD3OUTNAME=model.md3\n" +
                              (whole ? "WHOLEMODEL=1\n" : "") + extra);
    return s.run();
}

// Ten units a side, so that whole-number positions keep every triangle.
const std::string hand_made =
    mqo_document(material_chunk({material_line("skin")}) +
                 "Object \"hex\" {\n\tmirror 2\n\tmirror_axis 5\n\tvertex 6 {\n\t\t0 0 0\n\t\t40 0 "
                 "10\n\t\t40 40 10\n\t\t20 10 5\n\t\t0 40 0\n\t\t10 20 0\n\t}\n\tface 2 {\n\t\t6 "
                 "V(0 1 2 3 4 5)\n\t\t2 V(0 1)\n\t}\n}\n" +
                 "Object \"hidden\" {\n\tvisible 0\n\tvertex 3 {\n\t\t0 0 0\n\t\t9 0 "
                 "0\n\t\t0 9 0\n\t}\n\tface 1 {\n\t\t3 V(0 1 2) M(0)\n\t}\n}\n");

} // namespace

// At the engine's scale (MD3SCALE=64) no triangle's corners merge into one
// whole-number point, so the reader must find every triangle the tool wrote.
TEST(WholeModel, Md3FilesLoadInAnIndependentReader) {
    const struct {
        std::string file;
        int triangles; // written by the tool
    } models[] = {
        {"autocsg_sample_v11_ngons.mqo", 970},
        {"d-chan2_anchors_mirror.mqo", 800},
        {"materialex2_v11.mqo", 12},
        {"wild_dsan_bones.mqo", 3368},
        {"", 4 * 4}, // the hand-made hexagon: 4 triangles and three mirrored copies
    };
    for (const auto& m : models) {
        SCOPED_TRACE(m.file);
        scratch_dir s;
        std::string path = source_path("tests/mqo/data/" + m.file).string();
        if (m.file.empty()) {
            s.write("model.mqo", hand_made);
            path = "model.mqo";
        }
        const run_result r = run_mode8(s, path, true, "MD3SCALE=64\n");
        ASSERT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_EQ(md3_triangles(r.out), m.triangles);
        if (has_assimp()) {
            EXPECT_EQ(assimp_faces(s), m.triangles);
        }
    }
}

// A model of visible, unmirrored triangles with materials and no "sdef:"
// object: the same model and skeleton are read, and the same triangles at the
// same positions are written, now one surface a material, each with the
// shader of its material.
TEST(WholeModel, KeepsTheTrianglesOfAModelOfTriangles) {
    for (const char* cfg : {"character-md3.cfg", "character-mdm.cfg"}) {
        SCOPED_TRACE(cfg);
        scratch_dir plain, whole;
        for (const scratch_dir* s : {&plain, &whole})
            for (const char* f : {"character.mqo", "character-tags.mdm", cfg})
                s->write(f, read_file(source_path(std::string("examples/") + f)));
        whole.write(cfg, read_file(source_path(std::string("examples/") + cfg)) + "WHOLEMODEL=1\n");
        const run_result a = plain.run({"-cfg", cfg}), b = whole.run({"-cfg", cfg});
        EXPECT_EQ(a.status, 1);
        EXPECT_EQ(a.status, b.status);
        EXPECT_EQ(a.err, "");
        for (const std::string f : {"test.mqoobj", "test.bone"}) {
            EXPECT_EQ(plain.exists(f), whole.exists(f)) << f;
            EXPECT_EQ(plain.read(f), whole.read(f)) << f;
        }
        if (std::string(cfg) == "character-md3.cfg") {
            const md3_data p = read_md3(plain.read("character.md3"));
            const md3_data w = read_md3(whole.read("character.md3"));
            EXPECT_EQ(md3_triangle_set(p, false), md3_triangle_set(w, false));
            EXPECT_EQ(p.surfaces.size(), 3u);
            ASSERT_EQ(w.surfaces.size(), 7u);
            EXPECT_EQ(w.surfaces[0].name, "body_skin");
            for (const md3_surface_data& s : w.surfaces)
                EXPECT_EQ(s.shaders.size(), 1u) << s.name;
        }
    }
}

// Standard output stays as it was; standard error names what was left out and
// the key that converts it.
TEST(LeftOut, PlainConversionSaysWhatItSkipped) {
    const struct {
        std::string model;
        int status;
        std::vector<std::string> err;
    } cases[] = {
        {read_file(source_path("tests/mqo/data/materialex2_v11.mqo")),
         1,
         {"left out : Object[obj1] 6 faces of 4 corners, 0 lines skipped\n",
          "left out : 6 of 6 polygons were not exported; WHOLEMODEL=1 exports them\n"}},
        {read_file(source_path("tests/mqo/data/wild_dsan_bones.mqo")),
         1,
         {"left out : Object[sdef:DSan] not built (its name begins with \"sdef:\"): 1700 faces\n",
          "left out : Object[anchor|DSan] is hidden in the modeller but exported\n",
          "left out : 1788 of 1788 polygons were not exported"}},
        {hand_made,
         0,
         {"left out : WHOLEMODEL=1 converts models with faces of more than 4 corners\n"}},
        {mqo_document(material_chunk({material_line("skin")}) +
                      "Object \"half\" {\n\tmirror 1\n\tmirror_axis 5\n\tvertex 3 {\n\t\t0 0 "
                      "0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n\tface 2 {\n\t\t3 V(0 1 2) M(0)\n\t\t2 "
                      "V(0 1)\n\t}\n}\n"),
         1,
         {"left out : Object[half] 0 faces of 4 corners, 1 lines skipped\n",
          "left out : Object[half] mirrored half (xz) not made\n"}},
        {mqo_document(material_chunk({material_line("skin")}) +
                      object_chunk("o", {"0 0 0", "1 0 0", "0 1 0"}, {"3 V(0 1 2)"})),
         0,
         {"left out : WHOLEMODEL=1 converts models with faces without a material\n"}},
        {mqo_document(object_chunk("o", {}, {})),
         0,
         {"left out : WHOLEMODEL=1 converts models with empty vertex and face lists\n"}},
    };
    for (const auto& c : cases) {
        scratch_dir s;
        s.write("model.mqo", c.model);
        const run_result r = run_mode8(s, "model.mqo", false);
        EXPECT_EQ(r.status, c.status);
        for (const std::string& line : c.err)
            EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("left out"), std::string::npos);
    }
}
