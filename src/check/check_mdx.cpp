// The checks of an MDX, alone and beside the MDS whose skeleton it should carry.
#include <algorithm>
#include <string_view>

#include "check/check_report.hpp"
#include "check/engine_rules.hpp"
#include "skeletal/skeletal.hpp"
#include "skeletal/skeletal_headers.hpp"

namespace ossify {

namespace {

std::string_view name_field(const byte_region& file, offset_t at) {
    const std::string_view field = get_chars(file, at, skeletal_name_width);
    return field.substr(0, field.find('\0'));
}

bool name_fills_field(const byte_region& file, offset_t at) {
    return get_chars(file, at, skeletal_name_width).find('\0') == std::string_view::npos;
}

std::string fills_field_text() {
    return ": the name fills its field of " + std::to_string(skeletal_name_width) +
           " bytes without an end; the engine reads past it: shorten it to " +
           std::to_string(skeletal_name_width - 1) + " bytes";
}

} // namespace

void check_mdx_file(const byte_region& mdx, const char* path, check_report& report) {
    const char* checker = "check_mdx";
    const mdx_info info = read_mdx_info(mdx);
    if (name_fills_field(mdx, mdx_header::name))
        report.add(checker, path, "Model" + fills_field_text());
    if (info.num_bones > engine_rules::skeleton_bones)
        report.add(checker, path,
                   "Bones[" + std::to_string(info.num_bones) + "]: more than " +
                       std::to_string(engine_rules::skeleton_bones) +
                       "; the engine's bone arrays overrun");
    if (info.num_frames == 0) report.add(checker, path, "Frames[0]: no frame to pose a model with");
    if (info.torso_parent < -1 || info.torso_parent >= info.num_bones)
        report.add(checker, path,
                   "TorsoParent[" + std::to_string(info.torso_parent) +
                       "]: not one of the MDX's bones");
    const skeleton_facts skeleton = skeleton_of_mdx(mdx);
    for (std::int32_t b = 0; b < info.num_bones && !mdx.fault; ++b) {
        const offset_t at = bone_info_at(info.ofs_bones, b);
        const std::string where =
            "Bone[" + std::to_string(b) + "] Name[" + std::string(name_field(mdx, at)) + "]";
        if (name_fills_field(mdx, at + mds_bone_info::name))
            report.add(checker, path, where + fills_field_text());
        // The walk to the root must stay among the bones and end within the
        // engine's bone arrays (a longer chain than the bones has looped).
        const std::int32_t deepest = std::min(info.num_bones, engine_rules::skeleton_bones);
        std::int32_t parent = skeleton.parents[static_cast<std::size_t>(b)];
        std::int32_t steps = 0;
        while (parent >= 0 && parent < info.num_bones && steps <= deepest) {
            parent = skeleton.parents[static_cast<std::size_t>(parent)];
            ++steps;
        }
        if (parent == -1) continue;
        const char* what = parent >= 0 && parent < info.num_bones
                               ? (info.num_bones > deepest
                                      ? "the chain of parents runs in a loop or is deeper than "
                                        "the engine's bone arrays"
                                      : "the chain of parents runs in a loop")
                               : "the chain of parents leaves the bones";
        report.add(checker, path,
                   where + " Parent[" +
                       std::to_string(skeleton.parents[static_cast<std::size_t>(b)]) +
                       "]: " + what);
    }
}

void check_mds_mdx_pair(const byte_region& mds, const byte_region& mdx, const char* mdx_path,
                        check_report& report) {
    const char* checker = "check_pair";
    const mds_info mds_bones = read_mds_info(mds);
    const mdx_info mdx_bones = read_mdx_info(mdx);
    bone_table remap{}, kept{};
    const int regular = number_mds_bones(
        mds_bones.num_bones,
        sub_region(mds, mds_bones.ofs_bones, mds_bone_info::size * mds_bones.num_bones), remap,
        kept);
    if (regular != mdx_bones.num_bones) {
        report.add(checker, mdx_path,
                   "Bones[" + std::to_string(mdx_bones.num_bones) + "]: the MDS has " +
                       std::to_string(regular) +
                       " regular bones; the MDM split from it does not fit this MDX");
        return;
    }
    for (int b = 0; b < regular; ++b) {
        const std::string_view mds_name =
            name_field(mds, bone_info_at(mds_bones.ofs_bones, kept[static_cast<std::size_t>(b)]) +
                                mds_bone_info::name);
        const std::string_view mdx_name =
            name_field(mdx, bone_info_at(mdx_bones.ofs_bones, b) + mds_bone_info::name);
        if (mds_name == mdx_name) continue;
        report.add(checker, mdx_path,
                   "Bone[" + std::to_string(b) + "] Name[" + std::string(mdx_name) +
                       "]: the MDS's regular bone " + std::to_string(b) + " is [" +
                       std::string(mds_name) + "]; the MDM split from it does not fit this MDX");
    }
}

} // namespace ossify
