// An MD3 file from arbitrary bytes (MD3SOURCE of mode 10): the reader's check,
// then for every file it accepts the records, mode 10's check, the MQO text of
// its first frame at two scales (also turned y-up), and its preview.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "check/check_report.hpp"
#include "export/md3_reader.hpp"
#include "export/mqo_export.hpp"
#include "fuzz_support.hpp"
#include "mqo/up_axis.hpp"
#if OSSIFY_HAS_PREVIEW
#include "preview/preview_model.hpp"
#endif

using namespace ossify;
using ossify_fuzz::fuzz_buffer;

namespace {

fuzz_buffer md3_buffer(1 << 20);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    byte_region& whole = md3_buffer.fresh(data, size);
    const byte_region md3 = sub_region(whole, 0, static_cast<offset_t>(std::min(size, whole.size)));
    if (!md3_fault(md3).empty()) return 0;
    const md3_model model = read_md3(md3);
    check_report report;
    check_md3_file(md3, "fuzz.md3", report);
    for (const std::int32_t scale : {1, 64}) {
        mqo_document document;
        if (!mqo_of_md3(model, scale, document)) continue;
        mqo_text(document);
        turn_z_up_to_y_up(document);
        mqo_text(document);
    }
#if OSSIFY_HAS_PREVIEW
    preview_model preview;
    if (preview_of_md3(md3, preview)) encode_glb(preview);
#endif
    return 0;
}
