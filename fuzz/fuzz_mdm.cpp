// An MDM file from arbitrary bytes: the loader's checks, then for every file it
// accepts the report, the tag transplant of mode 4 in both directions and the
// rescaling of mode 6.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "skeletal/skeletal.hpp"

using namespace ossify;
using ossify_fuzz::fuzz_buffer;

namespace {

fuzz_buffer mdm_buffer(1 << 20);
fuzz_buffer other_buffer(1 << 20);

// A valid MDM without surfaces or tags: a target and a reference for the transplant.
byte_region& empty_mdm() {
    byte_region& r = other_buffer.fresh();
    put_chars(r, mdm_header::ident, mdm_header::ident_text);
    put_i32(r, mdm_header::version, mdm_header::version_number);
    put_i32(r, mdm_header::ofs_surfaces, 100);
    put_i32(r, mdm_header::ofs_tags, 100);
    put_i32(r, mdm_header::ofs_end, 100);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ossify_fuzz::silence_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    byte_region& mdm = mdm_buffer.fresh(data, size);
    if (check_mdm(mdm, static_cast<std::int64_t>(std::min(size, mdm.size))) < 0) return 0;
    print_mdm_report(mdm);
    replace_mdm_tags(mdm, empty_mdm());
    rescale_mdm(mdm, 50);
    replace_mdm_tags(empty_mdm(), mdm);
    print_mdm_report(mdm);
    return 0;
}
