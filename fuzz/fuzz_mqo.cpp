// The MQO pipeline on arbitrary text: the reader, then for every model it
// accepts the skeleton builder, the mesh builder with and without the skeleton,
// the blended weights, and the MD3 (plain and scaled, and a level of detail) and
// MDM writers (with a derived or set minimum level of detail) with their
// engine-limit warnings, with the tag transplant or the skeleton's own tags, the
// skeleton MDX and the report of mode 9; with or without the whole-model
// conversion, which turns the model z-up, divides the surfaces within limits
// and names their shaders, and writes the skin file; and with the rig convention.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "export/engine_limits.hpp"
#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "export/mesh_record_level.hpp"
#include "fuzz_support.hpp"
#include "mesh/arrange_surfaces.hpp"
#include "mesh/blend_weights.hpp"
#include "mesh/mesh_builder.hpp"
#include "mesh/rig_binding.hpp"
#include "mqo/load_mqo.hpp"
#include "mqo/up_axis.hpp"
#include "skeletal/skeletal.hpp"
#include "skeleton/build_bones.hpp"

using namespace ossify;
using ossify_fuzz::fuzz_buffer;

namespace {

// Smaller than the tool's buffers, so that every execution is quick; the size of
// a buffer is its limit, so the same limits are reached sooner.
fuzz_buffer mqo_buffer(1 << 20);
fuzz_buffer bone_buffer(1 << 18);
fuzz_buffer mesh_buffer(1 << 21);
fuzz_buffer md3_buffer(1 << 20);
fuzz_buffer mdm_buffer(1 << 20);
fuzz_buffer reference_buffer(1 << 12);
fuzz_buffer own_tags_buffer(1 << 20);
fuzz_buffer mdx_buffer(1 << 20);
fuzz_buffer level_buffer(1 << 21);

// A reference MDM of one tag on bone 0, as mode 9 transplants it.
byte_region& reference_mdm() {
    byte_region& r = reference_buffer.empty_mdm();
    put_i32(r, mdm_header::num_tags, 1);
    put_i32(r, mdm_header::ofs_end, 100 + 132);
    put_text(r, 100 + mdm_tag::name, 64, "tag_head");
    put_i32(r, 100 + mdm_tag::num_bone_refs, 1);
    put_i32(r, 100 + mdm_tag::ofs_bone_refs, 128);
    put_i32(r, 100 + mdm_tag::ofs_end, 132);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A first byte 0x01 runs the pipeline with WHOLEMODEL=1 on the rest, 0x02
    // with RIG=1 (the rig's skeleton and binding in mode 9).
    const bool rig = size > 0 && data[0] == 2;
    const bool whole = (size > 0 && data[0] == 1) || rig;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (whole) text.remove_prefix(1);
    byte_region& mqo = mqo_buffer.fresh();
    mqo_notes notes;
    if (load_mqo_text(text, mqo, mqo_options{whole, rig}, &notes) < 0) return 0;
    if (whole && size % 2 == 0) turn_y_up_to_z_up(mqo);
    // Small limits (3 to 66 vertices) divide even small models.
    const surface_limits limits = limits_for_vertices(static_cast<std::int32_t>(3 + size % 64));
    const std::vector<std::string> shaders = material_shader_names(mqo, "models/fuzz/");

    // Mode 8: mesh without skeleton, then the MD3.
    byte_region& mesh = mesh_buffer.fresh();
    // The MD3 scale comes from the input's length, so that both the plain and the
    // scaled positions, and their overflow, are reached.
    const auto scale = static_cast<std::int32_t>(size % 3 == 0 ? 1 : size % 3 == 1 ? 64 : 4096);
    if (build_meshes_from_mqo(mesh, mqo, nullptr, whole) >= 0 &&
        (!whole || arrange_surfaces(mesh, shaders, limits) >= 0)) {
        byte_region& md3 = md3_buffer.fresh();
        if (build_md3_from_mesh(mesh, md3, whole ? nullptr : "shader", scale, whole) >= 0)
            warn_md3_engine_limits(md3, "fuzz.md3");
        // A level-of-detail file of MD3LODS, its level from the input's length.
        byte_region& level = level_buffer.fresh();
        if (mesh_record_level(mesh, level, 1 + static_cast<std::int32_t>(size % 3)) >= 0)
            build_md3_from_mesh(level, md3_buffer.fresh(), "shader", scale);
    }

    // Mode 9: skeleton rooted at bone 0 (or the rig's), skinned mesh, MDM,
    // reference tags, report.
    byte_region& bones = bone_buffer.fresh();
    if ((rig ? build_bones_from_rig(mqo, bones) : build_bones_from_mqo(mqo, bones, 0)) < 0)
        return 0;
    byte_region& skinned = mesh_buffer.fresh();
    if (build_meshes_from_mqo(skinned, mqo, &bones, whole, !rig) < 0) return 0;
    // Rigid, or blended over 1 to 4 bones, chosen by the input's length.
    const int blend = static_cast<int>(size % (max_blend_weights + 1));
    if (rig && bind_rig_weights(skinned, mqo, bones, blend) < 0) return 0;
    if (!rig && blend > 0 && blend_skin_weights(skinned, bones, blend) < 0) return 0;
    if (whole && arrange_surfaces(skinned, shaders, limits) < 0) return 0;
    byte_region& mdm = mdm_buffer.fresh();
    // The minimum level of detail derived, or set by LODMIN, from the input's length.
    const auto lod_min = static_cast<std::int32_t>(size % 7 == 0 ? 60 : 0);
    const std::int32_t mdm_size = build_mdm_from_mesh(skinned, mdm, bones, whole, lod_min);
    if (mdm_size < 0) return 0;
    build_mdx_from_skeleton(bones, mdm, mdx_buffer.fresh());
    // Without a reference: the skeleton's own tags, on a copy of the MDM.
    byte_region& own = own_tags_buffer.fresh();
    copy_bytes(own, 0, mdm, 0, mdm_size);
    if (build_mdm_skeleton_tags(bones, own) >= 0) print_mdm_report(own);
    if (replace_mdm_tags(reference_mdm(), mdm) < 0) return 0;
    warn_mdm_engine_limits(mdm, "fuzz.mdm");
    print_mdm_report(mdm);
    return 0;
}
