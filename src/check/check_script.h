// The script checker: what a product maker should know about a script before shipping it,
// judged with the run's own reading of the script.
#pragma once

#include <vector>

#include "check/report.h"
#include "script/script_file.h"
#include "script/script_paths.h"
#include "seam/platform.h"
#include "text/text.h"

namespace qv {

std::vector<Finding> CheckScript(Platform& platform, const LeadByteTable& lead, const ScriptFile& script,
                                 const ScriptPaths& paths);

}  // namespace qv
