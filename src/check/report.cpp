#include "check/report.h"

#include <algorithm>

#include "text/text.h"

namespace qv {

namespace {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kNote:
      break;
  }
  return "note";
}

}  // namespace

int CheckExitCode(const std::vector<Finding>& findings) {
  int code = kCheckClean;
  for (const Finding& f : findings) {
    if (f.severity == Severity::kError) return kCheckErrors;
    if (f.severity == Severity::kWarning) code = kCheckWarnings;
  }
  return code;
}

MixedText FormatReport(const std::string& displayPath, const ScriptFile& script, std::vector<Finding> findings) {
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  const MixedText path = SystemText(displayPath);
  MixedText out;
  std::size_t counts[3] = {};
  for (const Finding& f : findings) {
    ++counts[static_cast<int>(f.severity)];
    out += path + ProgramText(f.line == kWholeFile ? "" : ":" + std::to_string(f.line + 1));
    out += ProgramText(std::string(": ") + SeverityName(f.severity) + ": ") + f.message + ProgramText("\n");
    if (f.line >= 0 && f.line < script.Count()) out += ProgramText("    " + script.Line(f.line) + "\n");
  }
  out += path + ProgramText(": " + Counted(counts[static_cast<int>(Severity::kError)], "error", "errors") + ", " +
                            Counted(counts[static_cast<int>(Severity::kWarning)], "warning", "warnings") + ", " +
                            Counted(counts[static_cast<int>(Severity::kNote)], "note", "notes") + "\n");
  return out;
}

}  // namespace qv
