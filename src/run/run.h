// The uninstall run: the passes over the script in their fixed order, and the final report.
#pragma once

#include "script/script_file.h"
#include "sections/run_context.h"

namespace qv {

// Loads the script and makes the passes; sets run.state.completed when all passes are done.
void RunPasses(RunContext& run);

// One box summing the run up from its two results; notifies the shell when the folder is gone.
void ShowFinalReport(RunContext& run);

}  // namespace qv
