// The preview step: the last link of every chain when PREVIEW is set. In mode
// 10 it shows the MDM and MDX, or the MD3, that the step before loaded.
#include <cstdio>

#include "check/check_report.hpp"
#include "driver/job_steps.hpp"
#include "export/mdx_writer.hpp"
#include "skeletal/bone_number_checks.hpp"
#include "skeletal/skeletal.hpp"
#if OSSIFY_HAS_PREVIEW
#include "preview/preview.hpp"
#endif

namespace ossify {

namespace {

enum class shown { mds, md3, mdm_on_skeleton, mdm_on_mdx, nothing };

shown what_is_shown(const tool_config& c) {
    if (c.mode == 1 || c.mode == 3) return shown::mds;
    if (c.mode == 8 || c.mode < 1 || c.mode > 12) return shown::md3;
    if (c.mode == 9) return shown::mdm_on_skeleton;
    if (c.mode == 10) return c.md3_source[0] != '\0' ? shown::md3 : shown::mdm_on_mdx;
    return shown::nothing;
}

// PREVIEWLOD is read without a sign: -1 stands for a negative or unreadable text.
bool preview_lod_is_valid(const tool_config& c) {
    if (c.preview_lod >= 0 && c.preview_lod <= 100) return true;
    std::fprintf(stderr, "ossify: PREVIEWLOD takes the level of detail to show in percent, 1 to "
                         "100 (0 or absent: full detail).\n");
    std::printf("ERROR: Invalid PREVIEWLOD value.\n");
    return false;
}

#if OSSIFY_HAS_PREVIEW
// The whole model's surfaces are named after their materials' shaders, and
// show the materials' images where the files are found.
preview_images images_of(const job_context& job) {
    const tool_config& c = job.config;
    if (c.whole_model == 0 || (c.mode != 9 && c.md3_shader_path[0] != '\0')) return {};
    return material_images(job.buffers.mqo.region, c.mqo_path, c.shader_prefix);
}

bool write_preview(job_context& job, shown what) {
    const tool_config& c = job.config;
    work_buffers& b = job.buffers;
    std::int32_t size = -1;
    switch (what) {
    case shown::mds:
        size = write_mds_preview(b.mds.region, c.base_frame, c.preview_path);
        break;
    case shown::md3:
        size = write_md3_preview(b.md3.region, c.preview_path, images_of(job));
        break;
    case shown::mdm_on_skeleton:
        // A model bound to BINDMDX is shown on that MDX, from its bind frame.
        if (c.bind_mdx[0] != '\0') {
            size = write_mdm_preview(b.mdm.region, b.mdx.region, c.bind_frame, c.preview_path,
                                     images_of(job), c.preview_lod);
            break;
        }
        // The MDM just written, on its skeleton in the drawn pose: the MDX that
        // SKELETONMDX saved, or the same one built here.
        if (c.skeleton_mdx[0] == '\0' &&
            build_mdx_from_skeleton(b.bone.region, b.mdm.region, b.mdx.region) < 0)
            return fail("ERROR:Failed to build MDX from skeleton.\n");
        size = write_mdm_preview(b.mdm.region, b.mdx.region, 0, c.preview_path, images_of(job),
                                 c.preview_lod);
        break;
    case shown::mdm_on_mdx:
        // Loaded by the step before (step_load_posed_model).
        size = write_mdm_preview(b.mdm.region, b.mdx.region, c.bind_frame, c.preview_path,
                                 images_of(job), c.preview_lod);
        break;
    case shown::nothing:
        break;
    }
    if (size < 0) return fail("ERROR:Failed to write preview.\n");
    return true;
}
#endif

} // namespace

bool step_preview(job_context& job) {
    const shown what = what_is_shown(job.config);
    if ((what == shown::mdm_on_skeleton || what == shown::mdm_on_mdx) &&
        !preview_lod_is_valid(job.config))
        return false;
    if (what == shown::nothing) {
        std::fprintf(stderr, "ossify: mode %d writes no preview; PREVIEW is not used.\n",
                     job.config.mode);
        return true;
    }
#if OSSIFY_HAS_PREVIEW
    return write_preview(job, what);
#else
    std::fprintf(stderr,
                 "ossify: this build has no glTF preview. Install the packages "
                 "libtinygltf-dev and nlohmann-json3-dev (Debian) and build ossify again.\n");
    return fail("ERROR:This build of ossify cannot write previews.\n");
#endif
}

} // namespace ossify
