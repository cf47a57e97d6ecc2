// Saving a preview: the model built, encoded, saved with the tool's one file
// writer, and one line saying what it holds. What the preview had to leave out
// or change is said on standard error.
#include <cstdio>

#include "base/file_io.hpp"
#include "preview/preview.hpp"
#include "preview/preview_model.hpp"

namespace ossify {

namespace {

void explain_changes(const preview_model& model) {
    if (model.vertices_over_four_weights > 0)
        std::fprintf(stderr,
                     "ossify: the preview keeps the four largest weights of %d vertices with "
                     "more, renormalised.\n",
                     model.vertices_over_four_weights);
    if (model.weights_off_skeleton > 0)
        std::fprintf(stderr,
                     "ossify: the preview leaves out %d weights that name no bone of the "
                     "skeleton.\n",
                     model.weights_off_skeleton);
    if (model.triangles_left_out > 0)
        std::fprintf(stderr,
                     "ossify: the preview leaves out %d triangles with a corner outside their "
                     "surface.\n",
                     model.triangles_left_out);
    if (model.triangles_stray > 0)
        std::fprintf(stderr,
                     "ossify: the preview leaves out %d triangles that the engine draws at this "
                     "level with a corner read from another surface's collapse entries.\n",
                     model.triangles_stray);
}

std::int32_t save_preview(const preview_model& model, const char* path) {
    std::vector<std::uint8_t> glb = encode_glb(model);
    if (glb.empty()) {
        std::printf("ERROR:Failed to encode the preview.\n");
        return -1;
    }
    const byte_region region{glb.data(), glb.size()};
    if (save_file(path, region, static_cast<std::int64_t>(glb.size())) < 0) return -1;
    std::size_t vertices = 0, triangles = 0;
    for (const preview_surface& surface : model.surfaces) {
        vertices += surface.vertices.size();
        triangles += surface.triangles.size();
    }
    std::printf("write_preview : File[%s] Vertex[%zu] Triangle[%zu] Joint[%zu] Tag[%zu] "
                "Frame[%zu]\n",
                path, vertices, triangles, model.joints.size(), model.tags.size(),
                model.joints.empty() ? std::size_t{1} : model.frames.size());
    explain_changes(model);
    return static_cast<std::int32_t>(glb.size());
}

} // namespace

std::int32_t write_mds_preview(const byte_region& mds, std::int32_t bind_frame, const char* path) {
    preview_model model;
    if (!preview_of_mds(mds, bind_frame, model)) return -1;
    return save_preview(model, path);
}

std::int32_t write_mdm_preview(const byte_region& mdm, const byte_region& mdx,
                               std::int32_t bind_frame, const char* path,
                               const preview_images& images, std::int32_t lod_percent) {
    preview_model model;
    model.images = images;
    if (!preview_of_mdm_on_mdx(mdm, mdx, bind_frame, model, lod_percent)) return -1;
    return save_preview(model, path);
}

std::int32_t write_md3_preview(const byte_region& md3, const char* path,
                               const preview_images& images) {
    preview_model model;
    model.images = images;
    if (!preview_of_md3(md3, model)) return -1;
    return save_preview(model, path);
}

} // namespace ossify
