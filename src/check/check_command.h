// The script checker as a command: reads the script, checks it, reports.
#pragma once

#include <string>

#include "entry/entry.h"
#include "seam/platform.h"

namespace qv {

// Checks the script at paths.scriptPath (its folder in paths.baseFolder) and appends the report
// to out, in the ANSI code page as the script's own text. Returns the checker's exit code.
int CheckCommand(Platform& platform, const ScriptPaths& paths, std::string& out);

}  // namespace qv
