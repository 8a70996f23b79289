#include "plan/plan.h"

#include <vector>

#include "common/texts.h"
#include "entry/entry.h"
#include "plan/planning_platform.h"
#include "script/script_file.h"
#include "sections/entries.h"
#include "sections/protected_keys.h"
#include "system/files.h"
#include "system/system_info.h"

namespace qv {

namespace {

using Kind = PlanStep::Kind;

constexpr char kUninstallerName[] = "QvUninst.exe";
constexpr char kIndent[] = "       ";
// Deeper than any product folder; a loop of links ends here.
constexpr int kMaxFolderDepth = 64;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The text's lines, each after the indent; a box breaks lines at CR LF, CR or LF.
void AppendText(std::string& out, const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
      out += kIndent + line + "\n";
      line.clear();
      if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
}

const char* IconName(std::uint32_t flags) {
  switch (flags & 0xF0) {
    case win::kMbIconError:
      return "error";
    case win::kMbIconQuestion:
      return "question";
    case win::kMbIconWarning:
      return "warning";
    case win::kMbIconInformation:
      return "information";
  }
  return "no icon";
}

std::string BoxKind(std::uint32_t flags) {
  std::string kind = IconName(flags);
  kind += (flags & 0xF) == win::kMbYesNo ? ", Yes/No" : ", OK";
  if (flags & win::kMbTaskModal) kind += ", task-modal";
  return kind;
}

std::string Answer(int answer) { return answer == win::kIdYes ? "Yes" : answer == win::kIdNo ? "No" : "OK"; }

std::string StepLine(const PlanStep& step) {
  const std::string result = std::string(" [") + step.state + "]: " + (step.succeeds ? "done" : "fails");
  switch (step.kind) {
    case Kind::kBox:
      return "box " + Quoted(step.target) + ", flags " + HexNumber(step.number) + " (" + BoxKind(step.number) +
             "): answered " + Answer(step.answer);
    case Kind::kMutex:
      return "mutex " + Quoted(step.target) + ": " + step.state;
    case Kind::kSetAttributes:
      return (step.number == 0 ? std::string("clear attributes ") : "set attributes " + HexNumber(step.number) + " ") +
             Quoted(step.target) + result;
    case Kind::kDeleteFile:
      return "delete file " + Quoted(step.target) + result;
    case Kind::kMoveFile:
      return "rename " + Quoted(step.target) + " to " + Quoted(step.detail) + result;
    case Kind::kRemoveFolder:
      return "remove folder " + Quoted(step.target) + result;
    case Kind::kDeleteKey:
      return "delete key " + Quoted(step.target) + result;
    case Kind::kCreateKey:
      return "create key " + Quoted(step.target) + result;
    case Kind::kSetValue:
      return "set value " + Quoted(step.detail) + " = " + Quoted(step.data) +
             (step.number == win::kRegSz ? "" : " (type " + std::to_string(step.number) + ")") + " in " +
             Quoted(step.target) + result;
    case Kind::kNotifyShell:
      return "notify the shell (event " + HexNumber(step.number) + ", flags " +
             HexNumber(static_cast<std::uint32_t>(step.answer)) + ")";
  }
  return {};
}

// For each "[deletereg]" section, in the order the run takes them: its entries that name a
// protected key, which the run passes over without a word.
std::vector<std::vector<std::string>> ProtectedEntries(Platform& system, const ScriptFile& script,
                                                       const LeadByteTable& lead) {
  std::vector<std::vector<std::string>> sections;
  for (int header = 1; header < script.Count(); ++header) {
    if (!IsHeader(system, script.Line(header), headers::kDeleteReg)) continue;
    std::vector<std::string> notes;
    for (int i = header + 1; i < script.Count() && !IsTerminator(system, script.Line(i)); ++i) {
      const std::optional<CleanupTarget> target = CleanupTargetOf(system, system.CharUpperBuffA(script.Line(i)));
      if (target && IsProtectedKey(system, lead, target->root, target->path))
        notes.push_back("the entry " + Quoted(script.Line(i)) + " names the protected key " +
                        Quoted(RootShortName(target->root) + target->path) + ": passed over");
    }
    sections.push_back(std::move(notes));
  }
  return sections;
}

bool IsFinalReport(const std::string& text) {
  for (const char* report :
       {texts::kReportAllRemoved, texts::kReportFilesRemain, texts::kReportSettingsRemain, texts::kReportBothRemain})
    if (text == report) return true;
  return false;
}

// What stays below the folder, one line each, folders with their contents after them.
void AppendLeft(std::string& out, PlanningPlatform& planning, const std::vector<PlanStep>& steps,
                const std::string& folder, const std::string& relative, int depth) {
  for (const FoundFile& entry : planning.Files().Entries(folder + relative)) {
    const std::string name = relative + entry.name;
    if (entry.data.attributes & win::kFileAttributeDirectory) {
      out += kIndent + name + "\\\n";
      if (depth < kMaxFolderDepth) AppendLeft(out, planning, steps, folder, name + "\\", depth + 1);
      continue;
    }
    std::string why = "no entry deletes it";
    for (const PlanStep& step : steps)
      if (step.kind == Kind::kDeleteFile && !step.succeeds && planning.Files().SamePath(step.target, folder + name))
        why = "its deletion fails: " + step.state;
    out += kIndent + name + "  (" + why + ")\n";
  }
}

}  // namespace

int PlanCommand(Platform& system, const std::string& scriptArgument, std::string& out) {
  const LeadByteTable lead = ReadLeadBytes(system);
  const ScriptPaths paths = BuildScriptPaths(scriptArgument, lead);
  const std::optional<std::string> bytes =
      FileExists(system, paths.scriptPath) ? system.ReadWholeFile(paths.scriptPath) : std::nullopt;

  // The uninstaller's own command line for the argument: quoted, the argument arrives whole.
  const std::string argument = scriptArgument.find('"') == std::string::npos ? Quoted(scriptArgument) : scriptArgument;
  const std::string module = FolderPart(system.GetModuleFileNameA(), lead) + kUninstallerName;
  PlanningPlatform planning(system, Quoted(module) + " /u " + argument, module);
  const int entryCode = ProgramEntry(planning);
  const std::vector<PlanStep>& steps = planning.Steps();

  out += "Plan of the uninstall with the script " + Quoted(paths.scriptPath) + "\n";
  out += std::string("The run of ") + kUninstallerName + " /u " + argument +
         " would do this, in order. Nothing has been changed; each box is answered as a user who says Yes would.\n\n";

  const std::vector<std::vector<std::string>> protectedEntries =
      bytes ? ProtectedEntries(system, ScriptFile::FromBytes(*bytes), lead) : std::vector<std::vector<std::string>>{};
  std::size_t section = 0, lastBox = 0;
  bool begun = false;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const PlanStep& step = steps[i];
    const std::string number = std::to_string(i + 1);
    out += std::string(number.size() < 3 ? 3 - number.size() : 0, ' ') + number + ". " + StepLine(step) + "\n";
    if (step.kind != Kind::kBox) continue;
    lastBox = i + 1;
    AppendText(out, step.detail);
    if (begun && step.detail == texts::kAskDeleteSettings && section < protectedEntries.size())
      for (const std::string& note : protectedEntries[section++]) out += kIndent + note + "\n";
    begun = begun || step.detail == texts::kAskToBegin;
  }

  int code = kPlanStopsEarly;
  out += "\n";
  if (entryCode != 0) {
    code = kPlanEndsInFatal;
    out += "The run ends in the fatal error report (step " + std::to_string(lastBox) +
           "); its code address is this checker's, not the uninstaller's.\n";
  } else if (lastBox > 0 && IsFinalReport(steps[lastBox - 1].detail)) {
    code = kPlanEndsWithReport;
    out += "The run ends with its final report (step " + std::to_string(lastBox) + "):\n";
    AppendText(out, steps[lastBox - 1].detail);
  } else {
    out += "The run stops at step " + std::to_string(lastBox) + ".\n";
  }
  if (!bytes) code = kPlanUnreadable;

  if (!paths.baseFolder.empty()) {
    const std::string& folder = paths.baseFolder;
    std::string last = folder;
    while (last.size() > 1 && (last.back() == '\\' || last.back() == '/')) last.pop_back();
    const std::optional<FindData> found = planning.FindFirstFileA(last);
    if (!found || !(found->attributes & win::kFileAttributeDirectory)) {
      out += "The folder " + Quoted(folder) + " is gone afterwards.\n";
    } else {
      std::string left;
      AppendLeft(left, planning, steps, folder, "", 0);
      out += "The folder " + Quoted(folder) + (left.empty() ? " stays, empty.\n" : " stays, holding:\n") + left;
    }
  }

  static const char* const kMeanings[] = {"the run would end with its final report",
                                          "the run would stop early, before its passes",
                                          "the run would end in the fatal error report", "the script cannot be read"};
  out += "Exit code " + std::to_string(code) + ": " + kMeanings[code] + ".\n";
  return code;
}

}  // namespace qv
