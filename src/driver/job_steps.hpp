// The job steps of the driver. Each step is one chain of links: it prints what
// its links print and, at the first failing link, the step's own "ERROR:" line,
// and returns false so that the driver stops.
#pragma once

#include <span>
#include <vector>

#include "base/file_io.hpp"
#include "base/work_buffers.hpp"
#include "driver/tool_config.hpp"
#include "skeleton/marker_tags.hpp"
#include "skeleton/mdx_skeleton.hpp"

namespace ossify {

struct job_context {
    const tool_config& config;
    work_buffers& buffers;
    bool mds_warned = false; // the MDS's surface faults were warned about
};

// Prints the failure line of a link and returns false, for `return fail(...)`.
bool fail(const char* message);

// A loader of a skeletal file: takes the opened file, returns its size or -1.
using loader = std::int32_t (*)(file_handle, byte_region&);

// Opens `path`, the value of configuration key `key`, and loads it into
// `buffer`; the file's end offset, or -1.
std::int32_t load_input(const char* key, const char* path, loader load, byte_region& buffer);

bool step_mds_to_mdm(job_context& job);        // A: modes 1, 3
bool step_mds_to_mdx(job_context& job);        // B: modes 2, 3
bool step_mds_report(job_context& job);        // C: modes 1, 3 with REPORT 1
bool step_rescale_mdm(job_context& job);       // D: mode 6
bool step_replace_mdm_tags(job_context& job);  // E: mode 4
bool step_replace_mdx_bones(job_context& job); // F: mode 5
bool step_rescale_mdx(job_context& job);       // G: mode 7
bool step_mqo_to_md3(job_context& job);        // H: mode 8 and every mode outside 1..12
bool step_mqo_to_mdm(job_context& job);        // I: mode 9
bool step_load_posed_model(job_context& job);  // mode 10 with PREVIEW or MQOOUT
bool step_write_mqo(job_context& job);         // mode 10 with MQOOUT
bool step_preview(job_context& job);           // every mode, when PREVIEW is set
bool step_check_models(job_context& job);      // mode 10 without an output key
bool step_gltf_to_md3(job_context& job);       // mode 8 with GLTF
bool step_gltf_to_mdm(job_context& job);       // mode 9 with GLTF

// True when mode 10 has a key that makes it write a file; without one it checks
// the files its source keys name.
bool mode10_writes_output(const tool_config& config);

// A source key of mode 10's check and its path.
struct source_key {
    const char* key;
    const char* path;
};

// The source keys of mode 10's check that are set, in the order they are checked.
std::vector<source_key> mode10_check_sources(const tool_config& config);

// Before a job reads anything: every output key it needs is set and every input
// file it names can be opened. Prints an "ERROR:" line for each that is not,
// naming the key; false when there was one.
bool job_files_are_ready(const tool_config& config);

// The end of modes 4 and 9: loads the reference MDM, gives the MDM buffer its
// tags, saves it again at the MDM path and prints its report.
bool transplant_reference_tags(job_context& job);

// Mode 9 without REFERENCEMDM: the tags of the bone object into the MDM, which is
// saved again and reported.
bool give_skeleton_tags(job_context& job);

// With SKELETONMDX (mode 9): the skeleton of the bone buffer as a one-frame MDX
// in the MDX buffer, saved at the key's path.
bool save_skeleton_mdx(job_context& job);

// UPAXIS=Y: the model is drawn y-up (modes 8 and 9 turn it z-up, mode 10's
// MQO turns it back).
bool turns_y_up(const tool_config& config);
// UPAXIS is Y, or absent or Z (as drawn); false after an "ERROR:" line.
bool up_axis_is_valid(const tool_config& config);

// Mode 9 with BINDMDX: refuses SKELETONMDX, loads the MDX, poses it at
// BINDFRAME into `pose` and saves its bone object ("test.bone") in the bone
// buffer; false after printing why.
bool load_bind_skeleton(job_context& job, mdx_pose& pose);

// Mode 9 with BINDMDX and no REFERENCEMDM: `tags` hung on the nearest bones of
// `pose` in the MDM, which is saved again and reported.
bool give_bound_tags(job_context& job, const mdx_pose& pose, std::span<const drawn_tag> tags);

// The MD3SCALE of the configuration (absent: 1); false after printing the
// refusal of a negative or unreadable value.
bool md3_scale_of(const tool_config& config, std::int32_t& scale);

// Runs the steps of the configured mode in order; false after the first failure.
bool run_job(job_context& job);

} // namespace ossify
