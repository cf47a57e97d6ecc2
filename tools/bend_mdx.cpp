// Writes a copy of an MDX with one limb bent in every frame: the subtree of a
// named bone turned by an angle about an axis through that bone. It poses a
// model for the pictures of the modelling guide (docs/images/make-bend-pictures.sh
// bends the character's elbow with it); any MDX a mode 10 preview can show works.
//
//   bend_mdx IN.mdx OUT.mdx BONE DEGREES [AXIS]
//
// AXIS is x, y or z (model axes) or forward, left or up (the bent bone's own
// axes); the default is up.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <vector>

#include "mdx_bend.hpp"
#include "skeletal/skeletal.hpp"

int main(int argc, char** argv) {
    using namespace ossify;
    using namespace ossify_tools;
    bend_axis axis = bend_axis::up;
    char* end = nullptr;
    const double degrees = argc >= 5 ? std::strtod(argv[4], &end) : 0;
    if (argc < 5 || argc > 6 || end == argv[4] || *end != '\0' ||
        (argc == 6 && !parse_bend_axis(argv[5], axis))) {
        std::fprintf(stderr,
                     "usage: bend_mdx IN.mdx OUT.mdx BONE DEGREES [x|y|z|forward|left|up]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    if (!in.good() && !in.eof()) file.clear();
    byte_region mdx{file.data(), file.size()};
    if (file.empty() || check_mdx(mdx, static_cast<std::int64_t>(file.size())) < 0) {
        std::fprintf(stderr, "bend_mdx: %s is not a readable MDX\n", argv[1]);
        return 1;
    }
    const std::int32_t bone = find_mdx_bone(mdx, argv[3]);
    if (bone < 0) {
        std::fprintf(stderr, "bend_mdx: %s has no bone named %s\n", argv[1], argv[3]);
        return 1;
    }
    const std::int32_t turned =
        bend_mdx_subtree(mdx, bone, axis, degrees * std::numbers::pi / 180.0);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    if (!out || mdx.fault) {
        std::fprintf(stderr, "bend_mdx: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("bent %d bone(s) from %s by %g degrees\n", turned, argv[3], degrees);
    return 0;
}
