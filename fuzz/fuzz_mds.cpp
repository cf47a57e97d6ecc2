// An MDS file from arbitrary bytes: the loader's checks, then for every file it
// accepts the surface-fault warnings and mode 10's check, both conversions of
// modes 1 to 3 (the MDS then checked beside the MDX split from it), the report
// of the MDM made and the file's preview.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "check/check_report.hpp"
#include "fuzz_support.hpp"
#include "skeletal/skeletal.hpp"
#if OSSIFY_HAS_PREVIEW
#include "preview/preview_model.hpp"
#endif

using namespace ossify;
using ossify_fuzz::fuzz_buffer;

namespace {

fuzz_buffer mds_buffer(1 << 20);
fuzz_buffer mdm_buffer(1 << 20);
fuzz_buffer mdx_buffer(1 << 20);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    byte_region& mds = mds_buffer.fresh(data, size);
    if (check_mds(mds, static_cast<std::int64_t>(std::min(size, mds.size))) < 0) return 0;
    // The base frame from the file's own frames: the first, and one past the last.
    for (const std::int32_t frame : {0, get_i32(mds, mds_header::num_frames)}) {
        byte_region& mdm = mdm_buffer.fresh();
        if (convert_mds_to_mdm(mds, mdm, frame) >= 0) print_mdm_report(mdm);
    }
    warn_surface_faults(mds, mesh_format::mds, "fuzz.mds");
    check_report report;
    check_mds_file(mds, "fuzz.mds", report);
    byte_region& mdx = mdx_buffer.fresh();
    if (convert_mds_to_mdx(mdx, mds) >= 0) check_mds_mdx_pair(mds, mdx, "fuzz.mdx", report);
#if OSSIFY_HAS_PREVIEW
    preview_model model;
    if (preview_of_mds(mds, 0, model)) encode_glb(model);
#endif
    return 0;
}
