// An MDX file from arbitrary bytes: the loader's checks, then for every file it
// accepts mode 10's check, its preview (an empty MDM posed by it), the bone replacement of mode 5
// (against itself) and the rescaling of mode 7.
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

fuzz_buffer mdx_buffer(1 << 20);
fuzz_buffer reference_buffer(1 << 20);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    byte_region& mdx = mdx_buffer.fresh(data, size);
    if (check_mdx(mdx, static_cast<std::int64_t>(std::min(size, mdx.size))) < 0) return 0;
    check_report report;
    check_mdx_file(mdx, "fuzz.mdx", report);
#if OSSIFY_HAS_PREVIEW
    preview_model model;
    if (preview_of_mdm_on_mdx(reference_buffer.empty_mdm(), mdx, 0, model)) encode_glb(model);
#endif
    replace_mdx_bones(mdx, reference_buffer.fresh(data, size));
    rescale_mdx(mdx, 200);
    return 0;
}
