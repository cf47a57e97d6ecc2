#include "base/trace_line.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace ossify {

std::size_t format_fixed6(double value, char* out) {
    // NaN and infinity keep printf's own spelling.
    if (!std::isfinite(value))
        return static_cast<std::size_t>(std::snprintf(out, 320, "%f", value));
    const auto result = std::to_chars(out, out + 320, value, std::chars_format::fixed, 6);
    return static_cast<std::size_t>(result.ptr - out);
}

trace_line& trace_line::literal(const char* s) {
    const std::size_t length = std::strlen(s);
    if (length <= sizeof text - size) {
        std::memcpy(text + size, s, length);
        size += length;
    }
    return *this;
}

trace_line& trace_line::number(int value) {
    const auto result = std::to_chars(text + size, text + sizeof text, value);
    if (result.ec == std::errc()) size = static_cast<std::size_t>(result.ptr - text);
    return *this;
}

trace_line& trace_line::fixed(double value) {
    char digits[320];
    const std::size_t length = format_fixed6(value, digits);
    if (length <= sizeof text - size) {
        std::memcpy(text + size, digits, length);
        size += length;
    }
    return *this;
}

void trace_line::print() {
    std::fwrite(text, 1, size, stdout);
    size = 0;
}

} // namespace ossify

namespace ossify {

namespace {

trace_line& surface_vertex(trace_line& line, const char* who, int surface, int vertex,
                           int vertices) {
    line.literal(who).literal(" : Surface[").number(surface).literal("] Vertex[").number(vertex);
    return line.literal(":").number(vertices);
}

} // namespace

void print_vertex_line(const char* who, int surface, int vertex, int vertices, int weights,
                       const float normal[3], const float uv[2]) {
    trace_line line;
    surface_vertex(line, who, surface, vertex, vertices).literal("] Weights[").number(weights);
    line.literal("] Normal[").fixed(normal[0]).literal(" ").fixed(normal[1]).literal(" ");
    line.fixed(normal[2]).literal("] UV[").fixed(uv[0]).literal(" ").fixed(uv[1]);
    line.literal("]\n").print();
}

void print_weight_line(const char* who, int surface, int vertex, int vertices, int weight, int bone,
                       float value, const float offset[3]) {
    trace_line line;
    surface_vertex(line, who, surface, vertex, vertices).literal("] Weight#[").number(weight);
    line.literal("] Bone#[").number(bone).literal("]  Weight[").fixed(value).literal("] XYZ[");
    line.fixed(offset[0]).literal(" ").fixed(offset[1]).literal(" ").fixed(offset[2]);
    line.literal("]\n").print();
}

void print_triangle_line(const char* who, int surface, int triangle, int triangles,
                         const int index[3]) {
    trace_line line;
    line.literal(who).literal(" : Surface[").number(surface).literal("] Triangle[");
    line.number(triangle).literal(":").number(triangles).literal("] Index[").number(index[0]);
    line.literal(" ").number(index[1]).literal(" ").number(index[2]).literal("]\n").print();
}

} // namespace ossify
