#include "check/check_report.hpp"

#include <cstdio>
#include <string_view>

#include "base/display_text.hpp"
#include "check/engine_rules.hpp"
#include "skeletal/skeletal_headers.hpp"

namespace ossify {

namespace {

// The parents of the bones of an MDX or MDS, read from their bone infos.
skeleton_facts skeleton_from_bone_infos(std::int32_t bones, std::int32_t ofs_bones,
                                        const byte_region& file, const char* source) {
    skeleton_facts facts;
    facts.bones = bones;
    facts.source = source;
    for (std::int32_t b = 0; b < bones && !file.fault; ++b)
        facts.parents.push_back(get_i32(file, bone_info_at(ofs_bones, b) + mds_bone_info::parent));
    return facts;
}

std::string surface_name(const byte_region& file, offset_t header) {
    const std::string_view field = get_chars(file, header + mdm_surface::name, skeletal_name_width);
    return std::string(field.substr(0, field.find('\0')));
}

} // namespace

void check_report::add(const char* checker, const char* path, const std::string& text) {
    std::printf("%s : File[%s] %s\n", checker, path, text.c_str());
    ++findings;
}

skeleton_facts engine_skeleton() {
    skeleton_facts facts;
    facts.bones = engine_rules::skeleton_bones;
    facts.source = "the engine's bone arrays";
    return facts;
}

skeleton_facts skeleton_of_mdx(const byte_region& mdx) {
    const mdx_info info = read_mdx_info(mdx);
    return skeleton_from_bone_infos(info.num_bones, info.ofs_bones, mdx, "the MDX");
}

skeleton_facts skeleton_of_mds(const byte_region& mds) {
    const mds_info info = read_mds_info(mds);
    return skeleton_from_bone_infos(info.num_bones, info.ofs_bones, mds, "the MDS");
}

std::vector<std::string> surface_fault_texts(const surface_faults& f) {
    std::vector<std::string> texts;
    const surface_arrays& s = f.arrays;
    if (f.min_lod_out_of_range)
        texts.push_back("MinLoD[" + std::to_string(s.min_lod) +
                        "]: the minimum LoD lies outside 0.." + std::to_string(s.num_verts) +
                        ", the surface's vertices");
    if (f.bad_map_entries > 0)
        texts.push_back("CollapseMap[" + std::to_string(f.first_bad_vertex) +
                        "]=" + std::to_string(f.first_bad_target) + ": " +
                        std::to_string(f.bad_map_entries) +
                        " collapse map entries at or above the minimum LoD name no earlier vertex "
                        "of the surface; the engine draws stray triangles below full detail");
    if (f.unreferenced_weights > 0)
        texts.push_back("Vertex[" + std::to_string(f.first_unreferenced_vertex) + "] Bone[" +
                        std::to_string(f.first_unreferenced_bone) +
                        "]: " + std::to_string(f.unreferenced_weights) +
                        " weights name bones missing from the surface's bone references, which "
                        "the engine never poses for it");
    return texts;
}

int warn_surface_faults(const byte_region& file, mesh_format format, const char* path) {
    int warned = 0;
    for (const surface_faults& f : find_surface_faults(file, format)) {
        const std::vector<std::string> texts = surface_fault_texts(f);
        if (texts.empty()) continue;
        std::string line;
        for (const std::string& text : texts)
            line += (line.empty() ? "" : "; ") + text;
        std::fprintf(stderr, "ossify: warning: %s: Surface[%d] Name[%s] %s (copied unchanged)\n",
                     text_for_display(path).c_str(), f.surface,
                     text_for_display(surface_name(file, f.arrays.header)).c_str(), line.c_str());
        ++warned;
    }
    return warned;
}

} // namespace ossify
