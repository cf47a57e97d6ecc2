// Counting an MD3's triangles two ways: from the writer's trace, and as an
// independent reader (`assimp info`) loads the file.
#pragma once

#include <cstdlib>
#include <regex>
#include <string>

#include "support/scratch.hpp"

namespace ossify_test {

// The sum of the triangle counts the MD3 writer printed for its surfaces.
inline int md3_triangles(const std::string& trace) {
    int total = 0;
    const std::regex line("build_md3surface_from_mesh : Surface Name\\[[^\\]]*\\] Frame\\[1\\] "
                          "Shader\\[\\d+\\] Vertex\\[\\d+\\] Triangle\\[(\\d+)\\]");
    for (auto it = std::sregex_iterator(trace.begin(), trace.end(), line);
         it != std::sregex_iterator(); ++it)
        total += std::stoi((*it)[1]);
    return total;
}

inline bool has_assimp() {
    return std::system("command -v assimp >/dev/null 2>&1") == 0;
}

// Number of faces `assimp info` reports for the file `name` of `s`, or -1.
inline int assimp_faces(const scratch_dir& s, const std::string& name = "model.md3") {
    const std::string info = s.path("info").string();
    const std::string command = "assimp info '" + s.path(name).string() + "' >'" + info + "' 2>&1";
    std::smatch m;
    const std::string out = std::system(command.c_str()) == 0 ? read_file(info) : "";
    return std::regex_search(out, m, std::regex("Faces:\\s+(\\d+)")) ? std::stoi(m[1]) : -1;
}

} // namespace ossify_test
