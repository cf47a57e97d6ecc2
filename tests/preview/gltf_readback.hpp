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

inline mat4 operator*(const mat4& a, const mat4& b) {
    mat4 p{};
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t r = 0; r < 4; ++r)
            for (std::size_t k = 0; k < 4; ++k)
                p[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return p;
}

inline point transform(const mat4& m, const point& v) {
    return {m[0] * v[0] + m[4] * v[1] + m[8] * v[2] + m[12],
            m[1] * v[0] + m[5] * v[1] + m[9] * v[2] + m[13],
            m[2] * v[0] + m[6] * v[1] + m[10] * v[2] + m[14]};
}

inline mat4 trs(const tinygltf::Node& node, const std::vector<double>& t,
                const std::vector<double>& q) {
    const double x = q.empty() ? 0 : q[0], y = q.empty() ? 0 : q[1], z = q.empty() ? 0 : q[2],
                 w = q.empty() ? 1 : q[3];
    mat4 m = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),     0,
              2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),     0,
              2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y), 0,
              t.empty() ? 0 : t[0],    t.empty() ? 0 : t[1],    t.empty() ? 0 : t[2],    1};
    for (std::size_t k = 0; k < 12; ++k)
        m[k] *= node.scale.empty() ? 1 : node.scale[k / 4];
    return m;
}

struct gltf_file {
    tinygltf::Model model;
    bool loaded = false;
    std::string error;

    explicit gltf_file(const std::vector<std::uint8_t>& glb) {
        tinygltf::TinyGLTF library;
        // Embedded images are kept as their bytes, undecoded.
        library.SetImageLoader(
            [](tinygltf::Image* image, const int, std::string*, std::string*, int, int,
               const unsigned char* bytes, int size, void*) {
                image->image.assign(bytes, bytes + size);
                return true;
            },
            nullptr);
        std::string warning;
        loaded = library.LoadBinaryFromMemory(&model, &error, &warning, glb.data(),
                                              static_cast<unsigned>(glb.size()));
    }

    // Every element of an accessor as doubles: floats, or little-endian unsigned integers.
    std::vector<double> values(int index) const {
        const tinygltf::Accessor& a = model.accessors.at(static_cast<std::size_t>(index));
        const tinygltf::BufferView& v =
            model.bufferViews.at(static_cast<std::size_t>(a.bufferView));
        const unsigned char* base =
            model.buffers.at(static_cast<std::size_t>(v.buffer)).data.data() + v.byteOffset +
            a.byteOffset;
        const auto width = static_cast<std::size_t>(
            tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(a.type)));
        const auto size = static_cast<std::size_t>(
            tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(a.componentType)));
        const std::size_t stride = v.byteStride ? v.byteStride : width * size;
        std::vector<double> out;
        for (std::size_t i = 0; i < a.count * width; ++i) {
            const unsigned char* p = base + (i / width) * stride + (i % width) * size;
            float f = 0;
            std::uint32_t u = 0;
            std::memcpy(a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ? static_cast<void*>(&f)
                                                                         : static_cast<void*>(&u),
                        p, size);
            out.push_back(a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ? double(f) : double(u));
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
        const std::size_t n = model.nodes.size();
        std::vector<std::vector<double>> t(n), r(n);
        std::vector<int> parent(n, -1);
        for (std::size_t k = 0; k < n; ++k) {
            t[k] = model.nodes[k].translation;
            r[k] = model.nodes[k].rotation;
            for (int child : model.nodes[k].children)
                parent[static_cast<std::size_t>(child)] = static_cast<int>(k);
        }
        for (const tinygltf::Animation& a : model.animations)
            for (const tinygltf::AnimationChannel& c : a.channels) {
                const std::vector<double> out =
                    values(a.samplers[static_cast<std::size_t>(c.sampler)].output);
                const std::size_t width = c.target_path == "rotation" ? 4 : 3;
                (c.target_path == "rotation" ? r : t)[static_cast<std::size_t>(c.target_node)] = {
                    out.begin() + static_cast<long>(frame * width),
                    out.begin() + static_cast<long>((frame + 1) * width)};
            }
        std::vector<mat4> global(n);
        for (std::size_t k = 0; k < n; ++k) {
            global[k] = trs(model.nodes[k], t[k], r[k]);
            for (int p = parent[k]; p >= 0; p = parent[static_cast<std::size_t>(p)]) {
                const auto q = static_cast<std::size_t>(p);
                global[k] = trs(model.nodes[q], t[q], r[q]) * global[k];
            }
        }
        return global;
    }

    // Every vertex of every primitive skinned at keyframe `frame`, or placed by
    // its node when the mesh has no skin.
    std::vector<point> vertices(std::size_t frame) const {
        const std::vector<mat4> global = globals(frame);
        std::size_t node = 0;
        while (node < model.nodes.size() && model.nodes[node].mesh < 0)
            ++node;
        std::vector<point> out;
        if (node == model.nodes.size()) return out;
        const tinygltf::Node& mesh_node = model.nodes[node];
        std::vector<mat4> joints;
        if (mesh_node.skin >= 0) {
            const tinygltf::Skin& skin = model.skins[static_cast<std::size_t>(mesh_node.skin)];
            const std::vector<double> ibm = values(skin.inverseBindMatrices);
            for (std::size_t j = 0; j < skin.joints.size(); ++j) {
                mat4 inverse;
                std::copy(ibm.begin() + static_cast<long>(16 * j),
                          ibm.begin() + static_cast<long>(16 * j + 16), inverse.begin());
                joints.push_back(global[static_cast<std::size_t>(skin.joints[j])] * inverse);
            }
        }
        for (const tinygltf::Primitive& p :
             model.meshes[static_cast<std::size_t>(mesh_node.mesh)].primitives) {
            const std::vector<double> pos = values(p.attributes.at("POSITION"));
            const std::vector<double> js =
                joints.empty() ? pos : values(p.attributes.at("JOINTS_0"));
            const std::vector<double> ws =
                joints.empty() ? pos : values(p.attributes.at("WEIGHTS_0"));
            for (std::size_t v = 0; v * 3 < pos.size(); ++v) {
                const point bind = {pos[3 * v], pos[3 * v + 1], pos[3 * v + 2]};
                if (joints.empty()) {
                    out.push_back(transform(global[node], bind));
                    continue;
                }
                point sum{};
                for (std::size_t k = 0; k < 4; ++k) {
                    if (ws[4 * v + k] == 0) continue;
                    const point q =
                        transform(joints[static_cast<std::size_t>(js[4 * v + k])], bind);
                    for (std::size_t e = 0; e < 3; ++e)
                        sum[e] += ws[4 * v + k] * q[e];
                }
                out.push_back(sum);
            }
        }
        return out;
    }
};

} // namespace ossify_test
