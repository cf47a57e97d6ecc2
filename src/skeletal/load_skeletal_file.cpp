// The three loaders: one read, then the header checks in a fixed order, then the
// structural validation of the whole file.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "base/work_buffers.hpp"
#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

struct header_rules {
    const char* kind; // "MDS", "MDM", "MDX"
    const char* ident;
    std::int32_t version;
    offset_t ofs_end_field;
    offset_t header_size;
    offset_t size_limit;
    offset_t num_frames_field; // -1: the format does not require frames
    const char* wrong_file;
    const char* wrong_version;
    const char* too_large;
    bool (*validate)(const byte_region& file);
};

const header_rules mds_rules{"MDS",
                             mds_header::ident_text,
                             mds_header::version_number,
                             mds_header::ofs_end,
                             mds_header::size,
                             static_cast<offset_t>(mds_buffer_size),
                             mds_header::num_frames,
                             "ERROR:This MDS seems to be wrong file.\n",
                             "ERROR:This MDS version is not supported.\n",
                             "ERROR:This MDS is too large.\n",
                             validate_mds};

const header_rules mdm_rules{"MDM",
                             mdm_header::ident_text,
                             mdm_header::version_number,
                             mdm_header::ofs_end,
                             mdm_header::size,
                             static_cast<offset_t>(mdm_buffer_size),
                             -1,
                             "ERROR:This seems to be wrong MDM file.\n",
                             "ERROR:This MDM version is not supported.\n",
                             "ERROR:This MDM is too large.\n",
                             validate_mdm};

const header_rules mdx_rules{"MDX",
                             mdx_header::ident_text,
                             mdx_header::version_number,
                             mdx_header::ofs_end,
                             mdx_header::size,
                             static_cast<offset_t>(mdx_buffer_size),
                             -1,
                             "ERROR:This seems to be wrong MDX file.\n",
                             "ERROR:This MDX version is not supported.\n",
                             "ERROR:This MDX is too large.\n",
                             validate_mdx};

static_assert(mds_header::ident == mdm_header::ident && mdm_header::ident == mdx_header::ident);
static_assert(mds_header::version == mdm_header::version &&
              mdm_header::version == mdx_header::version);

// The header checks in their order; prints the "ERROR:" line of the first that
// fails. `loaded` is the number of bytes the file gave.
bool header_passes(const byte_region& buffer, std::int64_t loaded, const header_rules& r) {
    if (get_text(buffer, mds_header::ident, 4) != r.ident) return refuse("%s", r.wrong_file);
    if (get_i32(buffer, mds_header::version) != r.version) return refuse("%s", r.wrong_version);
    const std::int32_t end = get_i32(buffer, r.ofs_end_field);
    if (end > r.size_limit) return refuse("%s", r.too_large);
    if (r.num_frames_field >= 0 && get_i32(buffer, r.num_frames_field) < 1)
        return refuse("ERROR:This %s has no animation data.\n", r.kind);
    if (end < r.header_size) {
        std::fprintf(stderr, "ossify: the %s header gives an end offset of %d bytes.\n", r.kind,
                     end);
        return refuse("ERROR:This %s end offset is smaller than its header.\n", r.kind);
    }
    const auto held = std::min(loaded, static_cast<std::int64_t>(buffer.size));
    if (held < end) {
        std::fprintf(stderr, "ossify: the %s header gives %d bytes, the file holds %lld.\n", r.kind,
                     end, static_cast<long long>(held));
        return refuse("ERROR:This %s is shorter than its header says.\n", r.kind);
    }
    return true;
}

// The verdict completes the "Checking ... Header..." line: one "ERROR:" line, or
// the valid and loaded lines after the structure has passed too.
std::int32_t check_file(const byte_region& buffer, std::int64_t loaded, const header_rules& r) {
    std::printf("Checking %s Header...", r.kind);
    if (!header_passes(buffer, loaded, r)) return -1;
    const std::int32_t end = get_i32(buffer, r.ofs_end_field);
    if (!r.validate(sub_region(buffer, 0, end))) return -1;
    std::printf("This %s seems to be valid.\n%s has been loaded.\n", r.kind, r.kind);
    return end;
}

std::int32_t load_file(file_handle input, byte_region& buffer, const header_rules& r) {
    const std::int64_t loaded = input ? read_into(std::move(input), buffer) : -1;
    if (loaded < 0) {
        std::printf("ERROR:Failed to read file.\n");
        return -1;
    }
    return check_file(buffer, loaded, r);
}

} // namespace

std::int32_t check_mds(const byte_region& buffer, std::int64_t loaded) {
    return check_file(buffer, loaded, mds_rules);
}
std::int32_t check_mdm(const byte_region& buffer, std::int64_t loaded) {
    return check_file(buffer, loaded, mdm_rules);
}
std::int32_t check_mdx(const byte_region& buffer, std::int64_t loaded) {
    return check_file(buffer, loaded, mdx_rules);
}

std::int32_t load_mds(file_handle input, byte_region& buffer) {
    return load_file(std::move(input), buffer, mds_rules);
}
std::int32_t load_mdm(file_handle input, byte_region& buffer) {
    return load_file(std::move(input), buffer, mdm_rules);
}
std::int32_t load_mdx(file_handle input, byte_region& buffer) {
    return load_file(std::move(input), buffer, mdx_rules);
}

} // namespace ossify
