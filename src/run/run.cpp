#include "run/run.h"

#include "sections/sections.h"

namespace qv {

namespace {

// The shell is told that things it may show are gone: event 0x80, flags 0x2000, no items.
constexpr long kShellNotifyEvent = 0x80;
constexpr std::uint32_t kShellNotifyFlags = 0x2000;

using SectionHandler = void (*)(RunContext&, const ScriptFile&, int headerIndex);

// Whether line i is a header of the given name; the observer hears of each section that starts.
bool Starts(RunContext& run, const ScriptFile& script, int i, const char* header) {
  if (!IsHeader(run.platform, script.Line(i), header)) return false;
  run.observer.SectionStarts(header, i);
  return true;
}

// Calls handler for every line from 1 on that is a header of the given name. Header lines are
// looked for everywhere, also inside another section's body.
void RunPass(RunContext& run, const ScriptFile& script, const char* header, SectionHandler handler) {
  for (int i = 1; i < script.Count(); ++i)
    if (Starts(run, script, i, header)) handler(run, script, i);
}

}  // namespace

void RunPasses(RunContext& run) {
  // The whole run works on this one copy: a section that deletes the script file cannot make a
  // later section fail to read it.
  const ScriptFile script = ScriptFile::Load(run.platform, run.scriptPath);

  // A running program of the product stops the run before anything is asked or changed.
  for (int i = 1; i < script.Count(); ++i)
    if (Starts(run, script, i, headers::kExecution) && CheckRunningApplications(run, script, i)) return;
  RunPass(run, script, headers::kWarning, ShowWarning);

  if (ShowRunBox(run, RunBox::kBegin, ProgramText(texts::kAskToBegin), MessageKind::kQuestion) != win::kIdYes) return;

  // All registry work comes before any file work, and removals before creations.
  RunPass(run, script, headers::kDeleteReg, DeleteRegistryEntries);
  RunPass(run, script, headers::kCreateReg, CreateRegistryEntries);

  // The file pass: renaming and deletion sections interleaved, in the order they stand.
  for (int i = 1; i < script.Count(); ++i) {
    if (Starts(run, script, i, headers::kRenameFile)) RenameFiles(run, script, i);
    if (Starts(run, script, i, headers::kDeleteFile)) DeleteFiles(run, script, i);
  }
  run.state.completed = true;
}

void ShowFinalReport(RunContext& run) {
  const RunState& s = run.state;
  const char* text = s.folderRemoved ? (s.settingsDeleted ? texts::kReportAllRemoved : texts::kReportSettingsRemain)
                                     : (s.settingsDeleted ? texts::kReportFilesRemain : texts::kReportBothRemain);
  ShowRunBox(run, RunBox::kFinalReport, ProgramText(text), MessageKind::kInformation);
  if (s.folderRemoved) run.platform.SHChangeNotify(kShellNotifyEvent, kShellNotifyFlags);
}

}  // namespace qv
