#include "entry/entry.h"

#include <exception>
#include <optional>

#include "common/texts.h"
#include "entry/fatal_report.h"
#include "entry/silent_run.h"
#include "entry/version_box.h"
#include "platforms/recording_platform.h"
#include "platforms/wide_platform.h"
#include "run/run.h"
#include "script/script_file.h"
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
    ShowOrLog(platform, run.system, run.silentLog, text, MessageKind::kError);
    return Start::kScriptNotFound;
  }
  const ScriptFile script = ScriptFile::Load(platform, run.scriptPath);
  if (!HasSignature(platform, script.Line(0))) {
    ShowOrLog(platform, run.system, run.silentLog, ProgramText(texts::kWrongScript), MessageKind::kError);
    return Start::kWrongScript;
  }
  RunPasses(run, script);
  return Start::kRan;
}

// The same run as the uninstall switch's, with every box written to the log instead. The log is
// the caller's, so that the fatal error report can still be written to it.
int RunSilently(Platform& platform, const SystemInfo& system, RunObserver& observer, const std::string& argument,
                RunLog& log) {
  RecordingPlatform recording(platform, log);
  SilentWatcher watcher(log, observer);
  RunContext run{recording, system, {}, {}, {}, {}, watcher, &log};
  const Start start = StartUninstall(run, argument);
  if (run.state.completed) ShowFinalReport(run);
  const int code = SilentExitCode(start, run.state);
  EndRunLog(platform, system, log, code);
  return code;
}

int RunChosenMode(Platform& platform, const SystemInfo& system, RunObserver& observer, std::optional<RunLog>& silent) {
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
    BeginRunLog(platform, silent.emplace(platform, system), commandLine);
    return RunSilently(platform, system, observer, argument, *silent);
  } else {
    ShowVersionBox(platform, system);
  }
  return 0;
}

}  // namespace

std::string ScriptArgument(const std::vector<std::string>& parameters) {
  std::string argument;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (i > 0) argument += ' ';
    argument += parameters[i];
  }
  return argument;
}

ScriptPaths BuildScriptPaths(const std::string& scriptArgument, const LeadByteTable& lead) {
  // The default name holds no delimiter, so appending it leaves the folder part as it was.
  const PathParts parts = SplitPath(scriptArgument, lead);
  ScriptPaths paths;
  paths.scriptPath = scriptArgument;
  if (parts.extensionStart == std::string::npos) paths.scriptPath += texts::kDefaultScriptName;
  paths.baseFolder = scriptArgument.substr(0, parts.nameStart);
  return paths;
}

namespace {

// The program on a system of code page 932 as it is, or on one made of the wide calls of another.
int EntryOn(Platform& platform, const SystemInfo& system, RunObserver& observer) {
  std::optional<RunLog> silent;  // made when the run is silent
  RunLog* log = nullptr;
  try {
    return RunChosenMode(platform, system, observer, silent);
  } catch (const QvError& error) {
    log = silent ? &*silent : nullptr;
    ShowFatalReport(platform, system, log, error.className(), error.text(), error.address());
  } catch (const std::exception& error) {
    // Not one of the program's own errors (memory exhausted): reported the same way.
    log = silent ? &*silent : nullptr;
    ShowFatalReport(platform, system, log, "Exception", ProgramText(error.what()), platform.GetModuleBase());
  }
  if (log) EndRunLog(platform, system, *log, exit_code::kFatal);
  return exit_code::kFatal;
}

}  // namespace

int ProgramEntry(Platform& platform, RunObserver& observer) {
  const std::uint32_t codePage = platform.GetACP();
  if (codePage == kProgramCodePage) return EntryOn(platform, ReadSystemInfo(platform, codePage), observer);
  WidePlatform wide(platform);
  return EntryOn(wide, ReadSystemInfo(wide), observer);
}

}  // namespace qv
