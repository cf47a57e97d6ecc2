#include <cstdio>

#include "export/md3_layout.hpp"
#include "export/md3_writer.hpp"

namespace ossify {

std::int32_t build_md3_from_mesh(const byte_region& mesh, byte_region& md3, const char* shader_name,
                                 std::int32_t scale, bool stored_bounds) {
    std::printf("---------------------------------\nFUNCTION CALLED : build_md3_from_mesh\n"
                "---------------------------------\n");
    std::int64_t total = build_md3header_from_mesh(md3, mesh);
    total += build_md3frame_from_mesh(mesh, md3, stored_bounds ? scale : 0);
    // A model without tags has an empty tag section; only the surfaces are required.
    total += build_md3tag_from_mesh(md3, mesh);
    const std::int32_t surfaces = build_md3surface_from_mesh(md3, mesh, shader_name, scale);
    if (md3.fault) {
        std::printf("build_md3_from_mesh : The model does not fit the MD3 buffer of %zu bytes\n",
                    md3.size);
        return -1;
    }
    if (surfaces == 0) return -1;
    total += surfaces;
    put_i32(md3, md3_header::ofs_end, static_cast<std::int32_t>(total));
    return static_cast<std::int32_t>(total);
}

} // namespace ossify
