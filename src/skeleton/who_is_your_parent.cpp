#include <cstdio>
#include <string>

#include "base/display_text.hpp"
#include "base/vector_fields.hpp"
#include "skeleton/orientation.hpp"
#include "skeleton/parent_search.hpp"

namespace ossify {

namespace {

// The first bone whose forward vertex is the record's origin or alternate origin.
std::int32_t find_parent(const byte_region& boneobj, std::int32_t num_bones, offset_t record) {
    const std::int32_t origin = get_i32(boneobj, record + bone_record::origin);
    const std::int32_t alternate = get_i32(boneobj, record + bone_record::alternate_origin);
    for (std::int32_t i = 0; i < num_bones; ++i) {
        const std::int32_t forward = get_i32(boneobj, bone_record_at(i) + bone_record::forward);
        if (forward == origin || (alternate != -1 && forward == alternate)) return i;
    }
    return -1;
}

// Positions closer than this are one joint drawn as two vertices.
constexpr float weld_distance = 1e-4f;

// A record without a parent whose origin sits on another bone's forward vertex
// without being that vertex was meant to be welded to it: say which two.
void explain_unwelded_origin(const byte_region& boneobj, std::int32_t num_bones, offset_t record) {
    const std::int32_t origin = get_i32(boneobj, record + bone_record::origin);
    const vector3 at = get_vector3(boneobj, record + bone_record::origin_position);
    for (std::int32_t i = 0; i < num_bones; ++i) {
        const offset_t other = bone_record_at(i);
        const std::int32_t forward = get_i32(boneobj, other + bone_record::forward);
        if (other == record || forward == origin ||
            point_distance(at, get_vector3(boneobj, other + bone_record::forward_position)) >
                weld_distance)
            continue;
        std::fprintf(stderr,
                     "who_is_your_parent : the origin of [%s], vertex %d, lies on vertex %d, the "
                     "forward vertex of [%s], but is another vertex: weld vertices %d and %d "
                     "(parents are found by vertex number, not by position).\n",
                     text_for_display(bone_record_name(boneobj, record)).c_str(), origin, forward,
                     text_for_display(bone_record_name(boneobj, other)).c_str(), origin, forward);
        return;
    }
}

bool on_chain(const ancestor_list& ancestors, offset_t start, std::int32_t bone) {
    if (bone_record_at(bone) == start) return true;
    for (std::int32_t i = 0; i < ancestors.count; ++i)
        if (ancestors.bone[i] == bone) return true;
    return false;
}

} // namespace

int who_is_your_parent(byte_region& boneobj, std::int32_t num_bones, std::int32_t k,
                       offset_t record, ancestor_list& ancestors) {
    const offset_t start = record;
    // An iterative walk: a chain that loops or grows too long is caught instead
    // of recursing without end.
    for (;;) {
        if (get_i32(boneobj, record + bone_record::parent) == -1) return 1;
        const std::int32_t parent = find_parent(boneobj, num_bones, record);
        if (parent < 0) {
            std::printf("who_is_your_parent : BONE[%d] No parents found.\n", k);
            explain_unwelded_origin(boneobj, num_bones, record);
            return 0;
        }
        if (on_chain(ancestors, start, parent)) {
            std::printf("who_is_your_parent : BONE[%d] Parent chain returns to BONE[%d].\n", k,
                        parent);
            const std::string parent_name =
                text_for_display(bone_record_name(boneobj, bone_record_at(parent)));
            std::fprintf(
                stderr,
                "who_is_your_parent : the chain from [%s] runs in a loop: the forward "
                "vertex of [%s] is the origin (or alternate origin) of [%s], but the "
                "chain has passed [%s] already, so it never reaches the root bone "
                "(MQOROOTBONE). A bone without a triangle of its material has its origin "
                "and forward vertex both at vertex 0 and loops onto itself.\n",
                text_for_display(bone_record_name(boneobj, start)).c_str(), parent_name.c_str(),
                text_for_display(bone_record_name(boneobj, record)).c_str(), parent_name.c_str());
            return 0;
        }
        if (ancestors.count == bone_max_tree) {
            std::printf("who_is_your_parent : BONE[%d] More than %d ancestors.\n", k,
                        bone_max_tree);
            std::fprintf(stderr,
                         "who_is_your_parent : the chain from [%s] towards the root bone is "
                         "longer than %d bones; a skeleton holds at most %d bones between the "
                         "root and any bone or tag.\n",
                         text_for_display(bone_record_name(boneobj, start)).c_str(), bone_max_tree,
                         bone_max_tree);
            return 0;
        }
        const offset_t parent_record = bone_record_at(parent);
        ancestors.bone[ancestors.count++] = parent;
        put_i32(boneobj, record + bone_record::parent, parent);
        put_f32(boneobj, record + bone_record::parent_distance,
                point_distance(get_vector3(boneobj, parent_record + bone_record::origin_position),
                               get_vector3(boneobj, record + bone_record::origin_position)));
        record = parent_record;
        k = parent;
    }
}

} // namespace ossify
