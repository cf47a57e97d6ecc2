// The skin file that binds each surface of a written model to its image.
#include <cstdio>
#include <string>
#include <vector>

#include "base/file_io.hpp"
#include "export/mdm_writer.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

std::int32_t save_skin_file(const byte_region& mesh, const char* path, const char* shader) {
    std::string text;
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    for (std::int32_t i = 0; i < objects; ++i) {
        const std::string name = get_text(mesh, object + mesh_object::name, 64);
        const std::string own =
            get_i32(mesh, object + mesh_object::num_shader) > 0
                ? get_text(mesh, object + get_i32(mesh, object + mesh_object::ofs_shader), 64)
                : std::string();
        text += name + "," + (shader != nullptr ? std::string(shader) : own) + "\n";
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() + 1); // a buffer even for an empty file
    bytes.assign(text.begin(), text.end());
    const byte_region file{bytes.data(), bytes.size()};
    if (save_file(path, file, static_cast<std::int64_t>(bytes.size())) < 0) return -1;
    std::printf("save_skin_file : File[%s] Surface[%d]\n", path, objects);
    return objects;
}

} // namespace ossify
