// The links the MQO jobs share (steps_mqo.cpp): mode 9 with BINDMDX
// (steps_bind.cpp) runs them too.
#pragma once

#include <functional>

#include "driver/job_steps.hpp"
#include "mesh/arrange_surfaces.hpp"
#include "mqo/load_mqo.hpp"

namespace ossify {

// Reads the configured MQO model and saves its parsed record as "test.mqoobj".
bool load_and_save_mqo(job_context& job, mqo_notes& notes);

// BLENDWEIGHTS is read without a sign: -1 stands for a negative or unreadable text.
bool blend_weights_are_valid(const tool_config& config);

// The plain conversion tells what it left out once the job is done.
bool report_after(const job_context& job, const mqo_notes& notes, bool done);

// The keys mode 9 reads before any work: BLENDWEIGHTS, LODMIN, UPAXIS and
// SURFACELIMIT (whose limits it returns).
bool mdm_keys_are_valid(const tool_config& config, surface_limits& limits);

// Binds the vertices of the freshly built mesh record; false after printing why.
using mesh_binder = std::function<bool(byte_region& mesh)>;

// Builds the mesh record, with the skeleton in mode 9, binds it (by `bind` when
// given, else by the job's own rule), makes the whole model's objects surfaces
// within `limits` and saves it as "test.mesh".
bool build_and_save_mesh(job_context& job, const byte_region* bones, const mqo_notes& notes,
                         const surface_limits& limits, const mesh_binder& bind = {});

// Writes the MDM of the mesh record and the bone buffer at the MDM path.
bool build_and_save_mdm(job_context& job);

// With SKINOUT (and WHOLEMODEL): the skin file of the surfaces just written.
bool save_skin_file_of_job(const job_context& job);

// Mode 9 with BINDMDX: the model bound to the skeleton of an existing MDX.
bool step_mqo_bind_to_mdx(job_context& job);

} // namespace ossify
