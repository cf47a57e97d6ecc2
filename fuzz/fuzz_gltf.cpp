// A glTF file from arbitrary bytes: the reader's checks, then for every file it
// accepts the static and the skinned import, the sampling of its first
// animation, and the bone object, mesh record, MDM and animation MDX of mode 9.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "fuzz_support.hpp"
#include "gltf/gltf_import.hpp"
#include "mesh/mesh_from_import.hpp"
#include "skeleton/bones_from_joints.hpp"

using namespace ossify;
using ossify_fuzz::fuzz_buffer;

namespace {

fuzz_buffer bone_buffer(1 << 20);
fuzz_buffer mesh_buffer(1 << 23);
fuzz_buffer mdm_buffer(1 << 20);
fuzz_buffer mdx_buffer(1 << 22);

// A low rate keeps long animations quick; the sampling is the same at any rate.
constexpr double fuzz_frames_per_second = 2;

void skinned(const gltf_document& document) {
    imported_model model;
    std::string error;
    std::vector<std::string> notes;
    if (!import_gltf_model(document, {true, {}}, model, error, notes)) return;
    byte_region& bones = bone_buffer.fresh();
    if (build_bones_from_joints(bones, model.joints, 10.0) < 0) return;
    if (build_meshes_from_import(mesh_buffer.fresh(), model, &bones, 10.0) < 0) return;
    if (build_mdm_from_mesh(mesh_buffer.region, mdm_buffer.fresh(), bones) < 0) return;
    const std::int32_t animation = find_animation(document, "");
    std::vector<sampled_frame> sampled;
    if (animation < 0 ||
        !sample_joint_animation(document, model, animation, fuzz_frames_per_second, sampled, error))
        return;
    std::vector<skeleton_motion> frames;
    for (const sampled_frame& f : sampled) {
        frames.emplace_back();
        for (const joint_pose& p : f)
            frames.back().push_back({p.turn, p.origin});
    }
    double stretch = 0;
    build_mdx_from_motion(bones, mdm_buffer.region, frames, mdx_buffer.fresh(), stretch);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gltf_document document;
    std::string error;
    if (!read_gltf_memory(data, size, document, error)) return 0;
    imported_model model;
    std::vector<std::string> notes;
    if (import_gltf_model(document, {false, {}}, model, error, notes))
        build_meshes_from_import(mesh_buffer.fresh(), model, nullptr, 1.0);
    skinned(document);
    return 0;
}
