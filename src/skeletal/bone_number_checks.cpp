#include "skeletal/bone_number_checks.hpp"

#include <cstdio>
#include <set>
#include <string>

#include "skeletal/skeletal_headers.hpp"
#include "skeletal/skeletal_layout.hpp"

namespace ossify {

namespace {

// The bones one surface weights or references, ascending.
std::set<std::int32_t> bones_of_surface(const byte_region& mdm, offset_t surface) {
    std::set<std::int32_t> bones;
    const std::int32_t refs = get_i32(mdm, surface + mdm_surface::num_bone_refs);
    const offset_t ofs_refs = surface + get_i32(mdm, surface + mdm_surface::ofs_bone_refs);
    for (std::int32_t r = 0; r < refs && !mdm.fault; ++r)
        bones.insert(get_i32(mdm, ofs_refs + index_size * r));
    const std::int32_t vertices = get_i32(mdm, surface + mdm_surface::num_verts);
    offset_t vertex = surface + get_i32(mdm, surface + mdm_surface::ofs_verts);
    for (std::int32_t v = 0; v < vertices && !mdm.fault; ++v) {
        const std::int32_t count = get_i32(mdm, vertex + mdm_vertex::num_weights);
        for (std::int32_t k = 0; k < count && !mdm.fault; ++k)
            bones.insert(get_i32(mdm, vertex + mdm_vertex::weights + skin_weight::size * k +
                                          skin_weight::bone));
        vertex += mdm_vertex::weights + skin_weight::size * count;
    }
    return bones;
}

std::string surface_name(const byte_region& mdm, offset_t surface) {
    return get_text(mdm, surface + mdm_surface::name, skeletal_name_width);
}

} // namespace

std::int32_t warn_tags_on_unused_bones(const byte_region& mdm) {
    const mdm_info info = read_mdm_info(mdm);
    std::set<std::int32_t> used;
    offset_t surface = info.ofs_surfaces;
    for (std::int32_t s = 0; s < info.num_surfaces && !mdm.fault; ++s) {
        used.merge(bones_of_surface(mdm, surface));
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
    std::int32_t warnings = 0;
    offset_t tag = info.ofs_tags;
    for (std::int32_t t = 0; t < info.num_tags && !mdm.fault; ++t) {
        const std::int32_t bone = get_i32(mdm, tag + mdm_tag::attach_bone);
        if (used.count(bone) == 0) {
            std::fprintf(stderr,
                         "ossify: tag \"%s\" hangs on bone %d, which no surface of the MDM weights "
                         "or lists among its bone references: the tags may be numbered for another "
                         "skeleton than the mesh.\n",
                         get_text(mdm, tag + mdm_tag::name, skeletal_name_width).c_str(), bone);
            ++warnings;
        }
        tag += get_i32(mdm, tag + mdm_tag::ofs_end);
    }
    return warnings;
}

std::int32_t warn_bones_beyond_mdx(const byte_region& mdm, const byte_region& mdx) {
    const mdm_info info = read_mdm_info(mdm);
    const std::int32_t bones = read_mdx_info(mdx).num_bones;
    std::int32_t warnings = 0;
    offset_t surface = info.ofs_surfaces;
    for (std::int32_t s = 0; s < info.num_surfaces && !mdm.fault; ++s) {
        const std::set<std::int32_t> named = bones_of_surface(mdm, surface);
        if (!named.empty() && (*named.begin() < 0 || *named.rbegin() >= bones)) {
            const std::int32_t bad = *named.begin() < 0 ? *named.begin() : *named.rbegin();
            std::fprintf(stderr,
                         "ossify: surface \"%s\" of the MDM names bone %d in its weights or bone "
                         "references, but the MDX has bones 0 to %d: the MDM was not made for this "
                         "skeleton and is drawn torn (bind it to this MDX with mode 9 and "
                         "BINDMDX).\n",
                         surface_name(mdm, surface).c_str(), bad, bones - 1);
            ++warnings;
        }
        surface += get_i32(mdm, surface + mdm_surface::ofs_end);
    }
    return warnings;
}

} // namespace ossify
