// The script checker as a command: reads the script, checks it, reports.
#pragma once

#include <string>

#include "common/mixed_text.h"
#include "script/script_paths.h"
#include "seam/platform.h"

namespace qv {

// Checks the script at paths.scriptPath (its folder in paths.baseFolder) and appends the report
// to out: the script's text and the checker's words in code page 932, the path as the system gave
// it. Returns the checker's exit code.
int CheckCommand(Platform& platform, const ScriptPaths& paths, MixedText& out);
// The same, the report appended as its bytes, for QvCheck.exe: it reads them all as code page 932.
inline int CheckCommand(Platform& platform, const ScriptPaths& paths, std::string& out) {
  MixedText report;
  const int code = CheckCommand(platform, paths, report);
  out += report.Bytes();
  return code;
}

}  // namespace qv
