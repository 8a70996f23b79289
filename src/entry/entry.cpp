#include "entry/entry.h"

#include <exception>

#include "common/texts.h"
#include "entry/fatal_report.h"
#include "entry/version_box.h"
#include "run/run.h"
#include "script/script_file.h"
#include "sections/run_context.h"
#include "system/files.h"
#include "system/system_info.h"

namespace qv {

namespace {

void StartUninstall(RunContext& run, const std::string& scriptArgument) {
  Platform& platform = run.platform;
  const LeadByteTable& lead = run.system.leadBytes;
  ScriptPaths paths = BuildScriptPaths(scriptArgument, lead);
  run.scriptPath = paths.scriptPath;
  run.baseFolder = paths.baseFolder;

  if (!FileExists(platform, run.scriptPath)) {
    // The file name is the command line's, in the system's code page.
    const MixedText text = ProgramText("\" ") + SystemText(FileNamePart(run.scriptPath, lead)) +
                           ProgramText(std::string(" \" ") + texts::kScriptNotFound);
    ShowMessage(platform, run.system, text, MessageKind::kError);
    return;
  }
  const ScriptFile script = ScriptFile::Load(platform, run.scriptPath);
  if (!HasSignature(platform, script.Line(0))) {
    ShowMessage(platform, run.system, ProgramText(texts::kWrongScript), MessageKind::kError);
    return;
  }
  RunPasses(run);
}

int RunChosenMode(Platform& platform, const SystemInfo& system, RunObserver& observer) {
  const std::vector<std::string> parameters = SplitCommandLine(platform.GetCommandLineA());
  if (parameters.size() >= 2 && platform.CharLowerBuffA(parameters[0]) == texts::kUninstallSwitch) {
    RunContext run{platform, system, {}, {}, {}, {}, observer};
    StartUninstall(run, ScriptArgument({parameters.begin() + 1, parameters.end()}));
    if (run.state.completed) ShowFinalReport(run);
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

int ProgramEntry(Platform& platform, RunObserver& observer) {
  const SystemInfo system = ReadSystemInfo(platform);
  try {
    return RunChosenMode(platform, system, observer);
  } catch (const QvError& error) {
    ShowFatalReport(platform, system, error.className(), error.text(), error.address());
  } catch (const std::exception& error) {
    // Not one of the program's own errors (memory exhausted): reported the same way.
    ShowFatalReport(platform, system, "Exception", ProgramText(error.what()), platform.GetModuleBase());
  }
  return 1;
}

}  // namespace qv
