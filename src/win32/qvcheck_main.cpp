// QvCheck.exe [OPTIONS] SCRIPT-OR-FOLDER: the script checker as a Windows console program. The
// options come first, each beginning with "--"; the argument after them is read from the command
// line by the uninstaller's own rules, so a folder with blanks may be given with or without
// quotes, and with its final "\".
// QvCheck.exe /plan SCRIPT-OR-FOLDER: what the uninstall would do there, changing nothing.
#include <string>

#include <windows.h>

#include "check/check_command.h"
#include "check/check_options.h"
#include "check/report.h"
#include "check/sarif.h"
#include "common/version.h"
#include "entry/entry.h"
#include "plan/plan.h"
#include "platforms/wide_platform.h"
#include "script/script_paths.h"
#include "steps/run_log.h"
#include "system/system_info.h"
#include "text/program_text.h"
#include "text/text.h"
#include "win32/console.h"
#include "win32/win32_platform.h"

namespace {

// The report as the platform reads it: where names came through the wide calls, its escaped
// characters are written as the characters they are.
void Write(qv::Platform& platform, bool wideNames, const std::string& text, DWORD standardHandle) {
  if (!wideNames) return qv::WriteToConsole(text, standardHandle);
  const std::u16string wide = qv::WidenText(platform, qv::kProgramCodePage, text, qv::ShiftJisLeadBytes());
  qv::WriteToConsole(std::wstring(wide.begin(), wide.end()), standardHandle);
}

}  // namespace

int main() {
  qv::Win32Platform system;
  // Where the system's code page is not 932, names reach it through the wide calls.
  qv::WidePlatform widePlatform(system, system);
  const bool wideNames = system.GetACP() != qv::kProgramCodePage;
  qv::Platform& platform = wideNames ? static_cast<qv::Platform&>(widePlatform) : system;
  const std::vector<std::string> parameters = qv::SplitCommandLine(platform.GetCommandLineA());
  if (parameters.empty()) {
    qv::WriteToConsole(
        "usage: QvCheck.exe SCRIPT | PRODUCT-FOLDER\\\n       QvCheck.exe /plan SCRIPT | PRODUCT-FOLDER\\\n",
        STD_ERROR_HANDLE);
    return qv::kCheckUnreadable;
  }
  if (platform.CharLowerBuffA(parameters[0]) == "/plan") {
    if (parameters.size() < 2) {
      qv::WriteToConsole(
          "usage: QvCheck.exe /plan SCRIPT | PRODUCT-FOLDER\\\n"
          "Shows what the uninstall would do, changing nothing. Exit code: 0 the run would end with its final\n"
          "report, 1 it would stop early (a program of the product runs, or no uninstall script), 2 it would\n"
          "end in the fatal error report, 3 the script cannot be read.\n",
          STD_ERROR_HANDLE);
      return qv::kPlanUnreadable;
    }
    std::string plan;
    const int code = qv::PlanCommand(platform, qv::ScriptArgument({parameters.begin() + 1, parameters.end()}), plan);
    Write(platform, wideNames, plan, STD_OUTPUT_HANDLE);
    return code;
  }
  std::vector<std::string> arguments;
  std::size_t first = 0;
  for (; first < parameters.size() && parameters[first].rfind("--", 0) == 0; ++first)
    arguments.push_back(parameters[first]);
  if (first < parameters.size())
    arguments.insert(arguments.end(), {"--", qv::ScriptArgument({parameters.begin() + first, parameters.end()})});
  const qv::CheckOptions options = qv::ReadCheckOptions(arguments);
  const std::string usage = qv::CheckUsage("QvCheck.exe", "\\", false);
  if (!options.usageError.empty()) {
    qv::WriteToConsole("QvCheck.exe: " + options.usageError + "\n" + usage, STD_ERROR_HANDLE);
    return qv::kCheckUnreadable;
  }
  if (options.help) return qv::WriteToConsole(usage, STD_OUTPUT_HANDLE), 0;
  if (options.version) return qv::WriteToConsole("QvCheck.exe " QV_PRODUCT_VERSION_TEXT "\n", STD_OUTPUT_HANDLE), 0;

  const qv::ScriptPaths paths = qv::BuildScriptPaths(options.paths.front(), qv::ReadLeadBytes(platform));
  const std::vector<qv::ScriptCheck> checks{qv::CheckScriptAt(platform, paths, options.ignored)};
  if (options.sarif) {
    const auto toUtf8 = [&](const qv::MixedText& text) {
      return qv::Utf8FromUtf16(qv::WidenText(platform, qv::kProgramCodePage, text.Bytes(), qv::ShiftJisLeadBytes()));
    };
    qv::WriteUtf8(qv::SarifReport("QvCheck.exe", checks, toUtf8, /*windowsPaths=*/true), STD_OUTPUT_HANDLE);
  } else {
    Write(platform, wideNames, qv::TextReport(checks.front()).Bytes(), STD_OUTPUT_HANDLE);
  }
  return checks.front().ExitCode();
}
