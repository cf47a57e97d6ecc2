// The glTF reader: the one file that sees the glTF library. It parses the
// container, then checks every index, offset and size the records rely on and
// copies what the jobs use into plain records (gltf_document.hpp).
#include "gltf/gltf_document.hpp"

#if OSSIFY_HAS_GLTF

// The library's implementation is compiled here, once for the whole tool.
#define TINYGLTF_IMPLEMENTATION
#include "gltf/gltf_library.hpp"

#include <cmath>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <limits>

namespace ossify {

namespace {

// A file larger than this is refused before it is parsed.
constexpr std::size_t max_file_size = 512u * 1024u * 1024u;
// Values an accessor without a buffer view (all zeros) may claim.
constexpr std::size_t max_zero_accessor = 1u << 22;
// Vertices a primitive may have: far beyond what the mesh buffer takes.
constexpr std::size_t max_primitive_vertices = 1u << 20;

struct reading {
    const tinygltf::Model& model;
    std::string& error;

    bool refuse(const std::string& why) {
        error = why;
        return false;
    }
};

std::size_t component_size(int type) {
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

std::size_t components_of(int type) {
    switch (type) {
    case TINYGLTF_TYPE_SCALAR:
        return 1;
    case TINYGLTF_TYPE_VEC2:
        return 2;
    case TINYGLTF_TYPE_VEC3:
        return 3;
    case TINYGLTF_TYPE_VEC4:
        return 4;
    case TINYGLTF_TYPE_MAT4:
        return 16;
    default:
        return 0;
    }
}

// One component at `p` (little-endian), normalised to 0..1 or -1..1 when asked.
double component_at(const unsigned char* p, int type, bool normalise) {
    std::uint32_t bits = 0;
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
        const auto v = static_cast<std::int8_t>(p[0]);
        return normalise ? std::max(v / 127.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return normalise ? p[0] / 255.0 : p[0];
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
        const auto v = static_cast<std::int16_t>(p[0] | p[1] << 8);
        return normalise ? std::max(v / 32767.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        const auto v = static_cast<std::uint16_t>(p[0] | p[1] << 8);
        return normalise ? v / 65535.0 : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
        bits = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
        return normalise ? bits / 4294967295.0 : bits;
    default: { // float
        bits = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
        float f = 0;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    }
}

// The accessor `index` as doubles, `components` a element, after checking that
// every element lies inside its buffer view and the view inside its buffer.
bool read_accessor(reading& r, int index, std::size_t components, bool normalise, const char* what,
                   std::vector<double>& out) {
    const auto& accessors = r.model.accessors;
    if (index < 0 || static_cast<std::size_t>(index) >= accessors.size())
        return r.refuse(std::string(what) + ": accessor " + std::to_string(index) +
                        " does not exist");
    const tinygltf::Accessor& a = accessors[static_cast<std::size_t>(index)];
    const std::string name = std::string(what) + " (accessor " + std::to_string(index) + ")";
    const std::size_t csize = component_size(a.componentType);
    if (csize == 0 || components_of(a.type) != components)
        return r.refuse(name + " has a type or component type that does not fit");
    if (a.sparse.isSparse) return r.refuse(name + " is sparse, which is not supported");
    const bool scaled = normalise || a.normalized;
    const std::size_t element = csize * components;
    if (a.bufferView < 0) {
        if (a.count > max_zero_accessor / components)
            return r.refuse(name + " claims too many elements");
        out.assign(a.count * components, 0.0);
        return true;
    }
    if (static_cast<std::size_t>(a.bufferView) >= r.model.bufferViews.size())
        return r.refuse(name + " names a buffer view that does not exist");
    const tinygltf::BufferView& view = r.model.bufferViews[static_cast<std::size_t>(a.bufferView)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= r.model.buffers.size())
        return r.refuse(name + " lies in a buffer that does not exist");
    const std::vector<unsigned char>& data =
        r.model.buffers[static_cast<std::size_t>(view.buffer)].data;
    if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset)
        return r.refuse(name + ": its buffer view runs beyond its buffer");
    const std::size_t stride = view.byteStride != 0 ? view.byteStride : element;
    if (stride < element) return r.refuse(name + " has a stride shorter than its element");
    if (a.count > 0) {
        if (a.byteOffset > view.byteLength || element > view.byteLength - a.byteOffset ||
            (a.count - 1) > (view.byteLength - a.byteOffset - element) / stride)
            return r.refuse(name + " runs beyond its buffer view");
    }
    out.resize(a.count * components);
    const unsigned char* base = data.data() + view.byteOffset + a.byteOffset;
    for (std::size_t i = 0; i < a.count; ++i)
        for (std::size_t c = 0; c < components; ++c)
            out[i * components + c] =
                component_at(base + stride * i + csize * c, a.componentType,
                             scaled && a.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT);
    return true;
}

bool all_finite(const std::vector<double>& values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

template <std::size_t n>
bool copy_fixed(const std::vector<double>& from, std::array<double, n>& to) {
    if (from.empty()) return true;
    if (from.size() != n) return false;
    std::copy(from.begin(), from.end(), to.begin());
    return true;
}

bool read_nodes(reading& r, gltf_document& d) {
    const auto& nodes = r.model.nodes;
    d.nodes.resize(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const tinygltf::Node& from = nodes[i];
        gltf_node& to = d.nodes[i];
        const std::string label = "node " + std::to_string(i) + " \"" + from.name + "\"";
        to.name = from.name;
        to.has_matrix = !from.matrix.empty();
        if (!copy_fixed(from.matrix, to.matrix) || !copy_fixed(from.translation, to.translation) ||
            !copy_fixed(from.rotation, to.rotation) || !copy_fixed(from.scale, to.scale))
            return r.refuse(label + " has a transform of the wrong length");
        if (!all_finite(from.matrix) || !all_finite(from.translation) ||
            !all_finite(from.rotation) || !all_finite(from.scale))
            return r.refuse(label + " has a transform that is not finite");
        const gltf_quaternion& q = to.rotation;
        const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        if (!(length > 1e-9)) return r.refuse(label + " has a rotation of length 0");
        for (double& c : to.rotation)
            c /= length;
        if (from.mesh >= static_cast<int>(r.model.meshes.size()) || from.mesh < -1 ||
            from.skin >= static_cast<int>(r.model.skins.size()) || from.skin < -1)
            return r.refuse(label + " names a mesh or skin that does not exist");
        to.mesh = from.mesh;
        to.skin = from.skin;
        for (int child : from.children) {
            if (child < 0 || static_cast<std::size_t>(child) >= nodes.size() ||
                static_cast<std::size_t>(child) == i)
                return r.refuse(label + " has the child " + std::to_string(child) +
                                ", which is no other node");
            if (d.nodes[static_cast<std::size_t>(child)].parent >= 0)
                return r.refuse("node " + std::to_string(child) + " has two parents");
            d.nodes[static_cast<std::size_t>(child)].parent = static_cast<std::int32_t>(i);
            to.children.push_back(child);
        }
    }
    // With one parent each, a chain longer than the node count runs in a circle.
    for (std::size_t i = 0; i < d.nodes.size(); ++i) {
        std::int32_t at = d.nodes[i].parent;
        for (std::size_t steps = 0; at >= 0; ++steps) {
            if (steps > d.nodes.size())
                return r.refuse("node " + std::to_string(i) + " lies in a cycle of the node tree");
            at = d.nodes[static_cast<std::size_t>(at)].parent;
        }
    }
    return true;
}

std::string base_colour_image(const tinygltf::Model& m, int material) {
    if (material < 0 || static_cast<std::size_t>(material) >= m.materials.size()) return {};
    const int texture =
        m.materials[static_cast<std::size_t>(material)].pbrMetallicRoughness.baseColorTexture.index;
    if (texture < 0 || static_cast<std::size_t>(texture) >= m.textures.size()) return {};
    const int image = m.textures[static_cast<std::size_t>(texture)].source;
    if (image < 0 || static_cast<std::size_t>(image) >= m.images.size()) return {};
    const tinygltf::Image& i = m.images[static_cast<std::size_t>(image)];
    return i.uri.empty() ? i.name : i.uri;
}

bool read_primitive(reading& r, const tinygltf::Primitive& from, const std::string& label,
                    gltf_primitive& to) {
    to.mode = from.mode < 0 ? gltf_mode_triangles : from.mode;
    if (from.material >= 0 && static_cast<std::size_t>(from.material) < r.model.materials.size())
        to.material = r.model.materials[static_cast<std::size_t>(from.material)].name;
    to.image_uri = base_colour_image(r.model, from.material);
    if (to.mode != gltf_mode_triangles) return true; // refused by the job, naming the node
    const auto attribute = [&](const char* name) {
        const auto it = from.attributes.find(name);
        return it == from.attributes.end() ? -1 : it->second;
    };
    std::vector<double> values;
    if (attribute("POSITION") < 0) return r.refuse(label + " has no POSITION");
    if (!read_accessor(r, attribute("POSITION"), 3, false, (label + " POSITION").c_str(), values))
        return false;
    if (!all_finite(values)) return r.refuse(label + " has a position that is not finite");
    const std::size_t count = values.size() / 3;
    if (count > max_primitive_vertices)
        return r.refuse(label + " has more than " + std::to_string(max_primitive_vertices) +
                        " vertices");
    for (std::size_t i = 0; i < count; ++i)
        to.positions.push_back({values[3 * i], values[3 * i + 1], values[3 * i + 2]});
    const auto same_count = [&](const std::vector<double>& v, std::size_t n, const char* what) {
        if (v.size() == count * n && all_finite(v)) return true;
        return r.refuse(label + " " + what + " does not give one finite value per vertex");
    };
    if (attribute("NORMAL") >= 0) {
        if (!read_accessor(r, attribute("NORMAL"), 3, false, (label + " NORMAL").c_str(), values) ||
            !same_count(values, 3, "NORMAL"))
            return false;
        for (std::size_t i = 0; i < count; ++i)
            to.normals.push_back({values[3 * i], values[3 * i + 1], values[3 * i + 2]});
    }
    if (attribute("TEXCOORD_0") >= 0) {
        if (!read_accessor(r, attribute("TEXCOORD_0"), 2, false, (label + " TEXCOORD_0").c_str(),
                           values) ||
            !same_count(values, 2, "TEXCOORD_0"))
            return false;
        for (std::size_t i = 0; i < count; ++i)
            to.uvs.push_back({values[2 * i], values[2 * i + 1]});
    }
    if (attribute("JOINTS_0") >= 0 || attribute("WEIGHTS_0") >= 0) {
        std::vector<double> joints;
        if (!read_accessor(r, attribute("JOINTS_0"), 4, false, (label + " JOINTS_0").c_str(),
                           joints) ||
            !same_count(joints, 4, "JOINTS_0") ||
            !read_accessor(r, attribute("WEIGHTS_0"), 4, true, (label + " WEIGHTS_0").c_str(),
                           values) ||
            !same_count(values, 4, "WEIGHTS_0"))
            return false;
        for (std::size_t i = 0; i < count; ++i) {
            std::array<std::uint32_t, 4> j{};
            std::array<double, 4> w{};
            for (std::size_t k = 0; k < 4; ++k) {
                const double index = joints[4 * i + k];
                if (index < 0 || index > 65535)
                    return r.refuse(label + " has a joint index out of range");
                j[k] = static_cast<std::uint32_t>(index);
                w[k] = values[4 * i + k];
            }
            to.joints.push_back(j);
            to.weights.push_back(w);
        }
    }
    if (from.indices >= 0) {
        if (!read_accessor(r, from.indices, 1, false, (label + " indices").c_str(), values))
            return false;
        for (double v : values) {
            if (!(v >= 0 && v < static_cast<double>(count)))
                return r.refuse(label + " has an index beyond its " + std::to_string(count) +
                                " vertices");
            to.indices.push_back(static_cast<std::uint32_t>(v));
        }
    }
    return true;
}

bool read_meshes(reading& r, gltf_document& d) {
    for (std::size_t m = 0; m < r.model.meshes.size(); ++m) {
        const tinygltf::Mesh& from = r.model.meshes[m];
        gltf_mesh to;
        to.name = from.name;
        for (std::size_t p = 0; p < from.primitives.size(); ++p) {
            gltf_primitive primitive;
            const std::string label = "mesh " + std::to_string(m) + " \"" + from.name +
                                      "\" primitive " + std::to_string(p);
            if (!read_primitive(r, from.primitives[p], label, primitive)) return false;
            to.primitives.push_back(std::move(primitive));
        }
        d.meshes.push_back(std::move(to));
    }
    return true;
}

bool read_skins(reading& r, gltf_document& d) {
    for (std::size_t s = 0; s < r.model.skins.size(); ++s) {
        const tinygltf::Skin& from = r.model.skins[s];
        const std::string label = "skin " + std::to_string(s) + " \"" + from.name + "\"";
        gltf_skin to;
        to.name = from.name;
        for (int joint : from.joints) {
            if (joint < 0 || static_cast<std::size_t>(joint) >= d.nodes.size())
                return r.refuse(label + " has the joint " + std::to_string(joint) +
                                ", which is no node");
            to.joints.push_back(joint);
        }
        to.inverse_binds.assign(to.joints.size(), gltf_identity);
        if (from.inverseBindMatrices >= 0) {
            std::vector<double> values;
            if (!read_accessor(r, from.inverseBindMatrices, 16, false,
                               (label + " inverse bind matrices").c_str(), values))
                return false;
            if (values.size() < 16 * to.joints.size() || !all_finite(values))
                return r.refuse(label + " needs one finite inverse bind matrix per joint");
            for (std::size_t j = 0; j < to.joints.size(); ++j)
                std::copy(values.begin() + static_cast<std::ptrdiff_t>(16 * j),
                          values.begin() + static_cast<std::ptrdiff_t>(16 * j + 16),
                          to.inverse_binds[j].begin());
        }
        d.skins.push_back(std::move(to));
    }
    return true;
}

bool read_channel(reading& r, const tinygltf::Animation& a, const tinygltf::AnimationChannel& c,
                  const std::string& label, gltf_document& d, gltf_animation& to) {
    gltf_channel channel;
    std::size_t width = 3;
    if (c.target_path == "translation")
        channel.target = gltf_target::translation;
    else if (c.target_path == "rotation")
        channel.target = gltf_target::rotation, width = 4;
    else if (c.target_path == "scale")
        channel.target = gltf_target::scale;
    else
        return true; // morph weights do not move bones
    if (c.target_node < 0 || static_cast<std::size_t>(c.target_node) >= d.nodes.size())
        return r.refuse(label + " targets no node");
    if (c.sampler < 0 || static_cast<std::size_t>(c.sampler) >= a.samplers.size())
        return r.refuse(label + " names a sampler that does not exist");
    const tinygltf::AnimationSampler& s = a.samplers[static_cast<std::size_t>(c.sampler)];
    if (s.interpolation == "STEP")
        channel.interpolation = gltf_interpolation::step;
    else if (s.interpolation == "CUBICSPLINE")
        channel.interpolation = gltf_interpolation::cubic_spline;
    channel.node = c.target_node;
    if (!read_accessor(r, s.input, 1, false, (label + " times").c_str(), channel.times) ||
        !read_accessor(r, s.output, width, false, (label + " values").c_str(), channel.values))
        return false;
    const std::size_t keys = channel.times.size();
    const std::size_t per_key = channel.interpolation == gltf_interpolation::cubic_spline ? 3 : 1;
    if (keys == 0 || channel.values.size() != keys * per_key * width)
        return r.refuse(label + " has not one value per key");
    if (!all_finite(channel.times) || !all_finite(channel.values))
        return r.refuse(label + " has a time or value that is not finite");
    for (std::size_t k = 1; k < keys; ++k)
        if (channel.times[k] < channel.times[k - 1])
            return r.refuse(label + " has times that run backwards");
    to.channels.push_back(std::move(channel));
    return true;
}

bool read_animations(reading& r, gltf_document& d) {
    for (std::size_t i = 0; i < r.model.animations.size(); ++i) {
        const tinygltf::Animation& a = r.model.animations[i];
        gltf_animation to;
        to.name = a.name;
        for (std::size_t c = 0; c < a.channels.size(); ++c)
            if (!read_channel(r, a, a.channels[c],
                              "animation " + std::to_string(i) + " \"" + a.name + "\" channel " +
                                  std::to_string(c),
                              d, to))
                return false;
        d.animations.push_back(std::move(to));
    }
    return true;
}

bool read_scene(reading& r, gltf_document& d) {
    const auto& scenes = r.model.scenes;
    if (scenes.empty()) {
        for (std::size_t i = 0; i < d.nodes.size(); ++i)
            if (d.nodes[i].parent < 0) d.scene.push_back(static_cast<std::int32_t>(i));
        return true;
    }
    const std::size_t chosen =
        r.model.defaultScene >= 0 && static_cast<std::size_t>(r.model.defaultScene) < scenes.size()
            ? static_cast<std::size_t>(r.model.defaultScene)
            : 0;
    for (int node : scenes[chosen].nodes) {
        if (node < 0 || static_cast<std::size_t>(node) >= d.nodes.size() ||
            d.nodes[static_cast<std::size_t>(node)].parent >= 0)
            return r.refuse("scene " + std::to_string(chosen) + " lists " + std::to_string(node) +
                            ", which is no root node");
        d.scene.push_back(node);
    }
    return true;
}

// Images are named, never decoded.
bool keep_image_undecoded(tinygltf::Image*, const int, std::string*, std::string*, int, int,
                          const unsigned char*, int, void*) {
    return true;
}

bool no_file_exists(const std::string&, void*) {
    return false;
}
std::string same_path(const std::string& path, void*) {
    return path;
}
bool no_file_read(std::vector<unsigned char>*, std::string* err, const std::string& path, void*) {
    if (err != nullptr) *err += "the file \"" + path + "\" is not read from memory\n";
    return false;
}
bool no_file_written(std::string*, const std::string&, const std::vector<unsigned char>&, void*) {
    return false;
}

std::string first_line(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? "the file is no glTF 2.0" : line;
}

bool parse(const std::uint8_t* bytes, std::size_t size, const std::string& base_dir,
           bool from_memory, gltf_document& document, std::string& error) {
    if (size > max_file_size) {
        error = "the file is larger than " + std::to_string(max_file_size) + " bytes";
        return false;
    }
    tinygltf::Model model;
    try {
        tinygltf::TinyGLTF loader;
        loader.SetImageLoader(keep_image_undecoded, nullptr);
        if (from_memory)
            loader.SetFsCallbacks(
                {no_file_exists, same_path, no_file_read, no_file_written, nullptr});
        std::string err, warn;
        const bool binary = size >= 4 && std::memcmp(bytes, "glTF", 4) == 0;
        const auto length = static_cast<unsigned int>(size);
        const std::string text = binary ? std::string() : std::string(bytes, bytes + size);
        const bool ok =
            binary
                ? loader.LoadBinaryFromMemory(&model, &err, &warn, bytes, length, base_dir)
                : loader.LoadASCIIFromString(&model, &err, &warn, text.c_str(), length, base_dir);
        if (!ok) {
            error = first_line(err);
            return false;
        }
    } catch (const std::exception& e) {
        error = std::string("the file cannot be parsed: ") + e.what();
        return false;
    }
    document = {};
    reading r{model, error};
    return read_nodes(r, document) && read_meshes(r, document) && read_skins(r, document) &&
           read_animations(r, document) && read_scene(r, document);
}

} // namespace

bool gltf_reader_available() {
    return true;
}

bool read_gltf_file(const std::string& path, gltf_document& document, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "the file cannot be opened";
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    const std::size_t slash = path.find_last_of("/\\");
    const std::string base_dir = slash == std::string::npos ? "" : path.substr(0, slash);
    return parse(bytes.data(), bytes.size(), base_dir, false, document, error);
}

bool read_gltf_memory(const std::uint8_t* bytes, std::size_t size, gltf_document& document,
                      std::string& error) {
    return parse(bytes, size, "", true, document, error);
}

} // namespace ossify

#else // a build without the glTF library

namespace ossify {

bool gltf_reader_available() {
    return false;
}

bool read_gltf_file(const std::string&, gltf_document&, std::string& error) {
    error = "this build of ossify cannot read glTF files";
    return false;
}

bool read_gltf_memory(const std::uint8_t*, std::size_t, gltf_document&, std::string& error) {
    error = "this build of ossify cannot read glTF files";
    return false;
}

} // namespace ossify

#endif
