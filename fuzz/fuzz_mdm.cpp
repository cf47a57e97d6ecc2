// An MDM file from arbitrary bytes: the loader's checks, then for every file it
// accepts the report, the engine-limit warnings, the surface-fault warnings and
// mode 10's check (alone and beside an MDX without bones), its preview on a
// skeleton-less MDX (at full detail and at a level of detail), the tag
// transplant of mode 4 in both directions and the rescaling of mode 6.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "check/check_report.hpp"
#include "export/engine_limits.hpp"
#include "fuzz_support.hpp"
#include "skeletal/skeletal.hpp"
#if OSSIFY_HAS_PREVIEW
#include "preview/preview_model.hpp"
#endif

using namespace ossify;
using ossify_fuzz::fuzz_buffer;

namespace {

fuzz_buffer mdm_buffer(1 << 20);
fuzz_buffer other_buffer(1 << 20);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    byte_region& mdm = mdm_buffer.fresh(data, size);
    if (check_mdm(mdm, static_cast<std::int64_t>(std::min(size, mdm.size))) < 0) return 0;
    print_mdm_report(mdm);
    warn_mdm_engine_limits(mdm, "fuzz.mdm");
    warn_surface_faults(mdm, mesh_format::mdm, "fuzz.mdm");
    check_report report;
    check_mdm_file(mdm, "fuzz.mdm", engine_skeleton(), report);
    check_mdm_file(mdm, "fuzz.mdm", skeleton_of_mdx(other_buffer.empty_mdx()), report);
#if OSSIFY_HAS_PREVIEW
    preview_model model;
    if (preview_of_mdm_on_mdx(mdm, other_buffer.empty_mdx(), 0, model)) encode_glb(model);
    // PREVIEWLOD: the collapse map replayed at a level from the file's length.
    preview_model level;
    preview_of_mdm_on_mdx(mdm, other_buffer.empty_mdx(), 0, level,
                          1 + static_cast<std::int32_t>(size % 99));
#endif
    replace_mdm_tags(mdm, other_buffer.empty_mdm());
    rescale_mdm(mdm, 50);
    replace_mdm_tags(other_buffer.empty_mdm(), mdm);
    print_mdm_report(mdm);
    return 0;
}
