// The checker of mode 10 without an output key: it reads MDM, MDX, MDS and MD3 files
// as the engine will load them and prints one line per finding on standard
// output, "check_<format> : File[PATH] <where>: <what>", never changing a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_access.hpp"
#include "skeletal/surface_faults.hpp"

namespace ossify {

struct check_report {
    int files = 0;
    int findings = 0;

    // Prints "<checker> : File[<path>] <text>" and counts the finding.
    void add(const char* checker, const char* path, const std::string& text);
};

// What the checks know of the skeleton that animates a mesh: its bone count
// and, when known, every bone's parent (-1 for a root).
struct skeleton_facts {
    std::int32_t bones = 0;
    std::vector<std::int32_t> parents; // empty: not known
    const char* source = "";           // what bounds the bone numbers, for the messages
};

// The engine's bone arrays, for an MDM checked without its MDX.
skeleton_facts engine_skeleton();
// The skeleton of a loaded MDX or MDS (MDS bone numbers, tag bones included).
skeleton_facts skeleton_of_mdx(const byte_region& mdx);
skeleton_facts skeleton_of_mds(const byte_region& mds);

// The collapse-map and bone-reference faults of one surface as phrases, each
// naming the first vertex it concerns; none when the surface has no fault.
std::vector<std::string> surface_fault_texts(const surface_faults& faults);

// Warns on standard error, once a surface, about the surfaces of a loaded MDM
// or MDS the engine would draw with stray triangles (the data stays as it is).
// Returns the number of surfaces warned about.
int warn_surface_faults(const byte_region& file, mesh_format format, const char* path);

// The checks of one loaded file; each finding goes to `report`.
void check_mdm_file(const byte_region& mdm, const char* path, const skeleton_facts& skeleton,
                    check_report& report);
void check_mds_file(const byte_region& mds, const char* path, check_report& report);
void check_mdx_file(const byte_region& mdx, const char* path, check_report& report);
// A static MD3 that the MD3 reader found sound.
void check_md3_file(const byte_region& md3, const char* path, check_report& report);

// An MDS and the MDX meant to animate what it splits into: the MDX must hold
// the MDS's regular bones, by number and name.
void check_mds_mdx_pair(const byte_region& mds, const byte_region& mdx, const char* mdx_path,
                        check_report& report);

} // namespace ossify
