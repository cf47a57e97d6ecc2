// MQO fixtures written the way the modeller writes its files: the two header
// lines, a Scene chunk, tab-indented chunks and "Eof".
#pragma once

#include <string>
#include <vector>

namespace ossify_test {

// "Material n {" with one tab-indented line per material, as given.
std::string material_chunk(const std::vector<std::string>& materials);
// An object chunk with its usual attribute lines, its vertex list ("x y z" lines)
// and its face list (e.g. "3 V(0 1 2) M(0)"), left out when empty.
std::string object_chunk(const std::string& name, const std::vector<std::string>& vertices,
                         const std::vector<std::string>& faces);
// The whole file around the given chunks.
std::string mqo_document(const std::string& chunks);
// A material line in the modeller's style, for a name (and a texture file).
std::string material_line(const std::string& name, const std::string& texture = "");
// A configuration for mode 8 or 9 on "model.mqo".
std::string mqo_config(int mode, int root_bone = 0);

} // namespace ossify_test
