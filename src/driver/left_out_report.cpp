#include "driver/left_out_report.hpp"

#include <cstdio>
#include <string>

#include "base/display_text.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/mqo_markers.hpp"

namespace ossify {

namespace {

// The skeleton drawing and the tag objects are never geometry.
bool is_marker_object(const std::string& name) {
    return name == marker_bone_object || begins_with(name, marker_tag);
}

std::string axis_letters(int axes) {
    std::string letters;
    for (const auto& [bit, letter] : {std::pair{1, 'x'}, {2, 'y'}, {4, 'z'}})
        if ((axes & bit) != 0) letters += letter;
    return letters.empty() ? "x" : letters;
}

long long written_triangles(const byte_region& mesh) {
    long long total = 0;
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    for (std::int32_t i = 0; i < get_i32(mesh, mesh_header::num_mesh_obj); ++i) {
        total += get_i32(mesh, object + mesh_object::num_triangle);
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    return total;
}

} // namespace

void report_left_out(const mqo_notes& notes, const byte_region& mesh, bool anchors_are_meshes) {
    long long polygons = 0, yield = 0;
    for (const mqo_object_note& o : notes.objects) {
        if (is_marker_object(o.name)) continue;
        if (!anchors_are_meshes && begins_with(o.name, marker_anchor)) {
            std::fprintf(stderr,
                         "left out : Object[%s] not built (its name begins with \"%s\"): "
                         "%d faces\n",
                         text_for_display(o.name).c_str(), std::string(marker_anchor).c_str(),
                         o.polygons + o.lines);
            continue;
        }
        polygons += o.polygons;
        yield += o.triangle_yield;
        const std::string shown = text_for_display(o.name);
        const char* n = shown.c_str();
        if (!is_mesh_object_name(o.name, false)) {
            std::fprintf(stderr,
                         "left out : Object[%s] not built (its name begins with \"%s\"): "
                         "%d faces\n",
                         n, begins_with(o.name, marker_skin_source) ? "sdef:" : "bone",
                         o.polygons + o.lines);
            continue;
        }
        if (o.quads + o.lines > 0)
            std::fprintf(stderr, "left out : Object[%s] %d faces of 4 corners, %d lines skipped\n",
                         n, o.quads, o.lines);
        if (o.visible == 0)
            std::fprintf(stderr, "left out : Object[%s] is hidden in the modeller but exported\n",
                         n);
        if (o.mirror == 1 || o.mirror == 2)
            std::fprintf(stderr, "left out : Object[%s] mirrored half (%s) not made\n", n,
                         axis_letters(o.mirror_axis).c_str());
    }
    const long long written = written_triangles(mesh);
    if (written < yield)
        std::fprintf(stderr,
                     "left out : %lld of %lld polygons were not exported; WHOLEMODEL=1 exports "
                     "them\n",
                     polygons - written, polygons);
}

void report_refusal_hint(const mqo_notes& notes, bool mesh_failed) {
    std::string reason = notes.refusal_lifted_by_whole_model;
    if (mesh_failed)
        for (const mqo_object_note& o : notes.objects)
            if (is_mesh_object_name(o.name, false) && o.without_material > 0)
                reason = "faces without a material";
    if (!reason.empty())
        std::fprintf(stderr, "left out : WHOLEMODEL=1 converts models with %s\n", reason.c_str());
}

} // namespace ossify
