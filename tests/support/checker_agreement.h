// The checker and the run cannot disagree: a script goes through the checker and through a whole
// uninstall on a clean system where every question is answered Yes and no product program runs.
// The run shows the wrong-script box exactly when the checker finds no signature, and otherwise
// ends with the fatal error report exactly when the checker reports an error. Each entry that the
// run passes over as refused or as naming no file (a blank line aside, which is harmless) has a
// warning of the checker at its line. When the run does something that the same script with its
// sections ended before the next one's header does not, the checker reports a line read into a
// section that has no end; there.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "check/check_script.h"
#include "check/line_text.h"
#include "common/texts.h"
#include "entry/entry.h"
#include "fake_system.h"
#include "plan_agreement.h"
#include "script/script_paths.h"
#include "script/section_index.h"

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

// The script as its maker meant it: end; before each header that stands inside another section's
// body. Nothing when there is no such header.
inline std::optional<std::string> Mended(const ScriptFile& script) {
  static FakePlatform platform;  // only read
  std::vector<bool> endBefore(static_cast<std::size_t>(script.Count()));
  bool mended = false;
  for (const Section& s : IndexSections(platform, script))
    for (int i = s.header + 1; i < script.Count() && i != s.terminator; ++i)
      if (HeaderKind(platform, script.Line(i))) {
        endBefore[static_cast<std::size_t>(i)] = mended = true;
        break;
      }
  if (!mended) return std::nullopt;
  std::string bytes;
  for (int i = 0; i < script.Count(); ++i)
    ((bytes += endBefore[static_cast<std::size_t>(i)] ? "end;\r\n" : "") += script.Line(i)) += "\r\n";
  return bytes;
}

// What a run tries to show or change, each call of its log without its result.
inline std::set<std::string> Attempts(const std::vector<std::string>& calls) {
  // The fatal error report names the line count, which the ends put in change.
  const std::string fatal = std::string("MessageBoxA ") + texts::kFatalCaption;
  std::set<std::string> attempts;
  for (const std::string& call : calls)
    if (call.rfind(fatal, 0) != 0) attempts.insert(call.substr(0, call.rfind(" -> ")));
  return attempts;
}

// A clean system, made once and made clean again when the run on it ends, so that no run leaves
// more allocated than it found; it holds the script at its path, named on the command line.
class CleanRun {
 public:
  CleanRun(FakePlatform& system, const std::string& scriptBytes, const ScriptPaths& paths) : system(system) {
    system.AddFile(paths.scriptPath, scriptBytes);
    system.commandLine = "QvUninst.exe /u " + paths.baseFolder;
  }
  CleanRun(const CleanRun&) = delete;
  CleanRun& operator=(const CleanRun&) = delete;
  ~CleanRun() { system = Clean(); }

  static const FakePlatform& Clean() {
    static const FakePlatform clean;
    return clean;
  }

  FakePlatform& system;
};

// What a whole run on a clean system tries to show or change, each call without its result.
inline std::set<std::string> Attempts(const std::string& scriptBytes, const ScriptPaths& paths) {
  static FakePlatform system;
  const CleanRun run(system, scriptBytes, paths);
  CallLog log(system);
  ProgramEntry(log);
  return Attempts(log.calls);
}

// The paths of the script that the checker checks and the run removes.
inline const ScriptPaths kAgreementPaths{"C:\\App\\Uninst.inf", "C:\\App\\"};

// The checker's findings on the script (on a clean system, for kAgreementPaths) against a run.
// script: the lines of scriptBytes.
inline Agreement CheckAgainstRun(const std::string& scriptBytes, const ScriptFile& script,
                                 const std::vector<Finding>& findings) {
  const ScriptPaths& paths = kAgreementPaths;
  bool noSignature = false, otherError = false, readIntoOpenSection = false;
  for (const Finding& f : findings)
    if (std::string_view(f.code) == RuleOf(Rule::kReadIntoOpenSection).code)
      readIntoOpenSection = true;
    else if (f.severity == Severity::kError)
      (f.line == 0 ? noSignature : otherError) = true;
  // The run of the script as its maker meant it is compared with this one's calls, which are
  // logged for it; there is none when the checker already says a line is read into an open section.
  const std::optional<std::string> mended = readIntoOpenSection ? std::nullopt : Mended(script);

  static FakePlatform system;
  const CleanRun run(system, scriptBytes, paths);
  CallLog log(system);
  PassedOverEntries passedOver;
  const int exitCode = mended ? ProgramEntry(log, system, passedOver) : ProgramEntry(system, system, passedOver);
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
  if (!mended) return {};
  const std::set<std::string> meant = Attempts(*mended, paths);
  for (const std::string& attempt : Attempts(log.calls))
    if (!meant.count(attempt))
      return {false, "the run does " + attempt + " only because a section has no end;, the checker says nothing"};
  return {};
}

inline Agreement CheckAgainstRun(const std::string& scriptBytes) {
  FakePlatform checking;
  const ScriptFile script = ScriptFile::FromBytes(scriptBytes);
  return CheckAgainstRun(scriptBytes, script, CheckScript(checking, ShiftJisLeadBytes(), script, kAgreementPaths));
}

}  // namespace qv::test
