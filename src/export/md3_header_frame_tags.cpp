// The fixed parts of an MD3: its header, its single frame and its tags.
#include <cstdio>
#include <string>

#include "base/vector_fields.hpp"
#include "export/md3_layout.hpp"
#include "export/md3_writer.hpp"
#include "mesh/mesh_record.hpp"

namespace ossify {

namespace {

constexpr std::int32_t frames_written = 1;
constexpr std::int32_t skins_written = 0;
constexpr offset_t md3_tags_start = md3_header::size + md3_frame::size;

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

std::int32_t build_md3frame_from_mesh(const byte_region& mesh, byte_region& md3) {
    const offset_t frame = md3_header::size;
    const vector3 low = get_vector3(mesh, mesh_header::bounds_min);
    const vector3 high = get_vector3(mesh, mesh_header::bounds_max);
    const vector3 origin{};
    const float radius = get_f32(mesh, mesh_header::radius);
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
