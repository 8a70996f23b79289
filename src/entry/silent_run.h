// The silent mode: its exit codes, and the run it makes. A silent run reaches the run as any run
// does, through the platform and the observer it is given: the platform writes each change and
// each box to the log instead of showing it, and the watcher writes down the keys the run passes
// over. The run itself knows nothing of the silent mode.
#pragma once

#include <string>

#include "platforms/recording_platform.h"
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

// Tells the log of the protected keys the run passes over, and the other observer everything.
class SilentWatcher final : public RunObserver {
 public:
  SilentWatcher(RunLog& log, RecordingPlatform& recording, RunObserver& next)
      : log_(log), recording_(recording), next_(next) {}
  void SectionStarts(const char* header, int headerIndex) override { next_.SectionStarts(header, headerIndex); }
  void BoxAnswered(RunBox box, int answer) override { next_.BoxAnswered(box, answer); }
  void EntryPassedOver(const PassedOver& entry) override;
  void PathShrinks(const PathRemoval& removal) override;

 private:
  RunLog& log_;
  RecordingPlatform& recording_;
  RunObserver& next_;
};

// A silent run: its log, begun with the local date and time and the command line, then the
// account the run is in; the platform that writes to it and the watcher.
class SilentRun {
 public:
  SilentRun(Platform& system, const SystemInfo& info, RunObserver& observer, const std::string& commandLine);
  SilentRun(const SilentRun&) = delete;
  SilentRun& operator=(const SilentRun&) = delete;

  Platform& platform() { return recording_; }
  RunObserver& observer() { return watcher_; }
  // The log's last line (the outcome in words and the exit code), then the log appended to its
  // file. A log that cannot be written changes nothing.
  void End(int exitCode);

 private:
  Platform& system_;
  const SystemInfo& info_;
  RunLog log_;
  RecordingPlatform recording_;
  SilentWatcher watcher_;
};

}  // namespace qv
