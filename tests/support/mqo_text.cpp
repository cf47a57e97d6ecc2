#include "support/mqo_text.hpp"

namespace ossify_test {

namespace {

// "head n {" and the lines, each after `indent`; the caller closes the list.
std::string list(const std::string& head, const std::vector<std::string>& lines,
                 const std::string& indent) {
    std::string text = head + " " + std::to_string(lines.size()) + " {\n";
    for (const std::string& line : lines)
        text += indent + line + "\n";
    return text;
}

} // namespace

std::string material_chunk(const std::vector<std::string>& materials) {
    return list("Material", materials, "\t") + "}\n";
}

std::string object_chunk(const std::string& name, const std::vector<std::string>& vertices,
                         const std::vector<std::string>& faces) {
    return "Object \"" + name +
           "\" {\n\tvisible 15\n\tlocking 0\n\tshading 1\n\tfacet 59.5\n"
           "\tcolor 0.898 0.498 0.698\n\tcolor_type 0\n" +
           list("\tvertex", vertices, "\t\t") + "\t}\n" +
           (faces.empty() ? "" : list("\tface", faces, "\t\t") + "\t}\n") + "}\n";
}

std::string mqo_document(const std::string& chunks) {
    return "Metasequoia Document\nFormat Text Ver 1.0\n\nScene {\n"
           "\tpos 0.0000 0.0000 1500.0000\n\tlookat 0.0000 0.0000 0.0000\n"
           "\thead -0.5236\n\tpich 0.5236\n\tortho 0\n\tzoom2 5.0000\n"
           "\tamb 0.250 0.250 0.250\n}\n" +
           chunks + "Eof\n";
}

std::string material_line(const std::string& name, const std::string& texture) {
    return "\"" + name + "\" col(1.000 1.000 1.000 1.000) dif(0.800) amb(0.600) " +
           "emi(0.000) spc(0.000) power(5.00)" +
           (texture.empty() ? "" : " tex(\"" + texture + "\")");
}

std::string mqo_config(int mode, int root_bone) {
    return "MODE=" + std::to_string(mode) +
           "\nMQO=model.mqo\nMQOROOTBONE=" + std::to_string(root_bone) +
           "\nMDM=model.mdm\nMD3OUTNAME=model.md3\n";
}

} // namespace ossify_test
