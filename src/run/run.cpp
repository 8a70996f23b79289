#include "run/run.h"

#include <vector>

#include "script/section_index.h"
#include "sections/sections.h"

namespace qv {

namespace {

// The shell is told that things it may show are gone: event 0x80, flags 0x2000, no items.
constexpr long kShellNotifyEvent = 0x80;
constexpr std::uint32_t kShellNotifyFlags = 0x2000;

using SectionHandler = void (*)(RunContext&, const ScriptFile&, const Section&);

// The observer hears of each section as its pass starts.
void Starts(RunContext& run, const Section& section) {
  run.observer.SectionStarts(HeaderOf(section.kind), section.header);
}

// Calls handler for every section of the kind, in the order the headers stand.
void RunPass(RunContext& run, const ScriptFile& script, const std::vector<Section>& sections, SectionKind kind,
             SectionHandler handler) {
  for (const Section& section : sections)
    if (section.kind == kind) {
      Starts(run, section);
      handler(run, script, section);
    }
}

}  // namespace

void RunPasses(RunContext& run, const ScriptFile& script) {
  const std::vector<Section> sections = IndexSections(run.platform, script);
  run.product = Product(script, run.baseFolder);

  // A running program of the product stops the run before anything is asked or changed.
  for (const Section& section : sections)
    if (section.kind == SectionKind::kExecution) {
      Starts(run, section);
      if (CheckRunningApplications(run, script, section)) {
        run.state.programRunning = true;
        return;
      }
    }
  RunPass(run, script, sections, SectionKind::kWarning, ShowWarning);

  if (ShowRunBox(run, RunBox::kBegin, ProgramText(texts::kAskToBegin), MessageKind::kQuestion) != win::kIdYes) return;

  // All registry work comes before any file work, and removals before creations.
  RunPass(run, script, sections, SectionKind::kDeleteReg, DeleteRegistryEntries);
  RunPass(run, script, sections, SectionKind::kCreateReg, CreateRegistryEntries);

  // The file pass: renaming and deletion sections interleaved, in the order they stand.
  for (const Section& section : sections) {
    if (section.kind == SectionKind::kRenameFile) {
      Starts(run, section);
      RenameFiles(run, script, section);
    }
    if (section.kind == SectionKind::kDeleteFile) {
      Starts(run, section);
      DeleteFiles(run, script, section);
    }
  }
  run.state.completed = true;
}

void ShowFinalReport(RunContext& run) {
  const RunState& s = run.state;
  const char* text = s.folderRemoved ? (s.settingsDeleted ? texts::kReportAllRemoved : texts::kReportSettingsRemain)
                                     : (s.settingsDeleted ? texts::kReportFilesRemain : texts::kReportBothRemain);
  // What is left to the next start of Windows is told on a line of its own.
  const MixedText report =
      !s.RestartNeeded() ? ProgramText(text) : ProgramText(text) + ProgramText(texts::kReportRestartLine);
  ShowRunBox(run, RunBox::kFinalReport, report, MessageKind::kInformation);
  if (s.folderRemoved) run.platform.SHChangeNotify(kShellNotifyEvent, kShellNotifyFlags);
}

}  // namespace qv
