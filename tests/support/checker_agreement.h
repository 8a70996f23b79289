// The checker and the run cannot disagree: a script goes through the checker and through a whole
// uninstall on a clean system where every question is answered Yes and no product program runs.
// The run shows the wrong-script box exactly when the checker finds no signature, and otherwise
// ends with the fatal error report exactly when the checker reports an error.
#pragma once

#include <string>
#include <vector>

#include "check/check_script.h"
#include "common/texts.h"
#include "entry/entry.h"
#include "fake_platform.h"

namespace qv::test {

struct Agreement {
  bool agrees = true;
  std::string why;  // what disagreed
};

inline Agreement CheckAgainstRun(const std::string& scriptBytes) {
  const ScriptPaths paths{"C:\\App\\Uninst.inf", "C:\\App\\"};
  FakePlatform checking;
  const ScriptFile script = ScriptFile::FromBytes(scriptBytes);
  const std::vector<Finding> findings = CheckScript(checking, ShiftJisLeadBytes(), script, paths);
  bool noSignature = false, otherError = false;
  for (const Finding& f : findings)
    if (f.severity == Severity::kError) (f.line == 0 ? noSignature : otherError) = true;

  FakePlatform system;
  system.AddFile(paths.scriptPath, scriptBytes);
  system.commandLine = "QvUninst.exe /u " + paths.baseFolder;
  const int exitCode = ProgramEntry(system);
  const bool wrongScript = system.boxes.size() == 1 && system.boxes[0].text == texts::kWrongScript;
  const bool fatal = exitCode == 1;

  if (noSignature != wrongScript)
    return {false, noSignature ? "the checker finds no signature, the run accepts the script"
                               : "the run refuses the signature, the checker accepts it"};
  if (!noSignature && otherError != fatal)
    return {false, otherError ? "the checker reports an error, the run ends normally"
                              : "the run ends with the fatal error report (" + system.boxes.back().text +
                                    "), the checker reports no error"};
  return {};
}

}  // namespace qv::test
