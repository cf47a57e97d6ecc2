// The image files of an MQO model's textured materials, for the preview.
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/file_io.hpp"
#include "mesh/arrange_surfaces.hpp"
#include "mqo/mqo_markers.hpp"
#include "mqo/mqo_walk.hpp"
#include "preview/preview.hpp"

namespace ossify {

namespace {

// The MIME type of PNG and JPEG bytes; empty for anything else.
std::string mime_type_of(const std::vector<std::uint8_t>& bytes) {
    static constexpr std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= sizeof png && std::equal(std::begin(png), std::end(png), bytes.begin()))
        return "image/png";
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return "image/jpeg";
    return {};
}

// The bytes of the first of `candidates` that can be read; false when none can.
bool read_first(const std::vector<std::filesystem::path>& candidates,
                std::vector<std::uint8_t>& bytes) {
    for (const std::filesystem::path& path : candidates) {
        file_handle file(std::fopen(path.string().c_str(), "rb"));
        if (!file) continue;
        work_buffer contents;
        const std::int64_t size = read_whole_file(file.get(), contents);
        if (size < 0) continue;
        const byte_region read = sub_region(contents.region, 0, size);
        bytes.assign(read.data, read.data + read.size);
        return true;
    }
    return false;
}

} // namespace

preview_images material_images(const byte_region& mqo, const char* mqo_path,
                               std::string_view prefix) {
    preview_images images;
    const std::vector<std::string> shaders = material_shader_names(mqo, prefix);
    const std::filesystem::path beside = std::filesystem::path(mqo_path).parent_path();
    std::size_t shader = 0;
    for (std::int32_t m = 0; m < mqo_num_material(mqo); ++m) {
        if (is_marker_material(mqo_material_name(mqo, m))) continue;
        const std::string& name = shaders[shader++];
        std::string texture =
            get_text(mqo, mqo_material_at(mqo, m) + mqo_material::texture, mqo_name_width);
        if (texture.empty() || images.count(name) > 0) continue;
        for (char& c : texture)
            if (c == '\\') c = '/';
        const std::filesystem::path as_named(texture);
        std::vector<std::uint8_t> bytes;
        const bool found = read_first(
            {as_named.is_absolute() ? as_named : beside / as_named, beside / as_named.filename()},
            bytes);
        const std::string mime = found ? mime_type_of(bytes) : std::string();
        if (mime.empty()) {
            std::fprintf(stderr, "ossify: the preview shows no image on \"%s\": %s\n", name.c_str(),
                         found ? "glTF holds PNG and JPEG images only"
                               : "its texture file is not found beside the model");
            continue;
        }
        images[name] = {std::move(bytes), mime};
    }
    return images;
}

} // namespace ossify
