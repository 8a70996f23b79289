#include "check/report.h"

#include <algorithm>
#include <string_view>

#include "text/text.h"

namespace qv {

namespace {

// A note said alike on many lines lists at most this many of them.
constexpr std::size_t kLinesListed = 10;

}  // namespace

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

int CheckExitCode(const std::vector<Finding>& findings) {
  int code = kCheckClean;
  for (const Finding& f : findings) {
    if (f.severity == Severity::kError) return kCheckErrors;
    if (f.severity == Severity::kWarning) code = kCheckWarnings;
  }
  return code;
}

std::vector<ReportedFinding> GroupNotes(std::vector<Finding> findings) {
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  std::vector<ReportedFinding> reported;
  for (const Finding& f : findings) {
    auto same = std::find_if(reported.begin(), reported.end(), [&](const ReportedFinding& r) {
      return f.severity == Severity::kNote && r.finding.severity == Severity::kNote &&
             std::string_view(r.finding.code) == f.code && r.finding.message.Bytes() == f.message.Bytes();
    });
    if (same == reported.end())
      reported.push_back({f, {f.line}});
    else
      same->lines.push_back(f.line);
  }
  return reported;
}

MixedText FormatReport(const std::string& displayPath, const ScriptFile& script, std::vector<Finding> findings) {
  const MixedText path = SystemText(displayPath);
  MixedText out;
  std::size_t counts[3] = {};
  for (const ReportedFinding& r : GroupNotes(std::move(findings))) {
    const Finding& f = r.finding;
    counts[static_cast<int>(f.severity)] += r.lines.size();
    out += path + ProgramText(f.line == kWholeFile ? "" : ":" + std::to_string(f.line + 1));
    out += ProgramText(std::string(": ") + SeverityName(f.severity) + ": ") + f.message;
    if (r.lines.size() > 1) {
      std::string lines = " (" + std::to_string(r.lines.size()) + " lines: ";
      for (std::size_t i = 0; i < r.lines.size() && i < kLinesListed; ++i)
        lines += (i ? ", " : "") + std::to_string(r.lines[i] + 1);
      out += ProgramText(lines + (r.lines.size() > kLinesListed ? ", ...)" : ")"));
    }
    out += ProgramText(*f.code ? std::string(" [") + f.code + "]\n" : "\n");
    if (f.line >= 0 && f.line < script.Count()) out += ProgramText("    " + script.Line(f.line) + "\n");
  }
  out += path + ProgramText(": " + Counted(counts[static_cast<int>(Severity::kError)], "error", "errors") + ", " +
                            Counted(counts[static_cast<int>(Severity::kWarning)], "warning", "warnings") + ", " +
                            Counted(counts[static_cast<int>(Severity::kNote)], "note", "notes") + "\n");
  return out;
}

}  // namespace qv
