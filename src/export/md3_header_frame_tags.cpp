// The fixed parts of an MD3: its header, its single frame and its tags.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "base/vector_fields.hpp"
#include "export/md3_layout.hpp"
#include "export/md3_writer.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

namespace {

constexpr std::int32_t frames_written = 1;
constexpr std::int32_t skins_written = 0;
constexpr offset_t md3_tags_start = md3_header::size + md3_frame::size;

// The frame of the model as the engine reads its stored positions.
struct stored_frame {
    vector3 low, high, origin;
    float radius = 0.0f;
};

stored_frame frame_of_stored_positions(const byte_region& mesh, std::int32_t scale) {
    std::vector<std::array<double, 3>> points;
    const std::int32_t objects = get_i32(mesh, mesh_header::num_mesh_obj);
    offset_t object = get_i32(mesh, mesh_header::ofs_mesh_obj);
    for (std::int32_t i = 0; i < objects && !mesh.fault; ++i) {
        const std::int32_t vertices = get_i32(mesh, object + mesh_object::num_vertex);
        const offset_t first = object + get_i32(mesh, object + mesh_object::ofs_vertex);
        for (std::int32_t v = 0; v < vertices && !mesh.fault; ++v) {
            std::array<double, 3> p{};
            for (int axis = 0; axis < 3; ++axis) {
                std::int16_t stored = 0;
                // A coordinate out of range fails the surface step; it is left out here.
                md3_coordinate(
                    get_f32(mesh, first + mesh_vertex::size * v + mesh_vertex::position + 4 * axis),
                    scale, stored);
                p[static_cast<std::size_t>(axis)] =
                    static_cast<double>(stored) / md3_steps_per_unit;
            }
            points.push_back(p);
        }
        object += get_i32(mesh, object + mesh_object::ofs_end);
    }
    stored_frame f;
    if (points.empty()) return f;
    std::array<double, 3> low = points.front(), high = points.front(), centre{};
    for (const auto& p : points)
        for (std::size_t a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], p[a]);
            high[a] = std::max(high[a], p[a]);
        }
    for (std::size_t a = 0; a < 3; ++a)
        centre[a] = (low[a] + high[a]) / 2.0;
    double farthest = 0.0;
    for (const auto& p : points) {
        const double dx = p[0] - centre[0], dy = p[1] - centre[1], dz = p[2] - centre[2];
        farthest = std::max(farthest, dx * dx + dy * dy + dz * dz);
    }
    const auto f32 = [](double d) { return static_cast<float>(d); };
    f.low = {f32(low[0]), f32(low[1]), f32(low[2])};
    f.high = {f32(high[0]), f32(high[1]), f32(high[2])};
    f.origin = {f32(centre[0]), f32(centre[1]), f32(centre[2])};
    // Rounded up, so that the sphere still holds the farthest vertex.
    const float radius = f32(std::sqrt(farthest));
    f.radius = static_cast<double>(radius) < std::sqrt(farthest)
                   ? std::nextafter(radius, std::numeric_limits<float>::infinity())
                   : radius;
    return f;
}

} // namespace

std::int32_t build_md3header_from_mesh(byte_region& md3, const byte_region& mesh) {
    const std::int32_t tags = get_i32(mesh, mesh_header::num_tag);
    const std::int32_t surfaces = get_i32(mesh, mesh_header::num_mesh_obj);
    put_chars(md3, md3_header::ident, md3_header::ident_text);
    put_i32(md3, md3_header::version, md3_header::version_number);
    const std::string name = get_text(mesh, mesh_header::description, 64);
    put_text(md3, md3_header::name, md3_name_width, name.c_str(), false);
    put_i32(md3, md3_header::flags, 0);
    put_i32(md3, md3_header::num_frames, frames_written);
    put_i32(md3, md3_header::num_tags, tags);
    put_i32(md3, md3_header::num_surfaces, surfaces);
    put_i32(md3, md3_header::num_skins, skins_written);
    put_i32(md3, md3_header::ofs_frames, static_cast<std::int32_t>(md3_header::size));
    put_i32(md3, md3_header::ofs_tags, static_cast<std::int32_t>(md3_tags_start));
    put_i32(md3, md3_header::ofs_surfaces,
            static_cast<std::int32_t>(md3_tags_start + md3_tag::size * tags));
    std::printf("build_md3header_from_mesh : EXIT Frame[%d] Tag[%d] Surface[%d] Skin[%d]\n\n",
                frames_written, tags, surfaces, skins_written);
    return static_cast<std::int32_t>(md3_header::size);
}

std::int32_t build_md3frame_from_mesh(const byte_region& mesh, byte_region& md3,
                                      std::int32_t stored_scale) {
    const offset_t frame = md3_header::size;
    stored_frame f;
    if (stored_scale != 0) {
        f = frame_of_stored_positions(mesh, stored_scale);
    } else {
        f.low = get_vector3(mesh, mesh_header::bounds_min);
        f.high = get_vector3(mesh, mesh_header::bounds_max);
        f.radius = get_f32(mesh, mesh_header::radius);
    }
    const vector3 low = f.low, high = f.high, origin = f.origin;
    const float radius = f.radius;
    put_vector3(md3, frame + md3_frame::bounds_min, low);
    put_vector3(md3, frame + md3_frame::bounds_max, high);
    put_vector3(md3, frame + md3_frame::local_origin, origin);
    put_f32(md3, frame + md3_frame::radius, radius);
    put_text(md3, frame + md3_frame::name, md3_frame::name_width, md3_frame::frame_name);
    std::printf("build_md3frame_from_mesh : Frame[0] BBoxmin[%f %f %f] BBoxmax[%f %f %f] "
                "LocalOrigin[%f %f %f] Radius[%f]\n",
                low.x, low.y, low.z, high.x, high.y, high.z, origin.x, origin.y, origin.z, radius);
    return static_cast<std::int32_t>(md3_frame::size);
}

std::int32_t build_md3tag_from_mesh(byte_region& md3, const byte_region& mesh) {
    const std::int32_t tags = get_i32(mesh, mesh_header::num_tag);
    const offset_t first = get_i32(mesh, mesh_header::ofs_tag);
    for (std::int32_t t = 0; t < tags; ++t) {
        const offset_t from = first + mesh_tag::size * t;
        const offset_t to = md3_tags_start + md3_tag::size * t;
        const std::string name = get_text(mesh, from + mesh_tag::name, 64);
        put_text(md3, to + md3_tag::name, md3_name_width, name.c_str(), false);
        copy_bytes(md3, to + md3_tag::origin, mesh, from + mesh_tag::origin, 12 + 36);
        std::printf("build_md3tag_from_mesh : Tag[%d] Name[%s]\n", t, name.c_str());
    }
    return static_cast<std::int32_t>(md3_tag::size * tags);
}

} // namespace ossify
