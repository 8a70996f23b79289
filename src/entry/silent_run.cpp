#include "entry/silent_run.h"

#include "entry/account_line.h"

namespace qv {

namespace {

const char* Outcome(int exitCode) {
  switch (exitCode) {
    case exit_code::kDone:
      return "done";
    case exit_code::kFatal:
      return "ended by the fatal error report (its text is above)";
    case exit_code::kProgramRunning:
      return "a program of the product is running: nothing was changed, try again later";
    case exit_code::kScriptNotFound:
      return "the script was not found: nothing was changed";
    case exit_code::kWrongScript:
      return "the file is not an uninstall script (no signature): nothing was changed";
    case exit_code::kRestartNeeded:
      return "done; files in use were left to the next start of Windows, which removes them";
  }
  return "";
}

// The number with leading zeros to at least width digits. (The C library's formatted printing
// would add about 27 KB to the program.)
std::string Digits(int number, std::size_t width) {
  std::string text = std::to_string(number);
  return std::string(text.size() < width ? width - text.size() : 0, '0') + text;
}

}  // namespace

int SilentExitCode(Start start, const RunState& state) {
  if (start == Start::kScriptNotFound) return exit_code::kScriptNotFound;
  if (start == Start::kWrongScript) return exit_code::kWrongScript;
  if (state.programRunning) return exit_code::kProgramRunning;
  return !state.RestartNeeded() ? exit_code::kDone : exit_code::kRestartNeeded;
}

SilentRun::SilentRun(Platform& system, const SystemInfo& info, RunObserver& observer, const std::string& commandLine)
    : system_(system), info_(info), log_(system), recording_(system, log_), watcher_(log_, recording_, observer) {
  const LocalTime now = system.GetLocalTime();
  const std::string stamp = Digits(now.year, 4) + "-" + Digits(now.month, 2) + "-" + Digits(now.day, 2) + " " +
                            Digits(now.hour, 2) + ":" + Digits(now.minute, 2) + ":" + Digits(now.second, 2) + " ";
  log_.Line(ProgramText(stamp) + SystemText(commandLine));
  log_.Line(AccountLine(system));
}

void SilentRun::End(int exitCode) {
  log_.Line(ProgramText("exit code " + std::to_string(exitCode) + ": " + Outcome(exitCode)));
  log_.Line({});
  AppendRunLog(system_, info_, log_);
}

void SilentWatcher::EntryPassedOver(const PassedOver& entry) {
  if (entry.refusal) log_.Line(ProgramText("  ") + SystemText(RefusalNote(entry.line, *entry.refusal)));
  next_.EntryPassedOver(entry);
}

// The write that follows is logged as the removal; the next observer hears of it too.
void SilentWatcher::PathShrinks(const PathRemoval& removal) {
  recording_.ExpectPathRemoval(removal);
  next_.PathShrinks(removal);
}

}  // namespace qv
