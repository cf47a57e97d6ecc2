// A trace line assembled without printf, for the per-vertex lines that dominate
// the run time of the MDS split. Each piece prints exactly as its printf
// conversion would: `number` as %d, `fixed` as %f (six decimals, correctly
// rounded, as glibc's and MinGW's ANSI printf round).
#pragma once

#include <cstddef>

namespace ossify {

struct trace_line {
    // Long enough for any line built from a few dozen pieces; a piece that
    // would not fit is dropped rather than written past the end.
    char text[1024];
    std::size_t size = 0;

    trace_line& literal(const char* s);
    trace_line& number(int value);
    trace_line& fixed(double value);
    // Writes the line to standard output and empties it.
    void print();
};

// `value` as printf's %f writes it, into `out` (which must hold 320 bytes: the
// longest double in %f); returns the number of characters written.
std::size_t format_fixed6(double value, char* out);

} // namespace ossify

namespace ossify {

// The per-vertex trace lines that the MDS split and the MDM writer share, after
// their routine's name (`who`):
//   "%s : Surface[%d] Vertex[%d:%d] Weights[%d] Normal[%f %f %f] UV[%f %f]\n"
//   "%s : Surface[%d] Vertex[%d:%d] Weight#[%d] Bone#[%d]  Weight[%f] XYZ[%f %f %f]\n"
//   "%s : Surface[%d] Triangle[%d:%d] Index[%d %d %d]\n"
void print_vertex_line(const char* who, int surface, int vertex, int vertices, int weights,
                       const float normal[3], const float uv[2]);
void print_weight_line(const char* who, int surface, int vertex, int vertices, int weight, int bone,
                       float value, const float offset[3]);
void print_triangle_line(const char* who, int surface, int triangle, int triangles,
                         const int index[3]);

} // namespace ossify
