// The links the MQO jobs share (steps_mqo.cpp): mode 9 with BINDMDX
// (steps_bind.cpp) runs them too.
#pragma once

#include "driver/job_steps.hpp"
#include "mqo/load_mqo.hpp"

namespace ossify {

// Reads the configured MQO model and saves its parsed record as "test.mqoobj".
bool load_and_save_mqo(job_context& job, mqo_notes& notes);

// BLENDWEIGHTS is read without a sign: -1 stands for a negative or unreadable text.
bool blend_weights_are_valid(const tool_config& config);

// The plain conversion tells what it left out once the job is done.
bool report_after(const job_context& job, const mqo_notes& notes, bool done);

// Mode 9 with BINDMDX: the model bound to the skeleton of an existing MDX.
bool step_mqo_bind_to_mdx(job_context& job);

} // namespace ossify
