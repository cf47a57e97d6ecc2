// The MD3 check and the walk over a checked file. Surfaces follow one another
// by their end offsets and every array lies inside its own surface, so both
// walks are linear in the size of the file, whatever its counts say.
#include "export/md3_reader.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "base/vector_fields.hpp"
#include "export/md3_layout.hpp"

namespace ossify {

namespace {

namespace mh = md3_header;
namespace ms = md3_surface;

std::string message(const char* format, int a, int b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// `count` records of `size` bytes at `at`: inside `region` and behind its header.
bool array_fits(const byte_region& region, offset_t at, offset_t header, offset_t count,
                offset_t size) {
    if (count < 0 || !fits(region, at, size * count)) return false;
    return count == 0 || at >= header;
}

std::string header_fault(const byte_region& file) {
    if (!fits(file, 0, mh::size)) return "ERROR:This MD3 is shorter than its header.\n";
    if (get_text(file, mh::ident, 4) != mh::ident_text)
        return "ERROR:This seems to be wrong MD3 file.\n";
    if (get_i32(file, mh::version) != mh::version_number)
        return "ERROR:This MD3 version is not supported.\n";
    const std::int32_t end = get_i32(file, mh::ofs_end);
    if (end < mh::size) return "ERROR:This MD3 end offset is smaller than its header.\n";
    if (static_cast<offset_t>(end) > static_cast<offset_t>(file.size))
        return "ERROR:This MD3 is shorter than its header says.\n";
    return {};
}

std::string surface_fault(const byte_region& file, offset_t start, int s) {
    const std::int32_t end = fits(file, start, ms::size) ? get_i32(file, start + ms::ofs_end) : 0;
    if (end < ms::size || !fits(file, start, end))
        return message("ERROR:MD3 surface %d lies outside the file.\n", s);
    const byte_region surface = sub_region(file, start, end);
    const std::int32_t frames = get_i32(surface, ms::num_frames);
    const std::int32_t verts = get_i32(surface, ms::num_verts);
    const std::int32_t triangles = get_i32(surface, ms::num_triangles);
    if (frames < 0 || verts < 0 ||
        !array_fits(surface, get_i32(surface, ms::ofs_shaders), ms::size,
                    get_i32(surface, ms::num_shaders), ms::shader_size) ||
        !array_fits(surface, get_i32(surface, ms::ofs_triangles), ms::size, triangles,
                    ms::triangle_size) ||
        !array_fits(surface, get_i32(surface, ms::ofs_st), ms::size, verts, ms::st_size) ||
        !array_fits(surface, get_i32(surface, ms::ofs_xyz_normals), ms::size,
                    static_cast<offset_t>(frames) * verts, ms::vertex_size))
        return message("ERROR:The shaders, triangles or vertices of MD3 surface %d run past the "
                       "surface.\n",
                       s);
    if (verts > 0 && frames < 1)
        return message("ERROR:MD3 surface %d has vertices but no frame of them.\n", s);
    const offset_t first = get_i32(surface, ms::ofs_triangles);
    for (offset_t c = 0; c < 3 * static_cast<offset_t>(triangles); ++c) {
        const std::int32_t corner = get_i32(surface, first + ms::corner_step * c);
        if (corner < 0 || corner >= verts)
            return message("ERROR:A triangle of MD3 surface %d has a corner outside its %d "
                           "vertices.\n",
                           s, verts);
    }
    return {};
}

std::array<float, 3> get_floats(const byte_region& file, offset_t at) {
    const vector3 v = get_vector3(file, at);
    return {v.x, v.y, v.z};
}

md3_surface_record read_surface(const byte_region& file, offset_t at) {
    md3_surface_record s;
    s.name = get_text(file, at + ms::name, md3_name_width);
    s.flags = get_i32(file, at + ms::flags);
    s.num_frames = get_i32(file, at + ms::num_frames);
    s.num_verts = get_i32(file, at + ms::num_verts);
    const std::int32_t shaders = get_i32(file, at + ms::num_shaders);
    const std::int32_t triangles = get_i32(file, at + ms::num_triangles);
    offset_t p = at + get_i32(file, at + ms::ofs_shaders);
    for (std::int32_t j = 0; j < shaders; ++j, p += ms::shader_size)
        s.shaders.push_back(
            {get_text(file, p, md3_name_width), get_i32(file, p + ms::shader_index)});
    p = at + get_i32(file, at + ms::ofs_triangles);
    for (std::int32_t t = 0; t < triangles; ++t, p += ms::triangle_size)
        s.triangles.push_back({get_i32(file, p), get_i32(file, p + ms::corner_step),
                               get_i32(file, p + 2 * ms::corner_step)});
    p = at + get_i32(file, at + ms::ofs_st);
    for (std::int32_t v = 0; v < s.num_verts; ++v, p += ms::st_size)
        s.tex_coords.push_back({get_f32(file, p), get_f32(file, p + vec3_y)});
    p = at + get_i32(file, at + ms::ofs_xyz_normals);
    const offset_t stored = static_cast<offset_t>(s.num_frames) * s.num_verts;
    for (offset_t v = 0; v < stored; ++v, p += ms::vertex_size)
        s.vertices.push_back({{get_i16(file, p), get_i16(file, p + ms::coordinate_step),
                               get_i16(file, p + 2 * ms::coordinate_step)},
                              get_u16(file, p + ms::vertex_normal)});
    return s;
}

} // namespace

std::string md3_fault(const byte_region& whole) {
    std::string fault = header_fault(whole);
    if (!fault.empty()) return fault;
    const byte_region file = sub_region(whole, 0, get_i32(whole, mh::ofs_end));
    const std::int32_t frames = get_i32(file, mh::num_frames);
    if (frames < 1) return "ERROR:This MD3 has no frames.\n";
    if (!array_fits(file, get_i32(file, mh::ofs_frames), mh::size, frames, md3_frame::size))
        return "ERROR:The frames of this MD3 lie outside the file.\n";
    // The frame count is bounded by the file now, so the product cannot overflow.
    const std::int32_t tags = get_i32(file, mh::num_tags);
    if (tags < 0 || !array_fits(file, get_i32(file, mh::ofs_tags), mh::size,
                                static_cast<offset_t>(frames) * tags, md3_tag::size))
        return "ERROR:The tags of this MD3 lie outside the file.\n";
    const std::int32_t surfaces = get_i32(file, mh::num_surfaces);
    offset_t at = get_i32(file, mh::ofs_surfaces);
    if (surfaces < 0 || !fits(file, at, 0) || (surfaces > 0 && at < mh::size))
        return "ERROR:The surfaces of this MD3 lie outside the file.\n";
    for (int s = 0; s < surfaces; ++s) {
        fault = surface_fault(file, at, s);
        if (!fault.empty()) return fault;
        at += get_i32(file, at + ms::ofs_end);
    }
    return {};
}

md3_model read_md3(const byte_region& file) {
    md3_model model;
    model.name = get_text(file, mh::name, md3_name_width);
    model.flags = get_i32(file, mh::flags);
    model.num_tags = get_i32(file, mh::num_tags);
    model.num_skins = get_i32(file, mh::num_skins);
    const std::int32_t frames = get_i32(file, mh::num_frames);
    offset_t at = get_i32(file, mh::ofs_frames);
    for (std::int32_t f = 0; f < frames; ++f, at += md3_frame::size)
        model.frames.push_back({get_floats(file, at + md3_frame::bounds_min),
                                get_floats(file, at + md3_frame::bounds_max),
                                get_floats(file, at + md3_frame::local_origin),
                                get_f32(file, at + md3_frame::radius),
                                get_text(file, at + md3_frame::name, md3_frame::name_width)});
    at = get_i32(file, mh::ofs_tags);
    const offset_t tags = static_cast<offset_t>(frames) * model.num_tags;
    for (offset_t t = 0; t < tags; ++t, at += md3_tag::size)
        model.tags.push_back({get_text(file, at + md3_tag::name, md3_name_width),
                              get_floats(file, at + md3_tag::origin),
                              {get_floats(file, at + md3_tag::axis),
                               get_floats(file, at + md3_tag::axis + vec3_size),
                               get_floats(file, at + md3_tag::axis + 2 * vec3_size)}});
    const std::int32_t surfaces = get_i32(file, mh::num_surfaces);
    at = get_i32(file, mh::ofs_surfaces);
    for (std::int32_t s = 0; s < surfaces; ++s) {
        model.surfaces.push_back(read_surface(file, at));
        at += get_i32(file, at + ms::ofs_end);
    }
    return model;
}

std::int32_t load_md3(file_handle input, byte_region& buffer) {
    const std::int64_t loaded = input ? read_into(std::move(input), buffer) : -1;
    if (loaded < 0) {
        std::printf("ERROR:Failed to read file.\n");
        return -1;
    }
    std::printf("Checking MD3 Header...");
    const byte_region held =
        sub_region(buffer, 0, std::min(loaded, static_cast<std::int64_t>(buffer.size)));
    const bool ours = fits(held, 0, mh::size) && get_text(held, mh::ident, 4) == mh::ident_text &&
                      get_i32(held, mh::version) == mh::version_number;
    if (ours &&
        static_cast<offset_t>(get_i32(held, mh::ofs_end)) > static_cast<offset_t>(buffer.size)) {
        std::printf("ERROR:This MD3 is too large.\n");
        return -1;
    }
    const std::string fault = md3_fault(held);
    if (!fault.empty()) {
        if (ours &&
            static_cast<offset_t>(get_i32(held, mh::ofs_end)) > static_cast<offset_t>(held.size))
            std::fprintf(stderr, "ossify: the MD3 header gives %d bytes, the file holds %lld.\n",
                         get_i32(held, mh::ofs_end), static_cast<long long>(held.size));
        std::fputs(fault.c_str(), stdout);
        return -1;
    }
    std::printf("This MD3 seems to be valid.\nMD3 has been loaded.\n");
    return get_i32(held, mh::ofs_end);
}

} // namespace ossify
