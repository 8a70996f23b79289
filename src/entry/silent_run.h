// The silent mode's own parts: its exit codes, what its log says at the start and at the end of
// a run, and the watcher that writes down the entries the run passes over.
#pragma once

#include <string>

#include "sections/run_context.h"
#include "sections/run_observer.h"
#include "steps/run_log.h"

namespace qv {

// Exit codes of a silent run, the ones deployment tools read.
namespace exit_code {
constexpr int kDone = 0;
constexpr int kFatal = 1;
constexpr int kProgramRunning = 2;  // nothing was changed; try again later
constexpr int kScriptNotFound = 3;
constexpr int kWrongScript = 4;
constexpr int kRestartNeeded = 3010;  // done, and files were left to the next start of Windows
}  // namespace exit_code

// How the start of an uninstall went: the run was made, or its script was missing or foreign.
enum class Start { kRan, kScriptNotFound, kWrongScript };

// The exit code of a silent run that started so and holds these results.
int SilentExitCode(Start start, const RunState& state);

// The log's first line: the local date and time, and the command line.
void BeginRunLog(Platform& platform, RunLog& log, const std::string& commandLine);
// The log's last line (the outcome in words and the exit code), then the log appended to its
// file. A log that cannot be written changes nothing.
void EndRunLog(Platform& platform, const SystemInfo& system, RunLog& log, int exitCode);

// Tells the log of the protected keys the run passes over, and the other observer everything.
class SilentWatcher final : public RunObserver {
 public:
  SilentWatcher(RunLog& log, RunObserver& next) : log_(log), next_(next) {}
  void SectionStarts(const char* header, int headerIndex) override { next_.SectionStarts(header, headerIndex); }
  void BoxAnswered(RunBox box, int answer) override { next_.BoxAnswered(box, answer); }
  void EntryPassedOver(const PassedOver& entry) override;

 private:
  RunLog& log_;
  RunObserver& next_;
};

}  // namespace qv
