// A test-side glTF writer over the library's own model: small assets made in
// the test, written as .glb bytes the way another exporter would write them.
#pragma once

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "gltf/gltf_library.hpp"

namespace ossify_test {

struct gltf_builder {
    tinygltf::Model m;

    gltf_builder() {
        m.asset.version = "2.0";
        m.asset.generator = "test";
        m.buffers.emplace_back();
    }

    template <typename T>
    int add(const std::vector<T>& values, int component_type, int type, std::size_t count,
            bool normalized = false) {
        std::vector<unsigned char>& data = m.buffers[0].data;
        while (data.size() % 4 != 0)
            data.push_back(0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = data.size();
        view.byteLength = values.size() * sizeof(T);
        const auto* bytes =
            static_cast<const unsigned char*>(static_cast<const void*>(values.data()));
        data.insert(data.end(), bytes, bytes + view.byteLength);
        m.bufferViews.push_back(view);
        tinygltf::Accessor a;
        a.bufferView = static_cast<int>(m.bufferViews.size() - 1);
        a.componentType = component_type;
        a.type = type;
        a.count = count;
        a.normalized = normalized;
        if (type == TINYGLTF_TYPE_SCALAR && component_type == TINYGLTF_COMPONENT_TYPE_FLOAT &&
            !values.empty()) {
            a.minValues = {static_cast<double>(values.front())};
            a.maxValues = {static_cast<double>(values.back())};
        }
        m.accessors.push_back(a);
        return static_cast<int>(m.accessors.size() - 1);
    }
    int floats(const std::vector<float>& v, int type, std::size_t count) {
        return add(v, TINYGLTF_COMPONENT_TYPE_FLOAT, type, count);
    }

    int node(const std::string& name, int parent = -1) {
        tinygltf::Node n;
        n.name = name;
        m.nodes.push_back(n);
        const int index = static_cast<int>(m.nodes.size() - 1);
        if (parent >= 0)
            m.nodes[static_cast<std::size_t>(parent)].children.push_back(index);
        else
            roots.push_back(index);
        return index;
    }

    // A mesh of one triangle primitive skinned by four joints and weights a vertex.
    int skinned_mesh(const std::string& name, const std::vector<float>& positions,
                     const std::vector<std::uint16_t>& joints, const std::vector<float>& weights,
                     const std::vector<std::uint16_t>& indices) {
        const std::size_t count = positions.size() / 3;
        tinygltf::Primitive p;
        p.attributes["POSITION"] = floats(positions, TINYGLTF_TYPE_VEC3, count);
        p.attributes["JOINTS_0"] =
            add(joints, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_VEC4, count);
        p.attributes["WEIGHTS_0"] = floats(weights, TINYGLTF_TYPE_VEC4, count);
        p.indices = add(indices, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_SCALAR,
                        indices.size());
        p.mode = TINYGLTF_MODE_TRIANGLES;
        tinygltf::Mesh mesh;
        mesh.name = name;
        mesh.primitives = {p};
        m.meshes.push_back(mesh);
        return static_cast<int>(m.meshes.size() - 1);
    }

    // A channel of `animation` moving `path` of `node`, keyed at the accessor `times`.
    void channel(tinygltf::Animation& animation, int times, int node, const std::string& path,
                 const std::vector<float>& values, const char* interpolation) {
        const std::size_t width = path == "rotation" ? 4 : 3;
        tinygltf::AnimationSampler sampler;
        sampler.input = times;
        sampler.output = floats(values, width == 4 ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3,
                                values.size() / width);
        sampler.interpolation = interpolation;
        animation.samplers.push_back(sampler);
        tinygltf::AnimationChannel c;
        c.sampler = static_cast<int>(animation.samplers.size() - 1);
        c.target_node = node;
        c.target_path = path;
        animation.channels.push_back(c);
    }

    // The asset as .glb bytes; a scene of the root nodes unless one was given.
    std::vector<std::uint8_t> glb() const {
        tinygltf::Model out = m;
        if (out.scenes.empty()) {
            tinygltf::Scene scene;
            scene.nodes = roots;
            out.scenes.push_back(scene);
            out.defaultScene = 0;
        }
        if (out.buffers.size() == 1 && out.buffers[0].data.empty()) out.buffers.clear();
        std::ostringstream stream;
        tinygltf::TinyGLTF library;
        library.WriteGltfSceneToStream(&out, stream, false, true);
        const std::string bytes = stream.str();
        return {bytes.begin(), bytes.end()};
    }

    std::vector<int> roots;
};

} // namespace ossify_test
