#include "check/report.h"

#include <algorithm>
#include <string_view>
#include <utility>

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

std::vector<ReportedFinding> GroupNotes(const std::vector<Finding>& findings) {
  std::vector<const Finding*> ordered;
  ordered.reserve(findings.size());
  for (const Finding& f : findings) ordered.push_back(&f);
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Finding* a, const Finding* b) { return a->line < b->line; });
  std::vector<ReportedFinding> reported;
  std::vector<std::pair<std::size_t, std::string>> notes;  // each note reported: where, and its text
  for (const Finding* f : ordered) {
    if (f->severity == Severity::kNote) {
      std::string text = f->message.Bytes();
      const auto same = std::find_if(notes.begin(), notes.end(), [&](const auto& note) {
        return std::string_view(reported[note.first].finding->code) == f->code && note.second == text;
      });
      if (same != notes.end()) {
        reported[same->first].lines.push_back(f->line);
        continue;
      }
      notes.emplace_back(reported.size(), std::move(text));
    }
    reported.push_back({f, {f->line}});
  }
  return reported;
}

// The texts in order: a finding's words and the program's parts of its message are joined into
// one text and appended once, a part from the system between them where the message has one.
MixedText FormatReport(const std::string& displayPath, const ScriptFile& script, const std::vector<Finding>& findings) {
  MixedText out;
  std::size_t counts[3] = {};
  for (const ReportedFinding& r : GroupNotes(findings)) {
    const Finding& f = *r.finding;
    counts[static_cast<int>(f.severity)] += r.lines.size();
    out.Append(TextOrigin::kSystem, displayPath);
    std::string text = f.line == kWholeFile ? std::string() : ":" + std::to_string(f.line + 1);
    ((text += ": ") += SeverityName(f.severity)) += ": ";
    for (const TextPart& part : f.message.parts()) {
      if (part.origin == TextOrigin::kProgram) {
        text += part.bytes;
        continue;
      }
      out.Append(TextOrigin::kProgram, std::move(text));
      text.clear();
      out.Append(part.origin, part.bytes);
    }
    if (r.lines.size() > 1) {
      text += " (" + std::to_string(r.lines.size()) + " lines: ";
      for (std::size_t i = 0; i < r.lines.size() && i < kLinesListed; ++i)
        (text += (i ? ", " : "")) += std::to_string(r.lines[i] + 1);
      text += r.lines.size() > kLinesListed ? ", ...)" : ")";
    }
    if (*f.code) ((text += " [") += f.code) += "]";
    text += "\n";
    if (f.line >= 0 && f.line < script.Count()) ((text += "    ") += script.Line(f.line)) += "\n";
    out.Append(TextOrigin::kProgram, std::move(text));
  }
  out.Append(TextOrigin::kSystem, displayPath);
  out.Append(TextOrigin::kProgram,
             ": " + Counted(counts[static_cast<int>(Severity::kError)], "error", "errors") + ", " +
                 Counted(counts[static_cast<int>(Severity::kWarning)], "warning", "warnings") + ", " +
                 Counted(counts[static_cast<int>(Severity::kNote)], "note", "notes") + "\n");
  return out;
}

}  // namespace qv
