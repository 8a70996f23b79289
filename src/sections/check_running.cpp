#include "sections/entries.h"
#include "sections/sections.h"

namespace qv {

namespace {

// The mutex existed before we asked for it: a program of the product holds it. A mutex that
// exists but may not be opened by us (another session's, or a more privileged process's) counts
// the same; any other failure (an invalid name) counts as nothing running.
bool HeldByAnotherProgram(ErrorCode error) {
  return error == win::kErrorAlreadyExists || error == win::kErrorAccessDenied;
}

}  // namespace

bool CheckRunningApplications(RunContext& run, const ScriptFile& script, const Section& section) {
  Platform& platform = run.platform;
  bool running = false;
  ForEachBodyLine(script, section, [&](const std::string& line, int index) {
    const std::optional<std::string> name = AfterKeyword(platform, line, kMutexKeyword);
    if (!name) return;
    // A name met again in the run tells nothing new: it exists now because we created it.
    const std::string own = SessionMutexName(*name);
    if (run.ownMutexes.count(own)) return run.observer.EntryPassedOver({PassedOver::Why::kOwnMutex, index, line});
    // The mutex is ours from now until the process ends: a product program started meanwhile
    // finds it and knows an uninstall is under way.
    const ErrorCode error = platform.CreateMutexA(*name);
    if (error == win::kErrorSuccess) run.ownMutexes.insert(own);
    if (!HeldByAnotherProgram(error)) return;
    if (std::optional<std::string> appName = AfterKeyword(platform, script.Line(index + 1), kAppNameKeyword)) {
      ShowRunBox(run, RunBox::kProgramRunning,
                 ProgramText(*appName + texts::kIsRunning + "\r\n" + texts::kCloseItFirst), MessageKind::kWarning);
      running = true;
    }
  });
  return running;
}

}  // namespace qv
