// What the script checker finds and how it reports it: one finding per line in the form editors
// and build logs understand ("Uninst.inf:12: warning: ..."), the line quoted below it, a summary.
#pragma once

#include <string>
#include <vector>

#include "check/rules.h"
#include "common/mixed_text.h"
#include "script/script_file.h"

namespace qv {

struct Finding {
  int line;  // index in the script, from 0; kWholeFile for the file as a whole
  Severity severity;
  MixedText message;  // the checker's words and the script's text; a name from the script's path as the system gave it
  const char* code = "";  // the rule's stable code (check/rules.h)
};
inline constexpr int kWholeFile = -1;

// The checker's exit codes.
inline constexpr int kCheckClean = 0;       // no error and no warning (notes may be there)
inline constexpr int kCheckWarnings = 1;    // warnings, no error
inline constexpr int kCheckErrors = 2;      // at least one error
inline constexpr int kCheckUnreadable = 3;  // the script cannot be read

int CheckExitCode(const std::vector<Finding>& findings);

// "error", "warning", "note".
const char* SeverityName(Severity severity);

// A finding as the report shows it: a note said alike on several lines is shown once, at its
// first line, with all of them.
struct ReportedFinding {
  const Finding* finding;  // the first of them, one of the findings grouped
  std::vector<int> lines;
};
// The findings in line order (those about the whole file first), notes alike grouped.
std::vector<ReportedFinding> GroupNotes(const std::vector<Finding>& findings);

// The findings in line order (those about the whole file first), each with its code and the line
// it is about quoted, then the summary; a note said alike on several lines once, with the count
// and the lines. Line numbers count from 1. Script text stays as it is; the path is shown as the
// system gave it. The summary counts every line's finding.
MixedText FormatReport(const std::string& displayPath, const ScriptFile& script, const std::vector<Finding>& findings);

}  // namespace qv
