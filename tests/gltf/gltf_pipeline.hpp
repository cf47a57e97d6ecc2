// The glTF route of mode 9 run in memory (reader, bone object, mesh record,
// MDM, animation MDX), and the engine's skinning of an MDM on every frame of
// an MDX, for the tests that compare where vertices end up.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/work_buffers.hpp"
#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "gltf/gltf_import.hpp"
#include "mesh/mesh_from_import.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "skeletal/stored_pose.hpp"
#include "skeleton/bones_from_joints.hpp"
#include "support/capture_stdout.hpp"

namespace ossify_test {

struct gltf_conversion {
    ossify::work_buffer bones = ossify::make_work_buffer(ossify::bone_buffer_size);
    ossify::work_buffer mesh = ossify::make_work_buffer(ossify::mesh_buffer_size);
    ossify::work_buffer mdm = ossify::make_work_buffer(ossify::mdm_buffer_size);
    ossify::work_buffer mdx = ossify::make_work_buffer(ossify::mdx_buffer_size);
    ossify::imported_model model;
    double stretch = 0;
    std::string error; // empty when every step succeeded
};

// Mode 9 with GLTF and ANIMMDX on the glTF bytes `glb`.
inline void convert_gltf(const std::vector<std::uint8_t>& glb, gltf_conversion& c, double fps = 20,
                         const std::string& animation = "") {
    using namespace ossify;
    gltf_document document;
    std::vector<std::string> notes;
    if (!read_gltf_memory(glb.data(), glb.size(), document, c.error)) return;
    if (!import_gltf_model(document, {true, {}}, c.model, c.error, notes)) return;
    std::vector<sampled_frame> sampled;
    const std::int32_t index = find_animation(document, animation);
    if (index < 0) {
        c.error = "no animation";
        return;
    }
    if (!sample_joint_animation(document, c.model, index, fps, sampled, c.error)) return;
    std::vector<skeleton_motion> frames;
    for (const sampled_frame& f : sampled) {
        frames.emplace_back();
        for (const joint_pose& p : f)
            frames.back().push_back({p.turn, p.origin});
    }
    std::int32_t result = 0;
    capture_stdout([&] {
        if (build_bones_from_joints(c.bones.region, c.model.joints, 10.0) < 0 ||
            build_meshes_from_import(c.mesh.region, c.model, &c.bones.region, 10.0) < 0 ||
            build_mdm_from_mesh(c.mesh.region, c.mdm.region, c.bones.region) < 0 ||
            build_mdx_from_motion(c.bones.region, c.mdm.region, frames, c.mdx.region, c.stretch) <
                0)
            result = -1;
    });
    if (result < 0) c.error = "a writer failed";
}

// Every vertex of the MDM (surfaces one after the other) skinned by the engine
// on every frame of the MDX.
inline std::vector<std::vector<ossify::dvec3>> skin_every_frame(const ossify::byte_region& mdm,
                                                                const ossify::byte_region& mdx) {
    using namespace ossify;
    const std::int32_t frames = get_i32(mdx, mdx_header::num_frames);
    const std::int32_t bones = get_i32(mdx, mdx_header::num_bones);
    const std::vector<skeleton_bone> skeleton =
        read_skeleton_bones(mdx, get_i32(mdx, mdx_header::ofs_bones), bones);
    std::vector<std::vector<dvec3>> out;
    for (std::int32_t f = 0; f < frames; ++f) {
        const offset_t frame = get_i32(mdx, mdx_header::ofs_frames) + frame_size(bones) * f;
        std::vector<dvec3> all;
        for (const auto& surface : skin_mdm_vertices(mdm, pose_stored_frame(mdx, frame, skeleton)))
            all.insert(all.end(), surface.begin(), surface.end());
        out.push_back(std::move(all));
    }
    return out;
}

// Every tag of the MDM (by name) placed by the engine on every frame of the MDX.
struct placed_mdm_tag {
    std::string name;
    std::vector<ossify::placed_tag> frames;
};
inline std::vector<placed_mdm_tag> place_every_tag(const ossify::byte_region& mdm,
                                                   const ossify::byte_region& mdx) {
    using namespace ossify;
    const std::int32_t frames = get_i32(mdx, mdx_header::num_frames);
    const std::int32_t bones = get_i32(mdx, mdx_header::num_bones);
    const std::vector<skeleton_bone> skeleton =
        read_skeleton_bones(mdx, get_i32(mdx, mdx_header::ofs_bones), bones);
    std::vector<placed_mdm_tag> out;
    offset_t at = get_i32(mdm, mdm_header::ofs_tags);
    for (std::int32_t t = 0; t < get_i32(mdm, mdm_header::num_tags); ++t) {
        placed_mdm_tag tag{get_text(mdm, at + mdm_tag::name, skeletal_name_width), {}};
        const auto bone = static_cast<std::size_t>(get_i32(mdm, at + mdm_tag::attach_bone));
        for (std::int32_t f = 0; f < frames; ++f) {
            const offset_t frame = get_i32(mdx, mdx_header::ofs_frames) + frame_size(bones) * f;
            const std::vector<posed_bone> posed = pose_stored_frame(mdx, frame, skeleton);
            tag.frames.push_back(place_tag(posed.at(bone), get_dvec3(mdm, at + mdm_tag::offset),
                                           get_rotation_rows(mdm, at + mdm_tag::axis)));
        }
        out.push_back(tag);
        at += get_i32(mdm, at + mdm_tag::ofs_end);
    }
    return out;
}

inline double distance3(const ossify::dvec3& a, const ossify::dvec3& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// The height (z extent) of a set of points.
inline double height_of(const std::vector<ossify::dvec3>& points) {
    double low = 1e300, high = -1e300;
    for (const ossify::dvec3& p : points) {
        low = std::min(low, p[2]);
        high = std::max(high, p[2]);
    }
    return high - low;
}

// The worst distance, over every vertex of `got` and every frame, to the
// expected vertex that follows it best. Vertices are matched by their whole
// path rather than by number, since a writer may store them in another order.
inline double worst_path_distance(const std::vector<std::vector<ossify::dvec3>>& got,
                                  const std::vector<std::vector<ossify::dvec3>>& expected) {
    if (got.empty() || got.size() != expected.size()) return 1e300;
    double worst = 0;
    for (std::size_t v = 0; v < got[0].size(); ++v) {
        double best = 1e300;
        for (std::size_t w = 0; w < expected[0].size(); ++w) {
            double path = 0;
            for (std::size_t f = 0; f < got.size() && path < best; ++f)
                path = std::max(path, distance3(got[f][v], expected[f][w]));
            best = std::min(best, path);
        }
        worst = std::max(worst, best);
    }
    return worst;
}

} // namespace ossify_test
