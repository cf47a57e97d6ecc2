#include "driver/usage_text.hpp"

#include <iterator>

namespace ossify {

namespace {

// One line a mode and one line a key, so that a new one is one more line.
const char* const mode_lines[] = {
    "  1      MDS -> MDM (tags at BASEFRAME)",
    "  2      MDS -> MDX",
    "  3      MDS -> MDM and MDX",
    "  4      give an MDM the tags of REFERENCEMDM",
    "  5      give an MDX the torso weights and parent distances of REFERENCEMDX",
    "  6      rescale an MDM by RESCALEFACTOR percent",
    "  7      rescale an MDX by RESCALEFACTOR percent",
    "  8      MQO -> static MD3",
    "  9      MQO with skeleton markers -> skinned MDM, tags of REFERENCEMDM or the skeleton's",
    "  10     pose MDMSOURCE by MDXSOURCE (or MD3SOURCE): PREVIEW, MQOOUT; else check",
    "  11-12  accepted; no job",
};

struct key_line {
    const char* key;
    const char* meaning;
};

const key_line key_lines[] = {
    {"MODE=n", "the job (above); absent: mode 8"},
    {"MDS=PATH", "MDS input (modes 1-3)"},
    {"MDM=PATH", "MDM output (modes 1, 3, 4, 6, 9)"},
    {"MDX=PATH", "MDX output (modes 2, 3, 5, 7)"},
    {"MQO=PATH", "MQO input (modes 8, 9)"},
    {"REPORT=1", "print the MDM report after modes 1 and 3"},
    {"BASEFRAME=n", "frame of the MDS tags, from 0 (modes 1, 3)"},
    {"RESCALEFACTOR=n", "whole percentage above 0 (modes 6, 7)"},
    {"REFERENCEMDM=PATH", "MDM whose tags are copied (modes 4, 9)"},
    {"REFERENCEMDX=PATH", "MDX whose bone values are copied (mode 5)"},
    {"MDMSOURCE=PATH", "MDM input (modes 4, 6, 10)"},
    {"MDXSOURCE=PATH", "MDX input (modes 5, 7, 10)"},
    {"MQOROOTBONE=n", "number of the root bone:NAME material, from 0 (mode 9)"},
    {"MD3SHADERPATH=NAME", "shader of every MD3 surface (mode 8)"},
    {"MD3OUTNAME=PATH", "MD3 output (mode 8)"},
    {"MD3SCALE=n", "MD3 positions times n; 64 gives the drawn size (mode 8)"},
    {"WHOLEMODEL=1", "convert every MQO face, mirror, binary vertices (modes 8, 9)"},
    {"BLENDWEIGHTS=n", "each vertex follows up to n bones, 1 to 4 (mode 9)"},
    {"SKELETONMDX=PATH", "one-frame MDX of the drawn skeleton (mode 9)"},
    {"PREVIEW=PATH", "binary glTF (.glb) of the result (modes 1, 3, 8, 9, 10)"},
    {"SURFACELIMIT=n", "vertices a surface, 1024 if absent (WHOLEMODEL, modes 8, 9)"},
    {"SHADERPREFIX=PATH/", "put before every shader name (WHOLEMODEL, modes 8, 9)"},
    {"SKINOUT=PATH", "skin file of surface,shader lines (WHOLEMODEL, modes 8, 9)"},
    {"UPAXIS=Y", "turn a y-up model z-up, facing +x (modes 8, 9); MQOOUT back (10)"},
    {"MQOOUT=PATH", "MQO of the posed MDM or of MD3SOURCE, 10 x engine size (mode 10)"},
    {"MD3SOURCE=PATH", "MD3 input, first frame (mode 10)"},
    {"RIG=1", "skeleton from bone: triangles, skin bound by anchor solids (mode 9)"},
    {"LODMIN=P", "least share of each surface drawn, 1 to 100 percent (mode 9)"},
    {"MD3LODS=N", "also write NAME_1.md3 .. NAME_N.md3, N 1 to 3 (mode 8)"},
    {"PREVIEWLOD=P", "preview at lod P percent (9, 10), or MD3 LOD file P (8)"},
    {"BINDFRAME=n", "frame of BINDMDX (9) or MDXSOURCE (10), from 0"},
    {"BINDMDX=PATH", "bind to this MDX's skeleton instead of bone markers (mode 9)"},
    {"BINDBONES=LIST", "bone names or numbers BINDMDX binds to; absent: all (mode 9)"},
    {"GLTF=PATH", "glTF model (.glb, .gltf) in place of MQO (modes 8, 9)"},
    {"GLTFMESH=NAMES", "keep only these glTF mesh nodes, comma-separated (modes 8, 9)"},
    {"ANIMMDX=PATH", "MDX of the glTF's animation (mode 9 with GLTF)"},
    {"GLTFANIM=NAME", "the glTF animation ANIMMDX samples; absent: the first"},
    {"GLTFFPS=n", "frames a second ANIMMDX samples; absent: 20"},
    {"MDMNAME, MDXNAME", "accepted with REPLACEMDMNAME, REPLACEMDXNAME; unused"},
    {"MDSSOURCE=PATH", "MDS input of the check (mode 10)"},
};

void print_lines(std::FILE* out, const char* const* first, const char* const* last) {
    for (; first != last; ++first)
        std::fprintf(out, "%s\n", *first);
}

} // namespace

void print_usage(std::FILE* out) {
    std::fprintf(out, "Usage: ossify [-cfg FILE]\n"
                      "       ossify --help | -h | --version\n\n"
                      "Runs the one job that the configuration FILE (default: ossify.cfg in the\n"
                      "working directory) describes in KEY=VALUE lines. Paths in it are relative\n"
                      "to the working directory.\n\nModes (MODE=n):\n");
    print_mode_list(out);
    std::fprintf(out, "\nKeys (upper case, no blanks around '='):\n");
    for (const key_line& line : key_lines)
        std::fprintf(out, "  %-19s %s\n", line.key, line.meaning);
    std::fprintf(out, "\nExit status: 1 after a completed job, 0 after an error (the reverse of\n"
                      "the usual convention).\n"
                      "The full reference is README.md (installed in share/doc/ossify), the\n"
                      "modelling guide docs/modelling.md.\n");
}

void print_version(std::FILE* out) {
    std::fprintf(out, "ossify %s\n", OSSIFY_VERSION);
}

void print_mode_list(std::FILE* out) {
    print_lines(out, std::begin(mode_lines), std::end(mode_lines));
}

void print_unknown_option_hint(std::FILE* out, const char* argument) {
    std::fprintf(out,
                 "ossify: ignoring the argument \"%s\"; usage: ossify [-cfg FILE] (ossify --help "
                 "lists the modes and keys)\n",
                 argument);
}

} // namespace ossify
