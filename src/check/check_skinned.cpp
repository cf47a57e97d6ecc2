// The checks of the skinned formats, MDM and MDS, whose surfaces share one
// header: the loaders' limits, names, bone numbers and references, weights,
// triangles and the levels of detail the engine draws.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "check/check_report.hpp"
#include "check/engine_rules.hpp"
#include "check/file_check.hpp"
#include "skeletal/skeletal_headers.hpp"

namespace ossify {

namespace {

namespace rules = engine_rules;

bool bone_in(std::int32_t bone, const skeleton_facts& skeleton) {
    return bone >= 0 && bone < skeleton.bones;
}

// Weights: their sums, bones beyond the skeleton; then the bone references:
// numbers beyond the skeleton, and weighted bones whose ancestors they omit.
void check_surface_skin(file_check& c, const surface_arrays& s, const std::string& where,
                        const skeleton_facts& skeleton) {
    const byte_region& file = c.file;
    std::vector<bool> weighted(static_cast<std::size_t>(std::max(skeleton.bones, 0)), false);
    std::int32_t bad_sums = 0, first_bad_sum = -1, outside = 0, first_outside = -1;
    std::int32_t outside_bone = 0;
    float first_sum = 0.0f;
    offset_t vertex = s.vertices;
    for (std::int32_t v = 0; v < s.num_verts && !file.fault; ++v) {
        const std::int32_t weights = get_i32(file, vertex + mdm_vertex::num_weights);
        double sum = 0.0;
        for (std::int32_t w = 0; w < weights; ++w) {
            const offset_t at = vertex + s.vertex_header + skin_weight::size * w;
            const std::int32_t bone = get_i32(file, at + skin_weight::bone);
            sum += double{get_f32(file, at + skin_weight::weight)};
            if (bone_in(bone, skeleton)) {
                weighted[static_cast<std::size_t>(bone)] = true;
            } else if (outside++ == 0) {
                first_outside = v;
                outside_bone = bone;
            }
        }
        if (!(std::fabs(sum - 1.0) <= double{rules::weight_sum_tolerance}) && bad_sums++ == 0) {
            first_bad_sum = v;
            first_sum = static_cast<float>(sum);
        }
        vertex += s.vertex_header + skin_weight::size * weights;
    }
    if (bad_sums > 0)
        c.add(where + " Vertex[" + std::to_string(first_bad_sum) + "] WeightSum[" +
              std::to_string(first_sum) + "]: " + std::to_string(bad_sums) +
              " vertices whose weights do not sum to 1; the engine shrinks or swells them");
    if (outside > 0)
        c.add(where + " Vertex[" + std::to_string(first_outside) + "] Bone[" +
              std::to_string(outside_bone) + "]: " + std::to_string(outside) +
              " weights name bones beyond the " + std::to_string(skeleton.bones) + " of " +
              skeleton.source);

    std::vector<bool> referenced(weighted.size(), false);
    std::int32_t bad_refs = 0, first_bad_ref = 0;
    for (std::int32_t r = 0; r < s.num_bone_refs && !file.fault; ++r) {
        const std::int32_t bone = get_i32(file, s.bone_refs + index_size * r);
        if (bone_in(bone, skeleton))
            referenced[static_cast<std::size_t>(bone)] = true;
        else if (bad_refs++ == 0)
            first_bad_ref = bone;
    }
    if (bad_refs > 0)
        c.add(where + " BoneRef[" + std::to_string(first_bad_ref) +
              "]: " + std::to_string(bad_refs) + " bone references name bones beyond the " +
              std::to_string(skeleton.bones) + " of " + skeleton.source);
    if (skeleton.parents.empty()) return;

    // A bone is posed from its parent's pose, so each weighted bone needs its
    // whole chain listed; a parent outside the skeleton ends the walk (the
    // MDX check reports it).
    std::int32_t missing = 0, first_bone = 0, first_ancestor = 0;
    for (std::int32_t bone = 0; bone < skeleton.bones; ++bone) {
        if (!weighted[static_cast<std::size_t>(bone)]) continue;
        std::int32_t at = skeleton.parents[static_cast<std::size_t>(bone)];
        // The engine's chains are at most as deep as its bone arrays are long.
        const std::int32_t deepest = std::min(skeleton.bones, rules::skeleton_bones);
        for (std::int32_t steps = 0; bone_in(at, skeleton) && steps < deepest; ++steps) {
            if (!referenced[static_cast<std::size_t>(at)]) {
                if (missing++ == 0) {
                    first_bone = bone;
                    first_ancestor = at;
                }
                break;
            }
            at = skeleton.parents[static_cast<std::size_t>(at)];
        }
    }
    if (missing > 0)
        c.add(where + " Bone[" + std::to_string(first_bone) + "] Ancestor[" +
              std::to_string(first_ancestor) + "]: " + std::to_string(missing) +
              " weighted bones have an ancestor missing from the bone references; the engine "
              "poses them from a stale matrix");
}

void check_triangles(file_check& c, const surface_arrays& s, offset_t triangles,
                     const std::string& where) {
    std::int32_t bad = 0, first = -1;
    for (std::int32_t t = 0; t < s.num_triangles && !c.file.fault; ++t)
        for (offset_t corner = 0; corner < 3; ++corner) {
            const std::int32_t v =
                get_i32(c.file, triangles + triangle_size * t + index_size * corner);
            if (v >= 0 && v < s.num_verts) continue;
            if (bad++ == 0) first = t;
            break;
        }
    if (bad > 0)
        c.add(where + " Triangle[" + std::to_string(first) + "]: " + std::to_string(bad) +
              " triangles have a corner outside the surface's vertices");
}

void check_surfaces(file_check& c, mesh_format format, const skeleton_facts& skeleton) {
    const std::int32_t surfaces = surface_count(c.file, format);
    c.limit(surfaces, rules::skinned_surfaces, "Surfaces", "both engines refuse the model");
    int s = 0;
    for (const surface_faults& f : find_surface_faults(c.file, format)) {
        const surface_arrays& a = f.arrays;
        const std::string number = "Surface[" + std::to_string(s++) + "]";
        const std::string name = c.name_at(a.header + mdm_surface::name, number);
        const std::string where = number + " Name[" + name + "]";
        c.name_at(a.header + mdm_surface::shader, where + " Shader");
        c.engines_limit(a.num_verts, rules::original_surface_vertices,
                        rules::successor_surface_vertices, where, "Vertex");
        c.engines_limit(a.num_triangles, rules::original_surface_triangles,
                        rules::successor_surface_triangles, where, "Triangle");
        c.limit(a.num_verts, rules::lod_buffer_vertices, where + " Vertex",
                "both engines overflow their level-of-detail buffer when they draw it below "
                "full detail");
        for (const std::string& text : surface_fault_texts(f))
            c.add(where + " " + text);
        check_surface_skin(c, a, where, skeleton);
        const offset_t triangles =
            format == mesh_format::mdm
                ? a.header + get_i32(c.file, a.header + mdm_surface::ofs_triangles)
                : a.collapse_map - triangle_size * a.num_triangles;
        check_triangles(c, a, triangles, where);
    }
}

} // namespace

void check_mdm_file(const byte_region& mdm, const char* path, const skeleton_facts& skeleton,
                    check_report& report) {
    file_check c{mdm, "check_mdm", path, report};
    c.name_at(mdm_header::name, "Model");
    check_surfaces(c, mesh_format::mdm, skeleton);
    const mdm_info info = read_mdm_info(mdm);
    c.limit(info.num_tags, rules::skinned_tags, "Tags", "both engines refuse the model");
    offset_t at = info.ofs_tags;
    for (std::int32_t t = 0; t < info.num_tags && !mdm.fault; ++t) {
        const std::string number = "Tag[" + std::to_string(t) + "]";
        const std::string where = number + " Name[" + c.name_at(at + mdm_tag::name, number) + "]";
        const std::int32_t bone = get_i32(mdm, at + mdm_tag::attach_bone);
        if (!bone_in(bone, skeleton))
            c.add(where + " Bone[" + std::to_string(bone) +
                  "]: the tag hangs on a bone beyond the " + std::to_string(skeleton.bones) +
                  " of " + skeleton.source);
        at += get_i32(mdm, at + mdm_tag::ofs_end);
    }
}

void check_mds_file(const byte_region& mds, const char* path, check_report& report) {
    file_check c{mds, "check_mds", path, report};
    c.name_at(mds_header::name, "Model");
    const skeleton_facts skeleton = skeleton_of_mds(mds);
    for (std::int32_t b = 0; b < skeleton.bones && !mds.fault; ++b)
        c.name_at(bone_info_at(read_mds_info(mds).ofs_bones, b) + mds_bone_info::name,
                  "Bone[" + std::to_string(b) + "]");
    check_surfaces(c, mesh_format::mds, skeleton);
}

} // namespace ossify
