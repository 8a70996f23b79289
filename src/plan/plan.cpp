#include "plan/plan.h"

#include <map>
#include <optional>
#include <vector>

#include "entry/entry.h"
#include "plan/planning_platform.h"
#include "script/script_paths.h"
#include "sections/run_observer.h"
#include "system/files.h"
#include "system/system_info.h"

namespace qv {

namespace {

using Kind = RunStep::Kind;

constexpr char kUninstallerName[] = "QvUninst.exe";
constexpr char kIndent[] = "       ";
// Deeper than any product folder; a loop of links ends here.
constexpr int kMaxFolderDepth = 64;

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

// What the plan hears from the run: the notes that a box gets below its text, and which box is
// the final report. Boxes are known by their step numbers.
class PlanListener final : public RunObserver {
 public:
  explicit PlanListener(PlanningPlatform& planning) : planning_(planning) {}

  void BoxAnswered(RunBox box, int) override {
    lastBox_ = planning_.Steps().size();
    if (box == RunBox::kDeleteSettings) question_ = planning_.Steps().size();
    if (box == RunBox::kFinalReport) finalReport = planning_.Steps().size();
  }
  // A refused entry is passed over without a word: the plan says what it names and why below the
  // section's question (a key's or a value's), or below the last box before it (a file's, a folder's).
  void EntryPassedOver(const PassedOver& entry) override {
    if (!entry.refusal) return;
    const Family family = entry.refusal->family;
    const std::size_t box = family == Family::kKey || family == Family::kValue ? question_ : lastBox_;
    notes[box].push_back(RefusalNote(entry.line, *entry.refusal));
  }
  void PathShrinks(const PathRemoval& removal) override { planning_.ExpectPathRemoval(removal); }

  std::map<std::size_t, std::vector<std::string>> notes;  // by the box's step number
  std::size_t finalReport = 0;                            // its step number; 0 when there is none

 private:
  PlanningPlatform& planning_;
  std::size_t question_ = 0;
  std::size_t lastBox_ = 0;
};

// The deletions that fail, by the canonical path they name: the last one's state for each.
using FailedDeletions = std::map<std::string, std::string>;

// What stays below the folder, one line each, folders with their contents after them.
void AppendLeft(std::string& out, PlannedFiles& files, const FailedDeletions& failed, const std::string& folder,
                const std::string& relative, int depth) {
  for (const FoundFile& entry : files.Entries(folder + relative)) {
    const std::string name = relative + entry.name;
    if (entry.data.attributes & win::kFileAttributeDirectory) {
      out += kIndent + name + "\\\n";
      if (depth < kMaxFolderDepth) AppendLeft(out, files, failed, folder, name + "\\", depth + 1);
      continue;
    }
    std::string why = "no entry deletes it";
    const auto deletion = failed.find(files.Canonical(folder + name));
    if (deletion != failed.end()) why = "its deletion fails: " + deletion->second;
    if (files.IsLeftToRestart(folder + name)) why = "left to the next start of Windows";
    out += kIndent + name + "  (" + why + ")\n";
  }
}

// Every step, numbered, a box with its text and notes below it. Returns the last box's number.
std::size_t AppendSteps(std::string& out, const std::vector<RunStep>& steps, const PlanListener& listener) {
  std::size_t lastBox = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    out += std::string(number.size() < 3 ? 3 - number.size() : 0, ' ') + number + ". " + StepLine(steps[i]) + "\n";
    if (steps[i].kind != Kind::kBox) continue;
    lastBox = i + 1;
    AppendText(out, steps[i].detail);
    const auto notes = listener.notes.find(lastBox);
    if (notes != listener.notes.end())
      for (const std::string& note : notes->second) out += kIndent + note + "\n";
  }
  return lastBox;
}

// How the run ends.
PlanEnding AppendEnd(std::string& out, int entryCode, std::size_t lastBox, const PlanListener& listener,
                     const std::vector<RunStep>& steps) {
  out += "\n";
  if (entryCode != 0) {
    out += "The run ends in the fatal error report (step " + std::to_string(lastBox) +
           "); its code address is this checker's, not the uninstaller's.\n";
    return kPlanEndsInFatal;
  }
  if (listener.finalReport > 0) {
    out += "The run ends with its final report (step " + std::to_string(listener.finalReport) + "):\n";
    AppendText(out, steps[listener.finalReport - 1].detail);
    return kPlanEndsWithReport;
  }
  out += "The run stops at step " + std::to_string(lastBox) + ".\n";
  return kPlanStopsEarly;
}

// Whether the product's folder is there afterwards, and what stays in it.
void AppendFolder(std::string& out, PlanningPlatform& planning, const std::string& folder) {
  std::string last = folder;
  while (last.size() > 1 && (last.back() == '\\' || last.back() == '/')) last.pop_back();
  const std::optional<FindData> found = planning.FindFirstFileA(last);
  if (!found || !(found->attributes & win::kFileAttributeDirectory)) {
    out += "The folder " + Quoted(folder) + " is gone afterwards.\n";
    return;
  }
  FailedDeletions failed;
  for (const RunStep& step : planning.Steps())
    if (step.kind == Kind::kDeleteFile && !step.succeeds) failed[planning.Files().Canonical(step.target)] = step.state;
  std::string left;
  AppendLeft(left, planning.Files(), failed, folder, "", 0);
  out += "The folder " + Quoted(folder) + (left.empty() ? " stays, empty.\n" : " stays, holding:\n") + left;
}

// Writes the plan; with a tap, the run makes its calls through it.
int MakePlan(Platform& system, const std::string& scriptArgument, std::string& out, PlanTap* tap) {
  const LeadByteTable lead = ReadLeadBytes(system);
  const ScriptPaths paths = BuildScriptPaths(scriptArgument, lead);
  const bool readable = FileExists(system, paths.scriptPath) && system.ReadWholeFile(paths.scriptPath);

  // The uninstaller's own command line for the argument: quoted, the argument arrives whole.
  const std::string argument = scriptArgument.find('"') == std::string::npos ? Quoted(scriptArgument) : scriptArgument;
  const std::string module = FolderPart(system.GetModuleFileNameA(), lead) + kUninstallerName;
  PlanningPlatform planning(system, Quoted(module) + " /u " + argument, module);
  PlanListener listener(planning);
  const int entryCode = ProgramEntry(tap ? tap->Around(planning) : planning, listener);

  out += "Plan of the uninstall with the script " + Quoted(paths.scriptPath) + "\n";
  out += std::string("The run of ") + kUninstallerName + " /u " + argument +
         " would do this, in order. Nothing has been changed; each box is answered as a user who says Yes would.\n\n";
  const std::size_t lastBox = AppendSteps(out, planning.Steps(), listener);
  PlanEnding ending = AppendEnd(out, entryCode, lastBox, listener, planning.Steps());
  if (!readable) ending = kPlanUnreadable;
  if (!paths.baseFolder.empty()) AppendFolder(out, planning, paths.baseFolder);
  out += "Exit code " + std::to_string(ending.code) + ": " + ending.meaning + ".\n";
  if (tap) tap->Finished(planning);
  return ending;
}

}  // namespace

int PlanCommand(Platform& system, const std::string& scriptArgument, std::string& out) {
  return MakePlan(system, scriptArgument, out, nullptr);
}

int PlanCommand(Platform& system, const std::string& scriptArgument, std::string& out, PlanTap& tap) {
  return MakePlan(system, scriptArgument, out, &tap);
}

}  // namespace qv
