#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/file_io.hpp"
#include "base/line_pieces.hpp"
#include "base/text_routines.hpp"
#include "driver/tool_config.hpp"
#include "driver/usage_text.hpp"

namespace ossify {

namespace {

constexpr std::size_t longest_key = 255;

// One configuration key and where its value goes: an integer field, or a text
// field of `width` bytes whose tail is zeroed only when `zero_rest` is set.
struct config_key {
    const char* name;
    std::int32_t* (*integer)(tool_config&);
    char* (*text)(tool_config&);
    std::size_t width;
    bool zero_rest;
};

#define OSSIFY_INT_KEY(key, field)                                                                 \
    config_key {                                                                                   \
        key, [](tool_config& c) { return &c.field; }, nullptr, 0, false                            \
    }
#define OSSIFY_TEXT_KEY(key, field, zero)                                                          \
    config_key {                                                                                   \
        key, nullptr, [](tool_config& c) { return c.field; }, sizeof(tool_config::field), zero     \
    }

const config_key config_keys[] = {
    OSSIFY_INT_KEY("MODE", mode),
    OSSIFY_TEXT_KEY("MDS", mds_path, false),
    OSSIFY_TEXT_KEY("MDM", mdm_path, false),
    OSSIFY_TEXT_KEY("MDX", mdx_path, false),
    OSSIFY_TEXT_KEY("MQO", mqo_path, false),
    OSSIFY_INT_KEY("REPORT", report),
    OSSIFY_INT_KEY("BASEFRAME", base_frame),
    OSSIFY_INT_KEY("REPLACEMDMNAME", replace_mdm_name),
    OSSIFY_TEXT_KEY("MDMNAME", mdm_name, false),
    OSSIFY_INT_KEY("REPLACEMDXNAME", replace_mdx_name),
    OSSIFY_TEXT_KEY("MDXNAME", mdx_name, false),
    OSSIFY_INT_KEY("RESCALEFACTOR", rescale_factor),
    OSSIFY_TEXT_KEY("REFERENCEMDM", reference_mdm, false),
    OSSIFY_TEXT_KEY("REFERENCEMDX", reference_mdx, false),
    OSSIFY_TEXT_KEY("MDMSOURCE", mdm_source, false),
    OSSIFY_TEXT_KEY("MDXSOURCE", mdx_source, false),
    OSSIFY_INT_KEY("MQOROOTBONE", mqo_root_bone),
    OSSIFY_TEXT_KEY("MD3SHADERPATH", md3_shader_path, true),
    OSSIFY_TEXT_KEY("MD3OUTNAME", md3_out_name, true),
    OSSIFY_INT_KEY("BLENDWEIGHTS", blend_weights),
    OSSIFY_TEXT_KEY("SKELETONMDX", skeleton_mdx, false),
    OSSIFY_INT_KEY("WHOLEMODEL", whole_model),
    OSSIFY_INT_KEY("MD3SCALE", md3_scale),
    OSSIFY_TEXT_KEY("PREVIEW", preview_path, false),
    OSSIFY_TEXT_KEY("MDSSOURCE", mds_source, false),
    OSSIFY_INT_KEY("SURFACELIMIT", surface_limit),
    OSSIFY_TEXT_KEY("SHADERPREFIX", shader_prefix, true),
    OSSIFY_TEXT_KEY("SKINOUT", skin_out, false),
    OSSIFY_TEXT_KEY("UPAXIS", up_axis, true),
    OSSIFY_INT_KEY("BINDFRAME", bind_frame),
    OSSIFY_TEXT_KEY("MQOOUT", mqo_out, false),
    OSSIFY_TEXT_KEY("MD3SOURCE", md3_source, false),
    OSSIFY_INT_KEY("RIG", rig),
    OSSIFY_INT_KEY("LODMIN", lod_min),
    OSSIFY_INT_KEY("MD3LODS", md3_lods),
    OSSIFY_INT_KEY("PREVIEWLOD", preview_lod),
    OSSIFY_TEXT_KEY("BINDMDX", bind_mdx, false),
    OSSIFY_TEXT_KEY("BINDBONES", bind_bones, false),
    OSSIFY_TEXT_KEY("GLTF", gltf_path, false),
    OSSIFY_TEXT_KEY("GLTFMESH", gltf_mesh, false),
    OSSIFY_TEXT_KEY("ANIMMDX", anim_mdx, false),
    OSSIFY_TEXT_KEY("GLTFANIM", gltf_anim, false),
    OSSIFY_INT_KEY("GLTFFPS", gltf_fps),
};

#undef OSSIFY_INT_KEY
#undef OSSIFY_TEXT_KEY

void store_text(char* field, std::size_t width, const std::string& value, bool zero_rest) {
    const std::size_t length = std::min(value.size(), width - 1);
    std::memcpy(field, value.data(), length);
    if (zero_rest)
        std::memset(field + length, 0, width - length);
    else
        field[length] = '\0';
}

// The number of single-character edits (insertions, deletions, substitutions)
// that turn `a` into `b`, letters compared without case.
std::size_t edit_distance(std::string_view a, std::string_view b) {
    const auto folded = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t substitution = diagonal + (folded(a[i - 1]) != folded(b[j - 1]));
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

const char* nearest_config_key(std::string_view key) {
    const char* nearest = nullptr;
    std::size_t best = 0;
    for (const config_key& entry : config_keys) {
        // A key cut short counts as one edit from the whole key.
        const std::string_view name = entry.name;
        std::size_t d = edit_distance(key, name);
        if (!key.empty() && key.size() < name.size())
            d = std::min(d, edit_distance(key, name.substr(0, key.size())) + 1);
        if (nearest == nullptr || d < best) {
            nearest = entry.name;
            best = d;
        }
    }
    // More edits than half the key's length suggest nothing the user meant.
    const std::size_t length = std::max(key.size(), std::strlen(nearest));
    return best * 2 <= length ? nearest : nullptr;
}

namespace {

// Applies one line; returns false after printing the message of its error.
bool apply_line(std::string_view line, int line_number, tool_config& config) {
    if (line.size() < 3) return true;
    if (line[0] == '/' && line[1] == '/') return true;

    std::size_t equals = 0;
    for (;; ++equals) {
        if (line[equals] == '=') break;
        if (equals >= longest_key) {
            std::printf("Parsing config error at line %d:Too long key entry.\n", line_number);
            return false;
        }
        if (equals == line.size() - 1) {
            std::printf("Parsing config error at line %d:No Value\n", line_number);
            return false;
        }
    }
    const std::string key(line.substr(0, equals));
    const std::string value(line.substr(equals + 1));

    for (const config_key& entry : config_keys) {
        if (strequ(key.c_str(), entry.name) == 0) continue;
        if (entry.text != nullptr) {
            store_text(entry.text(config), entry.width, value, entry.zero_rest);
            return true;
        }
        *entry.integer(config) = a2i(value.c_str());
        if (entry.integer(config) == &config.rescale_factor)
            store_text(config.rescale_factor_text, sizeof config.rescale_factor_text, value, true);
        if (entry.integer(config) == &config.mode && (config.mode < 1 || config.mode > 12)) {
            std::printf("Parsing config error at line %d:Invalid MODE value\n", line_number);
            std::fprintf(stderr, "ossify: MODE is a number from 1 to 12:\n");
            print_mode_list(stderr);
            return false;
        }
        return true;
    }
    std::printf("Parsing config error at line %d:No such key(%s).\n", line_number, key.c_str());
    if (const char* nearest = nearest_config_key(key))
        std::fprintf(stderr, "ossify: line %d: did you mean %s?\n", line_number, nearest);
    return false;
}

} // namespace

int load_config_text(std::string_view text, tool_config& config) {
    line_pieces lines{text};
    std::string piece;
    int line_number = 0;
    while (next_line_piece(lines, piece)) {
        ++line_number;
        if (!apply_line(line_of_piece(piece), line_number, config)) return -1;
    }
    return 1;
}

int load_config(std::FILE* file, tool_config& config) {
    std::string text;
    if (!read_text_file(file, text)) return -1;
    return load_config_text(text, config);
}

} // namespace ossify
