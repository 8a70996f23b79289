// The checker and the run cannot disagree: a script goes through the checker and through a whole
// uninstall on a clean system where every question is answered Yes and no product program runs.
// The run shows the wrong-script box exactly when the checker finds no signature, and otherwise
// ends with the fatal error report exactly when the checker reports an error. Each entry that the
// run passes over as refused or as naming no file (a blank line aside, which is harmless) has a
// warning of the checker at its line.
#pragma once

#include <string>
#include <vector>

#include "check/check_script.h"
#include "check/line_text.h"
#include "common/texts.h"
#include "entry/entry.h"
#include "fake_platform.h"
#include "script/script_paths.h"

namespace qv::test {

struct Agreement {
  bool agrees = true;
  std::string why;  // what disagreed
};

// The entries a run passes over whatever the system holds, by line.
class PassedOverEntries final : public RunObserver {
 public:
  std::vector<std::pair<int, std::string>> entries;  // line index, line

  void EntryPassedOver(const PassedOver& entry) override {
    // A prefix's folder that the system cannot tell, and a mutex named again, are no mistakes of
    // the line itself.
    if (entry.why != PassedOver::Why::kNoFolder && entry.why != PassedOver::Why::kOwnMutex && !IsBlank(entry.line))
      entries.emplace_back(entry.lineIndex, entry.line);
  }
};

inline bool WarnedAt(const std::vector<Finding>& findings, int line) {
  for (const Finding& f : findings)
    if (f.line == line && f.severity == Severity::kWarning) return true;
  return false;
}

// The paths of the script that the checker checks and the run removes.
inline const ScriptPaths kAgreementPaths{"C:\\App\\Uninst.inf", "C:\\App\\"};

// The checker's findings on the script (on a clean system, for kAgreementPaths) against a run.
inline Agreement CheckAgainstRun(const std::string& scriptBytes, const std::vector<Finding>& findings) {
  const ScriptPaths& paths = kAgreementPaths;
  // A clean system, made once and made clean again when the call ends, so that no call leaves
  // more allocated than it found.
  static const FakePlatform clean;
  static FakePlatform system;
  struct CleanAtEnd {
    ~CleanAtEnd() { system = clean; }
  } cleanAtEnd;
  bool noSignature = false, otherError = false;
  for (const Finding& f : findings)
    if (f.severity == Severity::kError) (f.line == 0 ? noSignature : otherError) = true;

  system.AddFile(paths.scriptPath, scriptBytes);
  system.commandLine = "QvUninst.exe /u " + paths.baseFolder;
  PassedOverEntries passedOver;
  const int exitCode = ProgramEntry(system, system, passedOver);
  const bool wrongScript = system.boxes.size() == 1 && system.boxes[0].text == texts::kWrongScript;
  const bool fatal = exitCode == 1;

  if (noSignature != wrongScript)
    return {false, noSignature ? "the checker finds no signature, the run accepts the script"
                               : "the run refuses the signature, the checker accepts it"};
  if (!noSignature && otherError != fatal)
    return {false, otherError ? "the checker reports an error, the run ends normally"
                              : "the run ends with the fatal error report (" + system.boxes.back().text +
                                    "), the checker reports no error"};
  for (const auto& [line, text] : passedOver.entries)
    if (!WarnedAt(findings, line))
      return {false, "the run passes over line " + std::to_string(line + 1) + " (" + text +
                         "), the checker warns of nothing there"};
  return {};
}

inline Agreement CheckAgainstRun(const std::string& scriptBytes) {
  FakePlatform checking;
  const ScriptFile script = ScriptFile::FromBytes(scriptBytes);
  return CheckAgainstRun(scriptBytes, CheckScript(checking, ShiftJisLeadBytes(), script, kAgreementPaths));
}

}  // namespace qv::test
