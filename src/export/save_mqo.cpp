#include <cstdio>
#include <string>
#include <vector>

#include "base/file_io.hpp"
#include "export/mqo_export.hpp"
#include "mqo/mqo_document.hpp"

namespace ossify {

std::int64_t save_mqo(const mqo_document& document, const char* path) {
    std::size_t vertices = 0;
    std::size_t faces = 0;
    for (const mqo_document_object& object : document.objects) {
        std::printf("write_mqo : Object[%s] Vertex[%zu] Face[%zu]\n",
                    mqo_safe_name(object.name).c_str(), object.vertices.size(),
                    object.faces.size());
        vertices += object.vertices.size();
        faces += object.faces.size();
    }
    const std::string text = mqo_text(document);
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (save_file(path, byte_region{bytes.data(), bytes.size()},
                  static_cast<std::int64_t>(bytes.size())) < 0)
        return -1;
    std::printf("write_mqo : File[%s] Object[%zu] Material[%zu] Vertex[%zu] Face[%zu]\n", path,
                document.objects.size(), document.materials.size(), vertices, faces);
    return static_cast<std::int64_t>(text.size());
}

} // namespace ossify
