// The whole model's preview: one material a surface named after its shader,
// with the material's image embedded when its PNG or JPEG file is found beside
// the model, and only then.
#include <gtest/gtest.h>

#include "preview/gltf_readback.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify_test;

namespace {

// A PNG of one pixel.
const std::string one_pixel_png(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00"
    "\x00\x01\x08\x02\x00\x00\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63"
    "\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9\xfe\x92\xef\x00\x00\x00\x00\x49\x45\x4e\x44\xae"
    "\x42\x60\x82",
    69);

const std::string three_materials = mqo_document(
    material_chunk({material_line("cloth", "C:\\art\\cloth.png"), material_line("skin", "skin.tga"),
                    material_line("hair", "hair.png")}) +
    object_chunk("body", {"0 0 0", "10 0 0", "0 10 0", "10 10 0", "20 20 0"},
                 {"3 V(0 1 2) M(0)", "3 V(1 3 2) M(1)", "3 V(1 4 3) M(2)"}));

} // namespace

TEST(PreviewMaterials, OneMaterialASurfaceWithImagesFoundBesideTheModel) {
    scratch_dir s;
    s.write("art/model.mqo", three_materials);
    s.write("art/cloth.png", one_pixel_png);       // beside the model, by its file name
    s.write("art/skin.tga", std::string(40, 'x')); // found, but no image glTF holds
    {
        s.write("ossify.cfg", "MODE=8"
                              "\nMQO=art/model.mqo\nMD3OUTNAME=model.md3\nWHOLEMODEL=1\n"
                              "SHADERPREFIX=models/x/\nPREVIEW=model.glb\n");
        const run_result r = s.run();
        ASSERT_EQ(r.status, 1) << r.out << r.err;
        const std::string glb = s.read("model.glb");
        const gltf_file file(std::vector<std::uint8_t>(glb.begin(), glb.end()));
        ASSERT_TRUE(file.loaded) << file.error;
        const tinygltf::Model& m = file.model;
        ASSERT_EQ(m.materials.size(), 3u);
        EXPECT_EQ(m.materials[0].name, "models/x/cloth.png");
        EXPECT_EQ(m.materials[1].name, "models/x/skin.tga");
        EXPECT_EQ(m.materials[2].name, "models/x/hair.png");
        ASSERT_EQ(m.images.size(), 1u);
        EXPECT_EQ(m.images[0].mimeType, "image/png");
        const tinygltf::BufferView& view =
            m.bufferViews[static_cast<std::size_t>(m.images[0].bufferView)];
        EXPECT_EQ(
            std::string(m.buffers[0].data.begin() + static_cast<std::ptrdiff_t>(view.byteOffset),
                        m.buffers[0].data.begin() +
                            static_cast<std::ptrdiff_t>(view.byteOffset + view.byteLength)),
            one_pixel_png);
        EXPECT_EQ(m.materials[0].pbrMetallicRoughness.baseColorTexture.index, 0);
        EXPECT_EQ(m.materials[1].pbrMetallicRoughness.baseColorTexture.index, -1);
        EXPECT_EQ(m.materials[2].pbrMetallicRoughness.baseColorTexture.index, -1);
        EXPECT_NE(r.err.find("no image on \"models/x/skin.tga\": glTF holds PNG and JPEG images "
                             "only"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("no image on \"models/x/hair.png\": its texture file is not found"),
                  std::string::npos)
            << r.err;
    }
}
