// The program's entry: its two modes, the script's paths, and the errors that end it.
#pragma once

#include <string>
#include <vector>

#include "common/errors.h"
#include "seam/platform.h"
#include "seam/wide_calls.h"
#include "sections/run_observer.h"
#include "text/text.h"

namespace qv {

struct ScriptPaths {
  std::string scriptPath;
  std::string baseFolder;
};

// The script argument from the parameters after the switch: one is taken unchanged, several are
// joined with one blank each (an unquoted path with blanks arrives in pieces).
std::string ScriptArgument(const std::vector<std::string>& parameters);

// A script argument without an extension gets "Uninst.inf" appended directly.
ScriptPaths BuildScriptPaths(const std::string& scriptArgument, const LeadByteTable& lead);

// The whole program; returns the exit code: 0 after a normal end, 1 after the fatal error report.
// A silent run ("/s") shows no box and returns the codes of entry/silent_run.h. An uninstall run
// tells the observer what it does. Where the system's code page is not 932 the program runs on
// the platform of its wide calls.
int ProgramEntry(Platform& platform, WideCalls& wide, RunObserver& observer = NoObserver());
// The same on a platform that is a system of code page 932, or made to look one (the plan's).
int ProgramEntry(Platform& platform, RunObserver& observer = NoObserver());

}  // namespace qv
