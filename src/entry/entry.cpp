#include "entry/entry.h"

#include <cstdio>
#include <exception>

#include "system/files.h"
#include "system/system_info.h"
#include "run/run.h"
#include "sections/run_context.h"
#include "script/script_file.h"
#include "common/texts.h"
#include "entry/version_box.h"

namespace qv {

namespace {

constexpr std::uint32_t kFatalFlags = win::kMbIconError | win::kMbOk | win::kMbTaskModal;
constexpr std::size_t kFatalTextLimit = 1024;

void StartUninstall(RunContext& run, const std::string& scriptArgument) {
  Platform& platform = run.platform;
  const LeadByteTable& lead = run.system.leadBytes;
  ScriptPaths paths = BuildScriptPaths(scriptArgument, lead);
  run.scriptPath = paths.scriptPath;
  run.baseFolder = paths.baseFolder;

  if (!FileExists(platform, run.scriptPath)) {
    std::string text = "\" " + FileNamePart(run.scriptPath, lead) + " \" " + texts::kScriptNotFound;
    ShowMessage(platform, text, MessageKind::kError);
    return;
  }
  const ScriptFile script = ScriptFile::Load(platform, run.scriptPath);
  if (!HasSignature(platform, script.Line(0))) {
    ShowMessage(platform, texts::kWrongScript, MessageKind::kError);
    return;
  }
  RunPasses(run);
}

int RunChosenMode(Platform& platform, const SystemInfo& system) {
  const std::vector<std::string> parameters = SplitCommandLine(platform.GetCommandLineA());
  if (parameters.size() >= 2 && platform.CharLowerBuffA(parameters[0]) == texts::kUninstallSwitch) {
    RunContext run{platform, system, {}, {}, {}};
    StartUninstall(run, ScriptArgument({parameters.begin() + 1, parameters.end()}));
    if (run.state.completed) ShowFinalReport(run);
  } else {
    ShowVersionBox(platform, system);
  }
  return 0;
}

void ShowFatalReport(Platform& platform, const SystemInfo& system, const char* className,
                     const std::string& message, std::uintptr_t address) {
  const auto relative = static_cast<std::uint32_t>(address - platform.GetModuleBase());
  platform.MessageBoxA(FatalReportText(className, platform.GetModuleFileNameA(), relative, message, system.leadBytes),
                       texts::kFatalCaption, kFatalFlags);
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
  ScriptPaths paths;
  paths.scriptPath = scriptArgument;
  if (ExtensionPart(scriptArgument, lead).empty()) paths.scriptPath += texts::kDefaultScriptName;
  paths.baseFolder = FolderPart(paths.scriptPath, lead);
  return paths;
}

std::string FatalReportText(const char* className, const std::string& modulePath, std::uint32_t relativeAddress,
                            const std::string& message, const LeadByteTable& lead) {
  char address[9];
  std::snprintf(address, sizeof address, "%08X", static_cast<unsigned>(relativeAddress));
  const std::size_t slash = LastDelimiter(modulePath, "\\", lead);
  const std::string moduleName = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
  const std::string period = !message.empty() && message.back() != '.' ? "." : "";

  // The format's holes are filled in order, each with its value as data.
  const std::string values[] = {className, moduleName, address, message, period};
  std::string text;
  std::size_t next = 0;
  for (const char* p = texts::kFatalFormat; *p; ++p) {
    if (p[0] == '%' && (p[1] == 's' || p[1] == 'p') && next < 5) {
      text += values[next++];
      ++p;
    } else {
      text += *p;
    }
  }
  return CutAtCharBoundary(text, kFatalTextLimit, lead);
}

int ProgramEntry(Platform& platform) {
  const SystemInfo system = ReadSystemInfo(platform);
  try {
    return RunChosenMode(platform, system);
  } catch (const QvError& error) {
    ShowFatalReport(platform, system, error.className(), error.message(), error.address());
  } catch (const std::exception& error) {
    // Not one of the program's own errors (memory exhausted): reported the same way.
    ShowFatalReport(platform, system, "Exception", error.what(), platform.GetModuleBase());
  }
  return 1;
}

}  // namespace qv
