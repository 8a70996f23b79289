#include "entry/entry.h"

#include <exception>
#include <optional>

#include "common/texts.h"
#include "entry/fatal_report.h"
#include "entry/silent_run.h"
#include "entry/version_box.h"
#include "platforms/wide_platform.h"
#include "run/run.h"
#include "script/script_file.h"
#include "script/script_paths.h"
#include "sections/run_context.h"
#include "system/files.h"
#include "system/system_info.h"
#include "text/program_text.h"

namespace qv {

namespace {

Start StartUninstall(RunContext& run, const std::string& scriptArgument) {
  Platform& platform = run.platform;
  const LeadByteTable& lead = run.system.leadBytes;
  ScriptPaths paths = BuildScriptPaths(scriptArgument, lead);
  run.scriptPath = paths.scriptPath;
  run.baseFolder = paths.baseFolder;

  if (!FileExists(platform, run.scriptPath)) {
    // The file name is the command line's, in the system's code page.
    const MixedText text = ProgramText("\" ") + SystemText(FileNamePart(run.scriptPath, lead)) +
                           ProgramText(std::string(" \" ") + texts::kScriptNotFound);
    ShowMessage(platform, text, MessageKind::kError);
    return Start::kScriptNotFound;
  }
  const ScriptFile script = ScriptFile::Load(platform, run.scriptPath);
  if (!HasSignature(platform, script.Line(0))) {
    ShowMessage(platform, ProgramText(texts::kWrongScript), MessageKind::kError);
    return Start::kWrongScript;
  }
  RunPasses(run, script);
  return Start::kRan;
}

// The same run as the uninstall switch's, on the silent run's platform and watcher.
int RunSilently(SilentRun& silent, const SystemInfo& system, const std::string& argument) {
  RunContext run{silent.platform(), system, {}, {}, {}, {}, silent.observer()};
  const Start start = StartUninstall(run, argument);
  if (run.state.completed) ShowFinalReport(run);
  const int code = SilentExitCode(start, run.state);
  silent.End(code);
  return code;
}

int RunChosenMode(Platform& platform, const SystemInfo& system, RunObserver& observer,
                  std::optional<SilentRun>& silent) {
  const std::string commandLine = platform.GetCommandLineA();
  const std::vector<std::string> parameters = SplitCommandLine(commandLine);
  const std::string mode = parameters.size() >= 2 ? platform.CharLowerBuffA(parameters[0]) : std::string();
  const std::string argument =
      parameters.size() >= 2 ? ScriptArgument({parameters.begin() + 1, parameters.end()}) : std::string();
  if (mode == texts::kUninstallSwitch) {
    RunContext run{platform, system, {}, {}, {}, {}, observer};
    StartUninstall(run, argument);
    if (run.state.completed) ShowFinalReport(run);
  } else if (mode == texts::kSilentSwitch) {
    return RunSilently(silent.emplace(platform, system, observer, commandLine), system, argument);
  } else {
    ShowVersionBox(platform, system);
  }
  return 0;
}

}  // namespace

namespace {

// The program on a system of code page 932 as it is, or on one made of the wide calls of another.
int EntryOn(Platform& platform, const SystemInfo& system, RunObserver& observer) {
  std::optional<SilentRun> silent;  // made when the run is silent
  try {
    return RunChosenMode(platform, system, observer, silent);
  } catch (const QvError& error) {
    ShowFatalReport(silent ? silent->platform() : platform, system, error.className(), error.text(), error.address());
  } catch (const std::exception& error) {
    // Not one of the program's own errors (memory exhausted): reported the same way.
    Platform& shown = silent ? silent->platform() : platform;
    ShowFatalReport(shown, system, "Exception", ProgramText(error.what()), shown.GetModuleBase());
  }
  if (silent) silent->End(exit_code::kFatal);
  return exit_code::kFatal;
}

}  // namespace

int ProgramEntry(Platform& platform, WideCalls& wide, RunObserver& observer) {
  const std::uint32_t codePage = platform.GetACP();
  if (codePage == kProgramCodePage) return EntryOn(platform, ReadSystemInfo(platform, codePage), observer);
  WidePlatform widePlatform(platform, wide);
  return EntryOn(widePlatform, ReadSystemInfo(widePlatform), observer);
}

int ProgramEntry(Platform& platform, RunObserver& observer) {
  return EntryOn(platform, ReadSystemInfo(platform, platform.GetACP()), observer);
}

}  // namespace qv
