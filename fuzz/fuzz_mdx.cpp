// An MDX file from arbitrary bytes: the loader's checks, then for every file it
// accepts the bone replacement of mode 5 (against itself) and the rescaling of
// mode 7.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "skeletal/skeletal.hpp"

using namespace ossify;
using ossify_fuzz::fuzz_buffer;

namespace {

fuzz_buffer mdx_buffer(1 << 20);
fuzz_buffer reference_buffer(1 << 20);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    byte_region& mdx = mdx_buffer.fresh(data, size);
    if (check_mdx(mdx, static_cast<std::int64_t>(std::min(size, mdx.size))) < 0) return 0;
    replace_mdx_bones(mdx, reference_buffer.fresh(data, size));
    rescale_mdx(mdx, 200);
    return 0;
}
