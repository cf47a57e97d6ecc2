// Writes the sample files of examples/: sample.mds (the model the mode 1 to 3
// examples split) and reference.mdm and reference.mdx (the references of the
// mode 4 and 5 examples), into the directory given as the only argument.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "support/skeletal_builder.hpp"

namespace {

bool write(const std::filesystem::path& path, const ossify_test::bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()),
              static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skeletal_samples DIRECTORY\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    using namespace ossify_test;
    const bool written = write(dir / "sample.mds", build_mds(sample_mds_desc())) &&
                         write(dir / "reference.mdm", build_mdm(reference_mdm_desc())) &&
                         write(dir / "reference.mdx", build_mdx(reference_mdx_desc()));
    if (!written) {
        std::fprintf(stderr, "make_skeletal_samples: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
