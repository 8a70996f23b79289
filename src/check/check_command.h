// The script checker as a command: reads the scripts, checks them, reports.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check/report.h"
#include "common/mixed_text.h"
#include "script/script_file.h"
#include "script/script_paths.h"
#include "seam/platform.h"

namespace qv {

// One script as the checker read it.
struct ScriptCheck {
  std::string path;                  // as the system gave it
  std::optional<ScriptFile> script;  // nothing when it cannot be read
  MixedText unreadable;              // the report's line saying why, when it cannot be read
  std::vector<Finding> findings;     // those of codes not ignored

  int ExitCode() const;
};

// Checks the script at paths.scriptPath (its folder in paths.baseFolder), leaving out the findings
// whose codes are ignored. separator: the one that ends a folder's name on this system, for the
// hint when there is no such file.
ScriptCheck CheckScriptAt(Platform& platform, const ScriptPaths& paths, const std::set<std::string>& ignoredCodes = {},
                          char separator = '\\');

// The report of one script: the script's text and the checker's words in code page 932, the path
// as the system gave it.
MixedText TextReport(const ScriptCheck& check);

// The exit code of several scripts: the worst of theirs, the highest number (3 above 2 above 1).
int WorstExitCode(const std::vector<ScriptCheck>& checks);

// Checks the script and appends its report to out. Returns the checker's exit code.
int CheckCommand(Platform& platform, const ScriptPaths& paths, MixedText& out);

}  // namespace qv
