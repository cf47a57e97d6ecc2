// A test-side writer of valid MDS, MDM and MDX files in memory, described by
// plain records; the sample generator uses it too, so it needs no test framework.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_access.hpp"

namespace ossify_test {

using bytes = std::vector<std::uint8_t>;

struct weight_desc {
    std::int32_t bone = 0;
    float weight = 1.0f;
    std::array<float, 3> offset{};
};
struct vertex_desc {
    std::array<float, 3> normal{0.0f, 0.0f, 1.0f};
    std::array<float, 2> uv{};
    std::vector<weight_desc> weights;
};
struct surface_desc {
    std::string name = "surface";
    std::string shader = "shader";
    std::int32_t min_lod = 0;
    std::vector<vertex_desc> vertices;
    std::vector<std::array<std::int32_t, 3>> triangles;
    std::vector<std::int32_t> collapse_map; // one per vertex
    std::vector<std::int32_t> bone_refs;
};
struct bone_desc {
    std::string name;
    std::int32_t parent = -1;
    float torso_weight = 0.0f, parent_dist = 0.0f;
    std::int32_t flags = 0; // non-zero: a tag bone
};
struct bone_frame_desc {
    std::array<std::int16_t, 4> angles{};
    std::array<std::int16_t, 2> offset_angles{};
};
struct frame_desc {
    std::array<float, 13> header{};     // bounds min, max, local origin, radius, parent offset
    std::vector<bone_frame_desc> bones; // one per bone; missing ones are zero
};
struct mds_desc {
    std::string name = "model";
    float lod_scale = 1.0f, lod_bias = 0.0f;
    std::int32_t torso_parent = -1;
    std::vector<bone_desc> bones;
    std::vector<frame_desc> frames;
    std::vector<surface_desc> surfaces;
};
struct tag_desc {
    std::string name;
    std::array<float, 9> axis{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::int32_t attach_bone = 0;
    std::array<float, 3> offset{};
    std::vector<std::int32_t> bone_refs;
};
struct mdm_desc {
    std::string name = "mesh";
    float lod_scale = 1.0f, lod_bias = 0.0f;
    std::vector<surface_desc> surfaces;
    std::vector<tag_desc> tags;
};
struct mdx_desc {
    std::string name = "skeleton";
    std::int32_t torso_parent = -1;
    std::vector<bone_desc> bones;
    std::vector<frame_desc> frames;
};

// MDS: header, frames, bone infos, surfaces; MDM: header, surfaces, tags; MDX:
// header, frames, bone infos.
bytes build_mds(const mds_desc& desc);
bytes build_mdm(const mdm_desc& desc);
bytes build_mdx(const mdx_desc& desc);

// A region over a file's bytes, for reading or patching fields by name.
ossify::byte_region region_of(bytes& file);

// The small skeleton the examples and several tests share: five regular bones
// and two tag bones, one before a regular bone, two frames, two surfaces.
mds_desc sample_mds_desc();
// A reference MDM with three tags and a reference MDX whose bones carry the
// sample's names in another order with other torso weights and distances.
mdm_desc reference_mdm_desc();
mdx_desc reference_mdx_desc();

} // namespace ossify_test
