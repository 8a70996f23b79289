// The uninstall run: the passes over the script in their fixed order, and the final report.
#pragma once

#include "script/script_file.h"
#include "sections/run_context.h"

namespace qv {

// Makes the passes over the script as read once, for its signature; sets run.state.completed when
// all passes are done. The whole run works on this one copy: a section that deletes or changes the
// script file cannot change what a later section reads.
void RunPasses(RunContext& run, const ScriptFile& script);

// One box summing the run up from its two results; notifies the shell when the folder is gone.
void ShowFinalReport(RunContext& run);

}  // namespace qv
