#pragma once

namespace ossify {

// The whole run: banner, configuration, job. Returns the process exit status:
// 1 after a completed job, 0 after any error.
int run_tool(int argc, char** argv);

} // namespace ossify
