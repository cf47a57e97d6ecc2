// The MDM report: header fields, surface headers and tags with their bone lists.
#include <cstdio>
#include <string>

#include "skeletal/skeletal_internal.hpp"

namespace ossify {

namespace {

void print_surface(const byte_region& mdm, offset_t at, int s) {
    // One label for each of the six int32 fields from the number of vertices on.
    static const char* const counts[] = {
        "Number of Vertices\t\t\t:%d\n",  "Offset to Vertices\t\t\t:%d\n",
        "Number of Triangles\t\t\t:%d\n", "Offset to Triangles\t\t\t:%d\n",
        "Offset to Collapsemap\t\t:%d\n", "Number of Bone Refferences\t:%d\n"};
    std::printf("\n--- Surface #%0d---\n\n", s);
    std::printf("Surface Identification\t\t:%d\n", get_i32(mdm, at + mdm_surface::ident));
    std::printf("Surface Name\t\t\t\t:%s\n",
                get_text(mdm, at + mdm_surface::name, skeletal_name_width).c_str());
    std::printf("Shader Name\t\t\t\t\t:%s\n",
                get_text(mdm, at + mdm_surface::shader, skeletal_name_width).c_str());
    std::printf("Shader Index\t\t\t\t:%d\n", get_i32(mdm, at + mdm_surface::shader_index));
    std::printf("LoD\tMinimum\t\t\t\t\t:%d\n", get_i32(mdm, at + mdm_surface::min_lod));
    std::printf("Offset to Surface Header\t:%d\n", get_i32(mdm, at + mdm_surface::ofs_header));
    offset_t field = mdm_surface::num_verts;
    for (const char* label : counts) {
        std::printf(label, get_i32(mdm, at + field));
        field += index_size;
    }
    std::printf("Offset to Bobe Refferences\t:%d\n", get_i32(mdm, at + mdm_surface::ofs_bone_refs));
    std::printf("Offset to NextSurface\t\t:%d\n", get_i32(mdm, at + mdm_surface::ofs_end));
}

void print_row(const char* label, const byte_region& mdm, offset_t at) {
    std::printf("%s\t\t\t\t\t:(%f,%f,%f)\n", label, get_f32(mdm, at), get_f32(mdm, at + vec3_y),
                get_f32(mdm, at + vec3_z));
}

void print_tag(const byte_region& mdm, offset_t at, int t) {
    std::printf("\n--- Tag #%0d ---\n\n", t);
    std::printf("Name\t\t\t\t\t:%s\n",
                get_text(mdm, at + mdm_tag::name, skeletal_name_width).c_str());
    print_row("Coord1", mdm, at + mdm_tag::axis);
    print_row("Coord2", mdm, at + mdm_tag::axis + vec3_size);
    print_row("Coord3", mdm, at + mdm_tag::axis + 2 * vec3_size);
    std::printf("Attach Bone Number\t\t:%d\n", get_i32(mdm, at + mdm_tag::attach_bone));
    std::printf("Attach Bone Number\t\t:(%f,%f,%f)\n", get_f32(mdm, at + mdm_tag::offset),
                get_f32(mdm, at + mdm_tag::offset + vec3_y),
                get_f32(mdm, at + mdm_tag::offset + vec3_z));
    const std::int32_t count = get_i32(mdm, at + mdm_tag::num_bone_refs);
    const std::int32_t refs = get_i32(mdm, at + mdm_tag::ofs_bone_refs);
    std::printf("Number of Bone List\t\t:%d\n", count);
    std::printf("Offset to Bone List\t\t:%d\n", refs);
    std::printf("Offset to Next Tag\t\t:%d\n", get_i32(mdm, at + mdm_tag::ofs_end));
    std::printf("Bone List\t\t\t\t: ");
    for (std::int32_t k = 0; k < count; ++k)
        std::printf("%0d ", get_i32(mdm, at + refs + index_size * k));
    std::printf("\n");
}

} // namespace

int print_mdm_report(const byte_region& mdm) {
    const mdm_info info = read_mdm_info(mdm);
    std::printf("\nReport MDM\n\n");
    std::printf("***--- Header ---***\n\n");
    // The identification is printed as text up to its first zero byte, which
    // runs on into the version field ("MDMW" and the byte 0x03).
    std::printf("MDM Identification\t\t\t:%s\n",
                get_text(mdm, mdm_header::ident, mdm_header::name - mdm_header::ident).c_str());
    std::printf("MDM Version\t\t\t\t\t:%d\n", get_i32(mdm, mdm_header::version));
    std::printf("MDM Name\t\t\t\t\t:%s\n",
                get_text(mdm, mdm_header::name, skeletal_name_width).c_str());
    std::printf("LoD Scale\t\t\t\t\t:%f\n", get_f32(mdm, mdm_header::lod_scale));
    std::printf("LoD Bias\t\t\t\t\t:%f\n", get_f32(mdm, mdm_header::lod_bias));
    std::printf("Number of Surfaces\t\t\t:%d\n", info.num_surfaces);
    std::printf("Offset to Surfaces\t\t\t:%d\n", info.ofs_surfaces);
    std::printf("Number of Tags\t\t\t\t:%d\n", info.num_tags);
    std::printf("Offset to Tags\t\t\t\t:%d\n", info.ofs_tags);
    std::printf("Offset to EOF\t\t\t\t:%d\n", info.ofs_end);
    std::printf("\n***--- Surface ---***\n\n");
    offset_t at = info.ofs_surfaces;
    for (int s = 0; s < info.num_surfaces; ++s) {
        print_surface(mdm, at, s);
        at += get_i32(mdm, at + mdm_surface::ofs_end);
    }
    at = info.ofs_tags;
    for (int t = 0; t < info.num_tags; ++t) {
        print_tag(mdm, at, t);
        at += get_i32(mdm, at + mdm_tag::ofs_end);
    }
    return 1;
}

} // namespace ossify
