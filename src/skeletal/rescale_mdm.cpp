// Rescaling an MDM: weight offsets and tag offsets.
#include <cstdio>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

void scale_vec3(byte_region& region, offset_t at, float factor) {
    for (offset_t element : {offset_t{0}, vec3_y, vec3_z})
        scale_f32(region, at + element, factor);
}

} // namespace

int rescale_mdm(byte_region& mdm, std::int32_t percent) {
    const auto factor = static_cast<float>(percent / 100.0);
    const mdm_info info = read_mdm_info(mdm);
    std::printf("%d\n", info.num_surfaces);
    std::int32_t weights_scaled = 0;
    offset_t surface = info.ofs_surfaces;
    for (int s = 0; s < info.num_surfaces; ++s) {
        const std::int32_t num_verts = get_i32(mdm, surface + mdm_surface::num_verts);
        std::printf("%d:%d:%d\n", s, weights_scaled, num_verts);
        offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
        for (std::int32_t v = 0; v < num_verts; ++v) {
            const std::int32_t num_weights = get_i32(mdm, vertex + mdm_vertex::num_weights);
            for (std::int32_t w = 0; w < num_weights; ++w)
                scale_vec3(
                    mdm, vertex + mdm_vertex::weights + skin_weight::size * w + skin_weight::offset,
                    factor);
            weights_scaled += num_weights;
            vertex += mdm_vertex::weights + skin_weight::size * num_weights;
        }
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
    offset_t tag = info.ofs_tags;
    for (int t = 0; t < info.num_tags; ++t) {
        scale_vec3(mdm, tag + mdm_tag::offset, factor);
        tag += get_i32(mdm, tag + mdm_tag::ofs_end);
    }
    return 1;
}

} // namespace ossify
