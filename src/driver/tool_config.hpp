// The configuration record: one field per key of the configuration file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace ossify {

inline constexpr int path_field_width = 256;
inline constexpr int name_field_width = 64;
inline constexpr int list_field_width = 1024; // a configuration line holds at most 1023 characters

struct tool_config {
    std::int32_t mode = 0;
    char mds_path[path_field_width] = {};
    char mdm_path[path_field_width] = {};
    char mdx_path[path_field_width] = {};
    char mqo_path[path_field_width] = {};
    std::int32_t report = 0;
    std::int32_t base_frame = 0;
    std::int32_t replace_mdm_name = 0;
    char mdm_name[name_field_width] = {};
    std::int32_t replace_mdx_name = 0;
    char mdx_name[name_field_width] = {};
    std::int32_t rescale_factor = 0;
    char reference_mdm[name_field_width] = {};
    char reference_mdx[name_field_width] = {};
    char mdm_source[name_field_width] = {};
    char mdx_source[name_field_width] = {};
    std::int32_t mqo_root_bone = 0;
    char md3_shader_path[name_field_width] = {};
    char md3_out_name[name_field_width] = {};
    // Extensions: absent or 0 keeps the defined behaviour.
    std::int32_t blend_weights = 0;           // BLENDWEIGHTS: bones per vertex in mode 9, 0 = rigid
    char skeleton_mdx[path_field_width] = {}; // mode 9: where to write the skeleton's MDX
    std::int32_t whole_model = 0;             // WHOLEMODEL: convert every face of the MQO model
    std::int32_t md3_scale = 0;               // MD3SCALE: 0 (absent) and 1 store positions as drawn
    char preview_path[path_field_width] = {}; // PREVIEW: a .glb of the job's result
    char mds_source[path_field_width] = {};   // MDSSOURCE: an MDS for mode 10's check
    // Not a key: the text RESCALEFACTOR was given, so that a job can tell 50
    // from "50%" or "0.5", which read as the same or another whole number.
    char rescale_factor_text[name_field_width] = {};
    std::int32_t surface_limit = 0;            // SURFACELIMIT: vertices a surface, 0 = 1024
    char shader_prefix[name_field_width] = {}; // SHADERPREFIX: put before every shader name
    char skin_out[path_field_width] = {};      // SKINOUT: a skin file of the surfaces' shaders
    char up_axis[name_field_width] = {};       // UPAXIS: "Y" turns a y-up model z-up
    std::int32_t bind_frame = 0;               // BINDFRAME: the MDX frame a model is posed at
    char mqo_out[path_field_width] = {};       // MQOOUT: mode 10 writes the posed model as an MQO
    char md3_source[path_field_width] = {};    // MD3SOURCE: an MD3 input of mode 10
    std::int32_t rig = 0;      // RIG: mode 9 reads bone triangles, skin objects and anchor solids
    std::int32_t lod_min = 0;  // LODMIN: mode 9's minimum level of detail, percent of the vertices
    std::int32_t md3_lods = 0; // MD3LODS: mode 8 also writes NAME_1.md3 .. NAME_N.md3
    std::int32_t preview_lod = 0;           // PREVIEWLOD: the level of detail the preview shows
    char bind_mdx[path_field_width] = {};   // BINDMDX: mode 9 binds to this MDX's skeleton
    char bind_bones[list_field_width] = {}; // BINDBONES: the bones BINDMDX binds to; empty: all
    char gltf_path[path_field_width] = {};  // GLTF: a glTF model in place of MQO (modes 8, 9)
    char gltf_mesh[path_field_width] = {};  // GLTFMESH: the mesh nodes kept, comma-separated
    char anim_mdx[path_field_width] = {};   // ANIMMDX: mode 9 writes the glTF's animation here
    char gltf_anim[name_field_width] = {};  // GLTFANIM: the animation sampled (absent: the first)
    std::int32_t gltf_fps = 0;              // GLTFFPS: frames a second sampled, 0 = 20
};

// Reads KEY=VALUE lines into `config`. Returns 1 when the whole text was read,
// -1 at the first error, after printing its line-numbered message.
int load_config_text(std::string_view text, tool_config& config);

// The same for an opened text file, read whole.
int load_config(std::FILE* file, tool_config& config);

// The key of the table nearest to `key` by edits (case aside), or null when
// even the nearest differs in more than half its letters.
const char* nearest_config_key(std::string_view key);

} // namespace ossify
