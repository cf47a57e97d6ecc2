#include "support/rig_figure.hpp"

#include <array>
#include <cmath>
#include <cstdio>

#include "skeleton/build_bones.hpp"

#include "support/mqo_text.hpp"

namespace ossify_test {

namespace {

std::string xyz(float x, float y, float z) {
    char text[96];
    std::snprintf(text, sizeof text, "%.4f %.4f %.4f", static_cast<double>(x),
                  static_cast<double>(y), static_cast<double>(z));
    return text;
}

struct figure_bone {
    const char* name;
    std::array<float, 3> head, tip;
};

// Head and tip of each drawn bone (the up vertex lies a third of the length
// along +z from the head).
const figure_bone figure_bones[] = {
    {"Spine", {0, 0, 0}, {0, 20, 0}},        {"Arm[L]", {4, 20, 0}, {14, 20, 0}},
    {"Fore[L]", {14, 20, 0}, {24, 20, 0}},   {"Arm[R]", {-4, 20, 0}, {-14, 20, 0}},
    {"Fore[R]", {-14, 20, 0}, {-24, 20, 0}}, {"Leg[L]", {3, 0, 0}, {3, -20, 0}},
    {"Leg[R]", {-3, 0, 0}, {-3, -20, 0}},
};

} // namespace

const std::vector<figure_box>& figure_boxes() {
    static const std::vector<figure_box> boxes = {
        {{-2, 2, -2}, {2, 18, 2}, "Spine"},       {{5, 18, -2}, {13, 22, 2}, "Arm[L]"},
        {{15, 18, -2}, {25, 22, 2}, "Fore[L]"},   {{-13, 18, -2}, {-5, 22, 2}, "Arm[R]"},
        {{-25, 18, -2}, {-15, 22, 2}, "Fore[R]"}, {{1, -19, -2}, {5, -1, 2}, "Leg[L]"},
        {{-5, -19, -2}, {-1, -1, 2}, "Leg[R]"},
    };
    return boxes;
}

void box_lines(const figure_box& box, int material, int first, std::vector<std::string>& vertices,
               std::vector<std::string>& faces) {
    for (int c = 0; c < 8; ++c)
        vertices.push_back(xyz((c & 1) ? box.high[0] : box.low[0],
                               (c & 2) ? box.high[1] : box.low[1],
                               (c & 4) ? box.high[2] : box.low[2]));
    // Outward winding does not matter to the inside test; these wind one way.
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads)
        faces.push_back("4 V(" + std::to_string(first + q[0]) + " " + std::to_string(first + q[1]) +
                        " " + std::to_string(first + q[2]) + " " + std::to_string(first + q[3]) +
                        ") M(" + std::to_string(material) + ")");
}

std::string rigged_figure(const std::string& extra) {
    // Materials: 0 skin, then one per bone name (a "[]" pair shares one).
    const std::vector<std::string> materials = {"skin", "Spine", "Arm[]", "Fore[]", "Leg[]"};
    const auto material_of = [&](const std::string& bone) {
        const std::string stem = bone.substr(0, bone.find('['));
        for (std::size_t m = 1; m < materials.size(); ++m)
            if (materials[m].substr(0, materials[m].find('[')) == stem) return static_cast<int>(m);
        return 0;
    };
    std::vector<std::string> material_lines;
    for (const std::string& m : materials)
        material_lines.push_back(material_line(m));

    // Bones: each triangle has vertices of its own except where a head is
    // another bone's tip; the arms float off the spine's tip through lines.
    std::vector<std::string> bone_vertices, bone_faces;
    std::vector<std::array<float, 3>> placed;
    const auto vertex_at = [&](std::array<float, 3> p) {
        for (std::size_t i = 0; i < placed.size(); ++i)
            if (placed[i] == p) return static_cast<int>(i);
        placed.push_back(p);
        bone_vertices.push_back(xyz(p[0], p[1], p[2]));
        return static_cast<int>(placed.size() - 1);
    };
    for (const figure_bone& b : figure_bones) {
        const float length = std::abs(b.tip[0] - b.head[0]) + std::abs(b.tip[1] - b.head[1]);
        const int h = vertex_at(b.head), t = vertex_at(b.tip);
        const int u = vertex_at({b.head[0], b.head[1], b.head[2] + length / 3});
        bone_faces.push_back("3 V(" + std::to_string(t) + " " + std::to_string(u) + " " +
                             std::to_string(h) + ") M(" + std::to_string(material_of(b.name)) +
                             ")");
    }
    const int spine_tip = vertex_at({0, 20, 0});
    bone_faces.push_back("2 V(" + std::to_string(spine_tip) + " " +
                         std::to_string(vertex_at({4, 20, 0})) + ")");
    bone_faces.push_back("2 V(" + std::to_string(vertex_at({-4, 20, 0})) + " " +
                         std::to_string(spine_tip) + ")");

    // Skin: a small triangle round the bone's axis at nine places along it.
    std::vector<std::string> skin_vertices, skin_faces;
    for (const figure_bone& b : figure_bones) {
        const bool along_x = b.tip[0] != b.head[0];
        for (int k = 0; k <= 8; ++k) {
            const float t = 0.05f + 0.1125f * static_cast<float>(k);
            const float c[3] = {b.head[0] + t * (b.tip[0] - b.head[0]),
                                b.head[1] + t * (b.tip[1] - b.head[1]), 0};
            const int first = static_cast<int>(skin_vertices.size());
            const float across = 1.0f;
            skin_vertices.push_back(along_x ? xyz(c[0], c[1] + across, c[2])
                                            : xyz(c[0] + across, c[1], c[2]));
            skin_vertices.push_back(xyz(c[0], c[1], c[2] + across));
            skin_vertices.push_back(along_x ? xyz(c[0], c[1] - across, c[2] - 0.5f)
                                            : xyz(c[0] - across, c[1], c[2] - 0.5f));
            skin_faces.push_back("3 V(" + std::to_string(first) + " " + std::to_string(first + 1) +
                                 " " + std::to_string(first + 2) + ") M(0)");
        }
    }

    std::vector<std::string> anchor_vertices, anchor_faces;
    for (const figure_box& box : figure_boxes())
        box_lines(box, material_of(box.bone), static_cast<int>(anchor_vertices.size()),
                  anchor_vertices, anchor_faces);

    // The anchors hidden, as modellers leave them.
    std::string anchors = object_chunk("anchor|body", anchor_vertices, anchor_faces);
    anchors.replace(anchors.find("visible 15"), 10, "visible 0");
    return mqo_document(material_chunk(material_lines) +
                        object_chunk("sdef:body", skin_vertices, skin_faces) +
                        object_chunk("bone:skeleton", bone_vertices, bone_faces) + anchors + extra);
}

rigged_model::rigged_model(const std::string& document, int blend_weights)
    : model(document, ossify::mqo_options{true, true}) {
    using namespace ossify;
    model.bones = make_work_buffer(1 << 20);
    model.mesh = make_work_buffer(1 << 24);
    testing::internal::CaptureStderr();
    capture_stdout(
        [&] { bones_size = build_bones_from_rig(model.mqo.region, model.bones.region); });
    if (bones_size > 0)
        capture_stdout([&] {
            mesh_size = build_meshes_from_mqo(model.mesh.region, model.mqo.region,
                                              &model.bones.region, true, false);
        });
    if (mesh_size > 0)
        model.out = capture_stdout([&] {
            bound = bind_rig_weights(model.mesh.region, model.mqo.region, model.bones.region,
                                     blend_weights, &report);
        });
    testing::internal::GetCapturedStderr();
}

} // namespace ossify_test
