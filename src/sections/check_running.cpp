#include "sections/sections.h"

namespace qv {

namespace {

constexpr char kMutexKeyword[] = "MUTEX=";
constexpr char kAppNameKeyword[] = "APPNAME=";

// The mutex existed before we asked for it: a program of the product holds it. A mutex that
// exists but may not be opened by us (another session's, or a more privileged process's) counts
// the same; any other failure (an invalid name) counts as nothing running.
bool HeldByAnotherProgram(ErrorCode error) {
  return error == win::kErrorAlreadyExists || error == win::kErrorAccessDenied;
}

}  // namespace

bool CheckRunningApplications(RunContext& run, const ScriptFile& script, int headerIndex) {
  Platform& platform = run.platform;
  bool running = false;
  for (int i = headerIndex + 1; !IsTerminator(platform, script.Line(i)); ++i) {
    const std::string& line = script.Line(i);
    if (!HasKeyword(platform, line, kMutexKeyword)) continue;
    // The mutex is ours from now until the process ends: a product program started meanwhile
    // finds it and knows an uninstall is under way.
    const std::string name = line.substr(std::string_view(kMutexKeyword).size());
    if (!HeldByAnotherProgram(platform.CreateMutexA(name))) continue;
    const std::string& next = script.Line(i + 1);
    if (HasKeyword(platform, next, kAppNameKeyword)) {
      const std::string appName = next.substr(std::string_view(kAppNameKeyword).size());
      ShowMessage(platform, appName + texts::kIsRunning + "\r\n" + texts::kCloseItFirst, MessageKind::kWarning);
      running = true;
    }
  }
  return running;
}

void ShowWarning(RunContext& run, const ScriptFile& script, int headerIndex) {
  Platform& platform = run.platform;
  // An empty body shows nothing.
  if (IsTerminator(platform, script.Line(headerIndex + 1))) return;
  std::string text = script.Line(headerIndex + 1);
  for (int i = headerIndex + 2; !IsTerminator(platform, script.Line(i)); ++i) text += "\r\n" + script.Line(i);
  ShowMessage(platform, text, MessageKind::kWarning);
}

}  // namespace qv
