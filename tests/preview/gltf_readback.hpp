// Reads a preview back with the glTF library and skins it the way a glTF
// viewer does, from the file alone: node transforms of an animation frame,
// joint matrices = joint's global transform × inverse bind matrix, a vertex =
// Σ weight × joint matrix × bind position.
#pragma once

#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "preview/gltf_library.hpp"

namespace ossify_test {

using mat4 = std::array<double, 16>; // column-major, as glTF stores it
using point = std::array<double, 3>;

inline mat4 identity4() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

inline mat4 operator*(const mat4& a, const mat4& b) {
    mat4 p{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                p[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return p;
}

inline point transform(const mat4& m, const point& v) {
    return {m[0] * v[0] + m[4] * v[1] + m[8] * v[2] + m[12],
            m[1] * v[0] + m[5] * v[1] + m[9] * v[2] + m[13],
            m[2] * v[0] + m[6] * v[1] + m[10] * v[2] + m[14]};
}

inline mat4 trs(const std::vector<double>& t, const std::vector<double>& q,
                const std::vector<double>& s) {
    const double x = q.empty() ? 0 : q[0], y = q.empty() ? 0 : q[1], z = q.empty() ? 0 : q[2],
                 w = q.empty() ? 1 : q[3];
    const double sx = s.empty() ? 1 : s[0], sy = s.empty() ? 1 : s[1], sz = s.empty() ? 1 : s[2];
    mat4 m = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),     0,
              2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),     0,
              2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y), 0,
              t.empty() ? 0 : t[0],    t.empty() ? 0 : t[1],    t.empty() ? 0 : t[2],    1};
    for (int r = 0; r < 3; ++r) {
        m[r] *= sx;
        m[4 + r] *= sy;
        m[8 + r] *= sz;
    }
    return m;
}

struct gltf_file {
    tinygltf::Model model;
    bool loaded = false;
    std::string error;

    explicit gltf_file(const std::vector<std::uint8_t>& glb) {
        tinygltf::TinyGLTF library;
        std::string warning;
        loaded = library.LoadBinaryFromMemory(&model, &error, &warning, glb.data(),
                                              static_cast<unsigned>(glb.size()));
    }

    // Every element of an accessor as doubles, whatever its component type.
    std::vector<double> values(int index) const {
        const tinygltf::Accessor& a = model.accessors.at(static_cast<std::size_t>(index));
        const tinygltf::BufferView& v =
            model.bufferViews.at(static_cast<std::size_t>(a.bufferView));
        const unsigned char* base =
            model.buffers.at(static_cast<std::size_t>(v.buffer)).data.data() + v.byteOffset +
            a.byteOffset;
        const int width = tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(a.type));
        const int size =
            tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(a.componentType));
        const std::size_t stride =
            v.byteStride ? v.byteStride : static_cast<std::size_t>(width * size);
        std::vector<double> out;
        for (std::size_t i = 0; i < a.count; ++i)
            for (int k = 0; k < width; ++k) {
                const unsigned char* p = base + i * stride + static_cast<std::size_t>(k * size);
                if (a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) {
                    float f;
                    std::memcpy(&f, p, 4);
                    out.push_back(f);
                } else if (a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) {
                    std::uint16_t u;
                    std::memcpy(&u, p, 2);
                    out.push_back(u);
                } else if (a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) {
                    std::uint32_t u;
                    std::memcpy(&u, p, 4);
                    out.push_back(u);
                } else {
                    out.push_back(*p);
                }
            }
        return out;
    }

    std::size_t frame_count() const {
        if (model.animations.empty()) return 1;
        return model.accessors.at(static_cast<std::size_t>(model.animations[0].samplers[0].input))
            .count;
    }

    // The global transform of every node at keyframe `frame` of the first animation.
    std::vector<mat4> globals(std::size_t frame) const {
        std::vector<std::vector<double>> t(model.nodes.size()), r(model.nodes.size());
        for (std::size_t n = 0; n < model.nodes.size(); ++n) {
            t[n] = model.nodes[n].translation;
            r[n] = model.nodes[n].rotation;
        }
        if (!model.animations.empty())
            for (const tinygltf::AnimationChannel& c : model.animations[0].channels) {
                const std::vector<double> out = values(
                    model.animations[0].samplers[static_cast<std::size_t>(c.sampler)].output);
                const std::size_t width = c.target_path == "rotation" ? 4 : 3;
                std::vector<double> key(out.begin() + static_cast<long>(frame * width),
                                        out.begin() + static_cast<long>((frame + 1) * width));
                (c.target_path == "rotation" ? r : t)[static_cast<std::size_t>(c.target_node)] =
                    key;
            }
        std::vector<int> parent(model.nodes.size(), -1);
        for (std::size_t n = 0; n < model.nodes.size(); ++n)
            for (int child : model.nodes[n].children)
                parent[static_cast<std::size_t>(child)] = static_cast<int>(n);
        std::vector<mat4> global(model.nodes.size());
        for (std::size_t n = 0; n < model.nodes.size(); ++n) {
            global[n] = trs(t[n], r[n], model.nodes[n].scale);
            for (int p = parent[n]; p >= 0; p = parent[static_cast<std::size_t>(p)])
                global[n] = trs(t[static_cast<std::size_t>(p)], r[static_cast<std::size_t>(p)],
                                model.nodes[static_cast<std::size_t>(p)].scale) *
                            global[n];
        }
        return global;
    }

    // Every vertex of every primitive, skinned at keyframe `frame` (or placed by
    // its node when the mesh has no skin), with the number of weights it uses.
    struct skinned {
        point position;
        int weights;
    };
    std::vector<skinned> vertices(std::size_t frame) const {
        const std::vector<mat4> global = globals(frame);
        const tinygltf::Node* mesh_node = nullptr;
        std::size_t mesh_index = 0;
        for (std::size_t n = 0; n < model.nodes.size(); ++n)
            if (model.nodes[n].mesh >= 0) {
                mesh_node = &model.nodes[n];
                mesh_index = n;
            }
        std::vector<skinned> out;
        if (mesh_node == nullptr) return out;
        std::vector<mat4> joints;
        if (mesh_node->skin >= 0) {
            const tinygltf::Skin& skin = model.skins[static_cast<std::size_t>(mesh_node->skin)];
            const std::vector<double> ibm = values(skin.inverseBindMatrices);
            for (std::size_t j = 0; j < skin.joints.size(); ++j) {
                mat4 inverse;
                std::copy(ibm.begin() + static_cast<long>(16 * j),
                          ibm.begin() + static_cast<long>(16 * j + 16), inverse.begin());
                joints.push_back(global[static_cast<std::size_t>(skin.joints[j])] * inverse);
            }
        }
        for (const tinygltf::Primitive& p :
             model.meshes[static_cast<std::size_t>(mesh_node->mesh)].primitives) {
            const std::vector<double> pos = values(p.attributes.at("POSITION"));
            std::vector<double> js, ws;
            if (!joints.empty()) {
                js = values(p.attributes.at("JOINTS_0"));
                ws = values(p.attributes.at("WEIGHTS_0"));
            }
            for (std::size_t v = 0; v * 3 < pos.size(); ++v) {
                const point bind = {pos[3 * v], pos[3 * v + 1], pos[3 * v + 2]};
                if (joints.empty()) {
                    out.push_back({transform(global[mesh_index], bind), 0});
                    continue;
                }
                point sum{};
                int used = 0;
                for (std::size_t k = 0; k < 4; ++k) {
                    const double w = ws[4 * v + k];
                    if (w == 0) continue;
                    ++used;
                    const point q =
                        transform(joints[static_cast<std::size_t>(js[4 * v + k])], bind);
                    for (std::size_t e = 0; e < 3; ++e)
                        sum[e] += w * q[e];
                }
                out.push_back({sum, used});
            }
        }
        return out;
    }
};

} // namespace ossify_test
