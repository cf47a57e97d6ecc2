#include "gltf/gltf_transform.hpp"

#include <algorithm>
#include <cmath>

namespace ossify {

namespace {

double& at(gltf_matrix& m, int row, int column) {
    return m[static_cast<std::size_t>(column * 4 + row)];
}
double at(const gltf_matrix& m, int row, int column) {
    return m[static_cast<std::size_t>(column * 4 + row)];
}

double dot4(const gltf_quaternion& a, const gltf_quaternion& b) {
    return ((a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]) + a[3] * b[3];
}

gltf_quaternion normalised(gltf_quaternion q) {
    const double length = std::sqrt(dot4(q, q));
    if (!(length > 0)) return {0, 0, 0, 1};
    for (double& c : q)
        c /= length;
    return q;
}

gltf_quaternion slerp(const gltf_quaternion& a, gltf_quaternion b, double s) {
    double d = dot4(a, b);
    if (d < 0) {
        for (double& c : b)
            c = -c;
        d = -d;
    }
    gltf_quaternion q{};
    if (d > 0.9995) {
        for (std::size_t k = 0; k < 4; ++k)
            q[k] = a[k] + s * (b[k] - a[k]);
        return normalised(q);
    }
    const double angle = std::acos(std::min(d, 1.0));
    const double wa = std::sin((1 - s) * angle) / std::sin(angle);
    const double wb = std::sin(s * angle) / std::sin(angle);
    for (std::size_t k = 0; k < 4; ++k)
        q[k] = wa * a[k] + wb * b[k];
    return normalised(q);
}

// The channel's value at `t`, `width` components.
std::array<double, 4> sample(const gltf_channel& c, double t, std::size_t width) {
    const std::vector<double>& times = c.times;
    const bool cubic = c.interpolation == gltf_interpolation::cubic_spline;
    const std::size_t stride = cubic ? 3 * width : width;
    const std::size_t value_at = cubic ? width : 0; // the value between the tangents
    const auto key = [&](std::size_t k) {
        std::array<double, 4> v{};
        for (std::size_t i = 0; i < width; ++i)
            v[i] = c.values[k * stride + value_at + i];
        return v;
    };
    if (t <= times.front()) return key(0);
    if (t >= times.back()) return key(times.size() - 1);
    const std::size_t next =
        static_cast<std::size_t>(std::upper_bound(times.begin(), times.end(), t) - times.begin());
    const std::size_t k = next - 1;
    const double span = times[next] - times[k];
    const double s = span > 0 ? (t - times[k]) / span : 0;
    if (c.interpolation == gltf_interpolation::step) return key(k);
    std::array<double, 4> v{};
    if (cubic) {
        const double s2 = s * s, s3 = s2 * s;
        const double h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s;
        const double h01 = -2 * s3 + 3 * s2, h11 = s3 - s2;
        for (std::size_t i = 0; i < width; ++i) {
            const double p0 = c.values[k * stride + width + i];
            const double m0 = c.values[k * stride + 2 * width + i] * span; // out-tangent
            const double p1 = c.values[next * stride + width + i];
            const double m1 = c.values[next * stride + i] * span; // in-tangent
            v[i] = h00 * p0 + h10 * m0 + h01 * p1 + h11 * m1;
        }
        if (width == 4) v = normalised(v);
        return v;
    }
    const std::array<double, 4> a = key(k), b = key(next);
    if (width == 4) return slerp(normalised(a), normalised(b), s);
    for (std::size_t i = 0; i < width; ++i)
        v[i] = a[i] + s * (b[i] - a[i]);
    return v;
}

dvec3 column(const gltf_matrix& m, int j) {
    return {at(m, 0, j), at(m, 1, j), at(m, 2, j)};
}

} // namespace

const gltf_matrix gltf_to_engine = [] {
    // engine x, y, z = glTF z, x, y, in inches
    gltf_matrix m{};
    const double s = 1.0 / 0.0254;
    at(m, 0, 2) = s;
    at(m, 1, 0) = s;
    at(m, 2, 1) = s;
    at(m, 3, 3) = 1;
    return m;
}();

const gltf_matrix engine_to_gltf = [] {
    gltf_matrix m{};
    at(m, 2, 0) = 0.0254;
    at(m, 0, 1) = 0.0254;
    at(m, 1, 2) = 0.0254;
    at(m, 3, 3) = 1;
    return m;
}();

gltf_matrix multiply(const gltf_matrix& a, const gltf_matrix& b) {
    gltf_matrix m{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += at(a, r, k) * at(b, k, c);
            at(m, r, c) = sum;
        }
    return m;
}

std::optional<gltf_matrix> inverse_affine(const gltf_matrix& m) {
    const double a = at(m, 0, 0), b = at(m, 0, 1), c = at(m, 0, 2);
    const double d = at(m, 1, 0), e = at(m, 1, 1), f = at(m, 1, 2);
    const double g = at(m, 2, 0), h = at(m, 2, 1), i = at(m, 2, 2);
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (!std::isfinite(det) || std::fabs(det) < 1e-300) return std::nullopt;
    gltf_matrix inv{};
    at(inv, 0, 0) = (e * i - f * h) / det;
    at(inv, 0, 1) = (c * h - b * i) / det;
    at(inv, 0, 2) = (b * f - c * e) / det;
    at(inv, 1, 0) = (f * g - d * i) / det;
    at(inv, 1, 1) = (a * i - c * g) / det;
    at(inv, 1, 2) = (c * d - a * f) / det;
    at(inv, 2, 0) = (d * h - e * g) / det;
    at(inv, 2, 1) = (b * g - a * h) / det;
    at(inv, 2, 2) = (a * e - b * d) / det;
    const dvec3 t = {at(m, 0, 3), at(m, 1, 3), at(m, 2, 3)};
    for (int r = 0; r < 3; ++r)
        at(inv, r, 3) = -((at(inv, r, 0) * t[0] + at(inv, r, 1) * t[1]) + at(inv, r, 2) * t[2]);
    at(inv, 3, 3) = 1;
    return inv;
}

dvec3 transform_point(const gltf_matrix& m, const dvec3& p) {
    dvec3 out{};
    for (int r = 0; r < 3; ++r)
        out[static_cast<std::size_t>(r)] =
            ((at(m, r, 0) * p[0] + at(m, r, 1) * p[1]) + at(m, r, 2) * p[2]) + at(m, r, 3);
    return out;
}

dvec3 transform_direction(const gltf_matrix& m, const dvec3& v) {
    dvec3 out{};
    for (int r = 0; r < 3; ++r)
        out[static_cast<std::size_t>(r)] =
            (at(m, r, 0) * v[0] + at(m, r, 1) * v[1]) + at(m, r, 2) * v[2];
    return out;
}

gltf_matrix matrix_of_trs(const dvec3& t, const gltf_quaternion& q, const dvec3& s) {
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    gltf_matrix m{};
    for (int row = 0; row < 3; ++row) {
        for (int c = 0; c < 3; ++c)
            at(m, row, c) = r[row][c] * s[static_cast<std::size_t>(c)];
        at(m, row, 3) = t[static_cast<std::size_t>(row)];
    }
    at(m, 3, 3) = 1;
    return m;
}

std::vector<node_trs> rest_pose(const gltf_document& document) {
    std::vector<node_trs> pose;
    for (const gltf_node& n : document.nodes)
        pose.push_back({n.translation, n.rotation, n.scale, n.has_matrix, n.matrix});
    return pose;
}

gltf_matrix local_matrix(const node_trs& node) {
    return node.fixed_matrix ? node.matrix
                             : matrix_of_trs(node.translation, node.rotation, node.scale);
}

std::vector<gltf_matrix> world_matrices(const gltf_document& document,
                                        std::span<const node_trs> pose) {
    const std::size_t count = document.nodes.size();
    std::vector<gltf_matrix> world(count, gltf_identity);
    std::vector<bool> done(count, false);
    std::vector<std::size_t> chain;
    for (std::size_t i = 0; i < count; ++i) {
        chain.clear();
        for (std::int32_t at_node = static_cast<std::int32_t>(i);
             at_node >= 0 && !done[static_cast<std::size_t>(at_node)] && chain.size() <= count;
             at_node = document.nodes[static_cast<std::size_t>(at_node)].parent)
            chain.push_back(static_cast<std::size_t>(at_node));
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const std::int32_t parent = document.nodes[*it].parent;
            const gltf_matrix local = local_matrix(pose[*it]);
            world[*it] = parent >= 0 && done[static_cast<std::size_t>(parent)]
                             ? multiply(world[static_cast<std::size_t>(parent)], local)
                             : local;
            done[*it] = true;
        }
    }
    return world;
}

time_span animation_span(const gltf_animation& animation) {
    time_span span;
    bool first = true;
    for (const gltf_channel& c : animation.channels) {
        if (first || c.times.front() < span.first) span.first = c.times.front();
        if (first || c.times.back() > span.last) span.last = c.times.back();
        first = false;
    }
    return span;
}

std::vector<node_trs> pose_at(const gltf_document& document, const gltf_animation& animation,
                              double t) {
    std::vector<node_trs> pose = rest_pose(document);
    for (const gltf_channel& c : animation.channels) {
        node_trs& node = pose[static_cast<std::size_t>(c.node)];
        if (c.target == gltf_target::rotation) {
            node.rotation = sample(c, t, 4);
            continue;
        }
        const std::array<double, 4> v = sample(c, t, 3);
        (c.target == gltf_target::translation ? node.translation : node.scale) = {v[0], v[1], v[2]};
    }
    return pose;
}

bool split_frame(const gltf_matrix& m, frame_split& split, std::string& why) {
    const dvec3 axes[3] = {column(m, 0), column(m, 1), column(m, 2)};
    double lengths[3];
    for (int j = 0; j < 3; ++j)
        lengths[j] = std::sqrt(dot3(axes[j], axes[j]));
    const double scale = (lengths[0] + lengths[1] + lengths[2]) / 3;
    if (!(scale > 1e-12) || !std::isfinite(scale)) {
        why = "a scale of 0";
        return false;
    }
    for (double length : lengths)
        if (std::fabs(length / scale - 1) > 1e-5) {
            why = "a scale that differs between its axes";
            return false;
        }
    dvec3 unit[3];
    for (int j = 0; j < 3; ++j)
        for (std::size_t k = 0; k < 3; ++k)
            unit[j][k] = axes[j][k] / lengths[j];
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b)
            if (std::fabs(dot3(unit[a], unit[b])) > 1e-5) {
                why = "a sheared transform";
                return false;
            }
    const dvec3& x = unit[0];
    const dvec3& y = unit[1];
    const dvec3 cross = {x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2],
                         x[0] * y[1] - x[1] * y[0]};
    if (dot3(cross, unit[2]) < 0) {
        why = "a negative scale (a mirror)";
        return false;
    }
    // Row r of R holds component r of every axis: R·o = Σ o_j · axis_j.
    split.rotation.forward = {unit[0][0], unit[1][0], unit[2][0]};
    split.rotation.left = {unit[0][1], unit[1][1], unit[2][1]};
    split.rotation.up = {unit[0][2], unit[1][2], unit[2][2]};
    split.scale = scale;
    return true;
}

} // namespace ossify
