// An MDX file from arbitrary bytes: the loader's checks, then for every file it
// accepts mode 10's check, the binding of mode 9 with BINDMDX (a small model
// bound to its first and last frames, tags from the model's markers), its
// preview (an empty MDM posed by it), the bone replacement of mode 5 (against
// itself) and the rescaling of mode 7.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "check/check_report.hpp"
#include "export/bound_tags.hpp"
#include "export/mdm_writer.hpp"
#include "fuzz_support.hpp"
#include "mesh/mesh_builder.hpp"
#include "mesh/skeleton_binding.hpp"
#include "mqo/load_mqo.hpp"
#include "skeletal/skeletal.hpp"
#include "skeletal/skeletal_headers.hpp"
#include "skeleton/marker_tags.hpp"
#include "skeleton/mdx_skeleton.hpp"
#if OSSIFY_HAS_PREVIEW
#include "preview/preview_model.hpp"
#endif

using namespace ossify;
using ossify_fuzz::fuzz_buffer;

namespace {

fuzz_buffer mdx_buffer(1 << 20);
fuzz_buffer reference_buffer(1 << 20);
fuzz_buffer bone_buffer(1 << 20);
fuzz_buffer mesh_buffer(1 << 22);
fuzz_buffer mdm_buffer(1 << 20);

// A box of two triangles and a tag marker, bound to every MDX the loader accepts.
const byte_region& bind_model() {
    static fuzz_buffer mqo(1 << 20);
    static const bool loaded = [] {
        const char* text = "Metasequoia Document\nFormat Text Ver 1.0\n"
                           "Material 2 {\n\"skin\"\n\"tag:tag_hand\"\n}\n"
                           "Object \"body\" {\n\tvertex 4 {\n\t\t0 0 0\n\t\t100 0 0\n"
                           "\t\t0 100 0\n\t\t0 0 100\n\t}\n\tface 3 {\n"
                           "\t\t3 V(0 1 2) M(0)\n\t\t3 V(0 2 3) M(0)\n"
                           "\t\t3 V(1 2 3) M(1)\n\t}\n}\nEof\n";
        return load_mqo_text(text, mqo.fresh()) > 0;
    }();
    (void)loaded;
    return mqo.region;
}

void bind_to(const byte_region& mdx, std::int32_t frame) {
    mdx_pose pose;
    if (pose_mdx_frame(mdx, frame, pose) < 0) return;
    std::vector<bool> chosen;
    if (!choose_bones(pose, frame == 0 ? "" : "0", chosen)) return;
    if (build_bones_from_mdx(pose, bone_buffer.fresh()) < 0) return;
    byte_region& mesh = mesh_buffer.fresh();
    if (build_meshes_from_mqo(mesh, bind_model(), &bone_buffer.region) < 0) return;
    if (bind_mesh_to_skeleton(mesh, bind_bones_of(pose, chosen), {2, true}) < 0) return;
    byte_region& mdm = mdm_buffer.fresh();
    if (build_mdm_from_mesh(mesh, mdm, bone_buffer.region) < 0) return;
    build_mdm_bound_tags(find_marker_tags(bind_model()), pose, mdm);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    byte_region& mdx = mdx_buffer.fresh(data, size);
    if (check_mdx(mdx, static_cast<std::int64_t>(std::min(size, mdx.size))) < 0) return 0;
    check_report report;
    check_mdx_file(mdx, "fuzz.mdx", report);
    bind_to(mdx, 0);
    bind_to(mdx, read_mdx_info(mdx).num_frames - 1);
#if OSSIFY_HAS_PREVIEW
    preview_model model;
    if (preview_of_mdm_on_mdx(reference_buffer.empty_mdm(), mdx, 0, model)) encode_glb(model);
#endif
    replace_mdx_bones(mdx, reference_buffer.fresh(data, size));
    rescale_mdx(mdx, 200);
    return 0;
}
