#include "fuzz_support.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "skeletal/skeletal_layout.hpp"

namespace ossify_fuzz {

void silence_stdout() {
#ifdef _WIN32
    std::freopen("NUL", "w", stdout);
#else
    std::freopen("/dev/null", "w", stdout);
#endif
}

ossify::byte_region& fuzz_buffer::empty_mdm() {
    using namespace ossify;
    byte_region& r = fresh();
    put_chars(r, mdm_header::ident, mdm_header::ident_text);
    put_i32(r, mdm_header::version, mdm_header::version_number);
    put_i32(r, mdm_header::ofs_surfaces, static_cast<std::int32_t>(mdm_header::size));
    put_i32(r, mdm_header::ofs_tags, static_cast<std::int32_t>(mdm_header::size));
    put_i32(r, mdm_header::ofs_end, static_cast<std::int32_t>(mdm_header::size));
    return r;
}

ossify::byte_region& fuzz_buffer::empty_mdx() {
    using namespace ossify;
    byte_region& r = fresh();
    const auto end = static_cast<std::int32_t>(mdx_header::size + frame_size(0));
    put_chars(r, mdx_header::ident, mdx_header::ident_text);
    put_i32(r, mdx_header::version, mdx_header::version_number);
    put_i32(r, mdx_header::num_frames, 1);
    put_i32(r, mdx_header::ofs_frames, static_cast<std::int32_t>(mdx_header::size));
    put_i32(r, mdx_header::ofs_bones, end);
    put_i32(r, mdx_header::ofs_end, end);
    return r;
}

fuzz_buffer::fuzz_buffer(std::size_t size) : bytes(size), region{bytes.data(), bytes.size()} {}

ossify::byte_region& fuzz_buffer::fresh(const std::uint8_t* data, std::size_t size) {
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    if (data != nullptr) std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
    region.fault = false;
    return region;
}

} // namespace ossify_fuzz

// Every target starts with its standard output discarded.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ossify_fuzz::silence_stdout();
    return 0;
}
