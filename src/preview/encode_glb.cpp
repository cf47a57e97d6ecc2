// The preview model as binary glTF 2.0. The engine's z-up inches become glTF's
// y-up metres in one root node; the skeleton's joints and the tags hang below
// it. The mesh sits beside it (glTF ignores a skinned mesh node's transform)
// with its vertices stored where the root puts them at the bind frame, so a
// viewer that frames the unskinned mesh frames the model.
#include "preview/gltf_library.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "preview/preview_model.hpp"

namespace ossify {

namespace {

using mat3 = std::array<dvec3, 3>; // rows

// glTF's numbers for the accessors and buffer views written here.
constexpr int gl_float = TINYGLTF_COMPONENT_TYPE_FLOAT;
constexpr int gl_unsigned_short = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
constexpr int gl_unsigned_int = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
constexpr int array_buffer = TINYGLTF_TARGET_ARRAY_BUFFER;
constexpr int element_array_buffer = TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER;
constexpr int no_target = 0;

float finite(double value) {
    const auto f = static_cast<float>(value);
    return std::isfinite(f) ? f : 0.0f;
}

// JSON strings must be UTF-8: the files' names are bytes, shown as ASCII.
std::string json_name(const std::string& name) {
    std::string shown = name;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return shown;
}

mat3 rows_of(const bone_rotation& r) {
    return {r.forward, r.left, r.up};
}

mat3 transpose(const mat3& m) {
    mat3 t{};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            t[r][c] = m[c][r];
    return t;
}

mat3 multiply(const mat3& a, const mat3& b) {
    mat3 p{};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            p[r][c] = (a[r][0] * b[0][c] + a[r][1] * b[1][c]) + a[r][2] * b[2][c];
    return p;
}

dvec3 minus(const dvec3& a, const dvec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

// A unit quaternion (x, y, z, w) of a rotation matrix.
std::array<double, 4> quaternion_of(const mat3& m) {
    std::array<double, 4> q{};
    const double trace = m[0][0] + m[1][1] + m[2][2];
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        q = {(m[2][1] - m[1][2]) / s, (m[0][2] - m[2][0]) / s, (m[1][0] - m[0][1]) / s, s / 4};
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const double s = std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]) * 2;
        q = {s / 4, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s, (m[2][1] - m[1][2]) / s};
    } else if (m[1][1] > m[2][2]) {
        const double s = std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]) * 2;
        q = {(m[0][1] + m[1][0]) / s, s / 4, (m[1][2] + m[2][1]) / s, (m[0][2] - m[2][0]) / s};
    } else {
        const double s = std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]) * 2;
        q = {(m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, s / 4, (m[1][0] - m[0][1]) / s};
    }
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(length > 0) || !std::isfinite(length)) return {0, 0, 0, 1};
    for (double& e : q)
        e /= length;
    return q;
}

// The nearest rotation to a tag's stored axes (its rows), for a file whose
// axes are not quite orthonormal; the identity where they are degenerate.
mat3 orthonormal(const mat3& rows) {
    const auto normalised = [](const dvec3& v, bool& ok) {
        const double n = std::sqrt(dot3(v, v));
        ok = ok && n > 1e-9 && std::isfinite(n);
        return ok ? dvec3{v[0] / n, v[1] / n, v[2] / n} : v;
    };
    bool ok = true;
    const dvec3 x = normalised(rows[0], ok);
    const double along = dot3(rows[1], x);
    const dvec3 y = normalised(
        {rows[1][0] - along * x[0], rows[1][1] - along * x[1], rows[1][2] - along * x[2]}, ok);
    const dvec3 z = {x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2],
                     x[0] * y[1] - x[1] * y[0]};
    if (!ok) return {dvec3{1, 0, 0}, dvec3{0, 1, 0}, dvec3{0, 0, 1}};
    return {x, y, z};
}

struct glb_writer {
    tinygltf::Model gltf;

    // One buffer view and one accessor over `values`, appended to the buffer.
    int add(const std::vector<float>& values, int type, std::size_t count, int target,
            bool bounds = false) {
        return add_bytes(values.data(), values.size() * sizeof(float), gl_float, type, count,
                         target, bounds ? &values : nullptr);
    }
    int add(const std::vector<std::uint16_t>& values, int type, std::size_t count) {
        return add_bytes(values.data(), values.size() * 2, gl_unsigned_short, type, count,
                         array_buffer, nullptr);
    }
    int add(const std::vector<std::uint32_t>& values) {
        return add_bytes(values.data(), values.size() * 4, gl_unsigned_int, TINYGLTF_TYPE_SCALAR,
                         values.size(), element_array_buffer, nullptr);
    }

    // One buffer view over `bytes` appended to the buffer; its number.
    int add_view(const void* data, std::size_t bytes, int target) {
        std::vector<unsigned char>& buffer = gltf.buffers[0].data;
        buffer.resize((buffer.size() + 3) / 4 * 4, 0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = bytes;
        view.target = target;
        buffer.resize(buffer.size() + bytes);
        if (bytes > 0) std::memcpy(buffer.data() + view.byteOffset, data, bytes);
        gltf.bufferViews.push_back(view);
        return static_cast<int>(gltf.bufferViews.size() - 1);
    }

    int add_bytes(const void* data, std::size_t bytes, int component, int type, std::size_t count,
                  int target, const std::vector<float>* bounds) {
        tinygltf::Accessor accessor;
        accessor.bufferView = add_view(data, bytes, target);
        accessor.componentType = component;
        accessor.type = type;
        accessor.count = count;
        if (bounds != nullptr && count > 0) {
            const std::size_t width = bounds->size() / count;
            accessor.minValues.assign(width, 0);
            accessor.maxValues.assign(width, 0);
            for (std::size_t k = 0; k < width; ++k) {
                accessor.minValues[k] = accessor.maxValues[k] = (*bounds)[k];
                for (std::size_t i = 1; i < count; ++i) {
                    accessor.minValues[k] =
                        std::min(accessor.minValues[k], double{(*bounds)[i * width + k]});
                    accessor.maxValues[k] =
                        std::max(accessor.maxValues[k], double{(*bounds)[i * width + k]});
                }
            }
        }
        gltf.accessors.push_back(accessor);
        return static_cast<int>(gltf.accessors.size() - 1);
    }

    // The texture of an embedded image, added once however many materials show it.
    std::map<std::string, int> textures;
    int add_texture(const std::string& name, const preview_image& image) {
        const auto known = textures.find(name);
        if (known != textures.end()) return known->second;
        tinygltf::Image gltf_image;
        gltf_image.name = json_name(name);
        gltf_image.mimeType = image.mime_type;
        gltf_image.bufferView = add_view(image.bytes.data(), image.bytes.size(), no_target);
        gltf.images.push_back(std::move(gltf_image));
        tinygltf::Texture texture;
        texture.source = static_cast<int>(gltf.images.size() - 1);
        gltf.textures.push_back(texture);
        return textures[name] = static_cast<int>(gltf.textures.size() - 1);
    }

    int add_node(tinygltf::Node node, int parent) {
        gltf.nodes.push_back(std::move(node));
        const int index = static_cast<int>(gltf.nodes.size() - 1);
        if (parent >= 0) gltf.nodes[static_cast<std::size_t>(parent)].children.push_back(index);
        return index;
    }
};

// A joint's transform relative to its parent's (to the model for a root).
struct local_transform {
    dvec3 translation{};
    std::array<double, 4> rotation{0, 0, 0, 1};
};

local_transform local_of(const preview_model& model, const std::vector<posed_bone>& pose,
                         std::size_t joint) {
    const posed_bone& bone = pose[joint];
    const std::int32_t parent = model.joints[joint].parent;
    if (parent < 0) return {bone.position, quaternion_of(rows_of(bone.rotation))};
    const posed_bone& up = pose[static_cast<std::size_t>(parent)];
    return {model_to_bone(up.rotation, minus(bone.position, up.position)),
            quaternion_of(multiply(transpose(rows_of(up.rotation)), rows_of(bone.rotation)))};
}

void set_trs(tinygltf::Node& node, const local_transform& t) {
    node.translation = {finite(t.translation[0]), finite(t.translation[1]),
                        finite(t.translation[2])};
    node.rotation = {t.rotation[0], t.rotation[1], t.rotation[2], t.rotation[3]};
}

// The engine's axes x forward, y left, z up are glTF's z (front), x and y (up).
dvec3 axes_in_gltf(const dvec3& v) {
    return {v[1], v[2], v[0]};
}

// The root: engine (x forward, y left, z up) to glTF (z front, x, y up), in metres.
int add_root(glb_writer& w) {
    tinygltf::Node root;
    root.name = "engine_to_gltf";
    const mat3 turn = {dvec3{0, 1, 0}, dvec3{0, 0, 1}, dvec3{1, 0, 0}};
    const std::array<double, 4> q = quaternion_of(turn);
    root.rotation = {q[0], q[1], q[2], q[3]};
    root.scale = {preview_metres_per_unit, preview_metres_per_unit, preview_metres_per_unit};
    return w.add_node(std::move(root), -1);
}

std::vector<int> add_joints(glb_writer& w, const preview_model& model, int root) {
    std::vector<int> nodes;
    for (std::size_t j = 0; j < model.joints.size(); ++j) {
        tinygltf::Node node;
        node.name = json_name(model.joints[j].name);
        set_trs(node, local_of(model, model.frames[model.bind_frame], j));
        nodes.push_back(w.add_node(std::move(node), -1));
    }
    for (std::size_t j = 0; j < model.joints.size(); ++j) {
        const std::int32_t parent = model.joints[j].parent;
        const int to = parent < 0 ? root : nodes[static_cast<std::size_t>(parent)];
        w.gltf.nodes[static_cast<std::size_t>(to)].children.push_back(nodes[j]);
    }
    return nodes;
}

void add_tags(glb_writer& w, const preview_model& model, const std::vector<int>& joints, int root) {
    for (const preview_tag& tag : model.tags) {
        tinygltf::Node node;
        node.name = json_name(tag.name);
        // The tag's own axis i is its stored row i: the columns of its rotation.
        const mat3 turn = transpose(orthonormal(rows_of(tag.axis)));
        set_trs(node, {tag.offset, quaternion_of(turn)});
        w.add_node(std::move(node),
                   tag.joint < 0 ? root : joints[static_cast<std::size_t>(tag.joint)]);
    }
}

int add_skin(glb_writer& w, const preview_model& model, const std::vector<int>& joints, int root) {
    // Inverse bind matrices, column-major: the inverse of root × bind pose,
    // [Rᵀ·turnᵀ / scale | −Rᵀ·p], taking the glTF-space vertices into the joint.
    std::vector<float> matrices;
    for (const posed_bone& bone : model.frames[model.bind_frame]) {
        const dvec3 t = model_to_bone(bone.rotation, bone.position);
        for (const dvec3& column : {bone.rotation.left, bone.rotation.up, bone.rotation.forward}) {
            for (double e : column)
                matrices.push_back(finite(e / preview_metres_per_unit));
            matrices.push_back(0);
        }
        for (std::size_t r = 0; r < 3; ++r)
            matrices.push_back(finite(-t[r]));
        matrices.push_back(1);
    }
    tinygltf::Skin skin;
    skin.name = "skeleton";
    skin.joints = joints;
    skin.skeleton = root;
    skin.inverseBindMatrices = w.add(matrices, TINYGLTF_TYPE_MAT4, joints.size(), no_target);
    w.gltf.skins.push_back(std::move(skin));
    return static_cast<int>(w.gltf.skins.size() - 1);
}

void add_animation(glb_writer& w, const preview_model& model, const std::vector<int>& joints) {
    std::vector<float> times;
    for (std::size_t f = 0; f < model.frames.size(); ++f)
        times.push_back(static_cast<float>(static_cast<double>(f) / preview_frames_per_second));
    const int input = w.add(times, TINYGLTF_TYPE_SCALAR, times.size(), no_target, true);
    tinygltf::Animation animation;
    animation.name = "frames";
    for (std::size_t j = 0; j < joints.size(); ++j) {
        std::vector<float> translations, rotations;
        for (const std::vector<posed_bone>& pose : model.frames) {
            const local_transform t = local_of(model, pose, j);
            for (double v : t.translation)
                translations.push_back(finite(v));
            for (double v : t.rotation)
                rotations.push_back(static_cast<float>(v));
        }
        const std::pair<const char*, int> channels[] = {
            {"translation", w.add(translations, TINYGLTF_TYPE_VEC3, times.size(), no_target)},
            {"rotation", w.add(rotations, TINYGLTF_TYPE_VEC4, times.size(), no_target)}};
        for (const auto& [path, output] : channels) {
            tinygltf::AnimationSampler sampler;
            sampler.input = input;
            sampler.output = output;
            animation.samplers.push_back(sampler);
            tinygltf::AnimationChannel channel;
            channel.sampler = static_cast<int>(animation.samplers.size() - 1);
            channel.target_node = joints[j];
            channel.target_path = path;
            animation.channels.push_back(channel);
        }
    }
    w.gltf.animations.push_back(std::move(animation));
}

tinygltf::Primitive add_primitive(glb_writer& w, const preview_model& model,
                                  const preview_surface& surface, bool skinned) {
    std::vector<float> positions, normals, uvs, weights;
    std::vector<std::uint16_t> joints;
    for (const preview_vertex& v : surface.vertices) {
        // In glTF's frame already: a viewer that sizes its camera by the
        // unskinned positions sees the model where the skin puts it.
        for (double x : axes_in_gltf(v.position))
            positions.push_back(finite(x * preview_metres_per_unit));
        for (double x : axes_in_gltf(v.normal))
            normals.push_back(finite(x));
        for (double x : v.uv)
            uvs.push_back(finite(x));
        for (std::size_t k = 0; k < preview_weights_per_vertex; ++k) {
            joints.push_back(v.joints[k]);
            weights.push_back(v.weights[k]);
        }
    }
    std::vector<std::uint32_t> indices;
    for (const auto& t : surface.triangles)
        indices.insert(indices.end(), t.begin(), t.end());
    const std::size_t count = surface.vertices.size();
    tinygltf::Primitive primitive;
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    primitive.attributes["POSITION"] =
        w.add(positions, TINYGLTF_TYPE_VEC3, count, array_buffer, true);
    primitive.attributes["NORMAL"] = w.add(normals, TINYGLTF_TYPE_VEC3, count, array_buffer);
    primitive.attributes["TEXCOORD_0"] = w.add(uvs, TINYGLTF_TYPE_VEC2, count, array_buffer);
    if (skinned) {
        primitive.attributes["JOINTS_0"] = w.add(joints, TINYGLTF_TYPE_VEC4, count);
        primitive.attributes["WEIGHTS_0"] = w.add(weights, TINYGLTF_TYPE_VEC4, count, array_buffer);
    }
    primitive.indices = w.add(indices);
    tinygltf::Material material;
    material.name = json_name(surface.material);
    const auto image = model.images.find(surface.material);
    if (image != model.images.end() && !image->second.bytes.empty())
        material.pbrMetallicRoughness.baseColorTexture.index =
            w.add_texture(image->first, image->second);
    w.gltf.materials.push_back(std::move(material));
    primitive.material = static_cast<int>(w.gltf.materials.size() - 1);
    return primitive;
}

} // namespace

std::vector<std::uint8_t> encode_glb(const preview_model& model) {
    glb_writer w;
    w.gltf.asset.version = "2.0";
    w.gltf.asset.generator = "ossify";
    w.gltf.buffers.emplace_back();
    const bool skinned = !model.joints.empty() && model.bind_frame < model.frames.size();

    const int root = add_root(w);
    std::vector<int> scene = {root};
    const std::vector<int> joints = skinned ? add_joints(w, model, root) : std::vector<int>{};
    add_tags(w, model, joints, root);

    tinygltf::Mesh mesh;
    mesh.name = "mesh";
    for (const preview_surface& surface : model.surfaces)
        if (!surface.vertices.empty() && !surface.triangles.empty())
            mesh.primitives.push_back(add_primitive(w, model, surface, skinned));
    if (!mesh.primitives.empty()) {
        w.gltf.meshes.push_back(std::move(mesh));
        tinygltf::Node node;
        node.name = "mesh";
        node.mesh = 0;
        if (skinned) node.skin = add_skin(w, model, joints, root);
        scene.push_back(w.add_node(std::move(node), -1));
    }
    if (skinned) add_animation(w, model, joints);

    tinygltf::Scene gltf_scene;
    gltf_scene.nodes = scene;
    w.gltf.scenes.push_back(std::move(gltf_scene));
    w.gltf.defaultScene = 0;
    if (w.gltf.buffers[0].data.empty()) w.gltf.buffers.clear();

    std::ostringstream out;
    try {
        tinygltf::TinyGLTF library;
        if (!library.WriteGltfSceneToStream(&w.gltf, out, false, true)) return {};
    } catch (const std::exception&) {
        return {};
    }
    const std::string bytes = out.str();
    return {bytes.begin(), bytes.end()};
}

} // namespace ossify
