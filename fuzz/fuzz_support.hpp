// Shared set-up of the fuzz targets.
#pragma once

namespace ossify_fuzz {

// The tool traces every record it builds on standard output; a fuzzer run
// discards it so that the trace does not dominate the time of an execution.
void silence_stdout();

} // namespace ossify_fuzz
