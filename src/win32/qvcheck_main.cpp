// QvCheck.exe SCRIPT-OR-FOLDER: the script checker as a Windows console program. The argument
// is read from the command line by the uninstaller's own rules, so a folder with blanks may be
// given with or without quotes, and with its final "\".
#include <string>

#include <windows.h>

#include "check/check_command.h"
#include "check/report.h"
#include "entry/entry.h"
#include "system/system_info.h"
#include "system/text.h"
#include "win32/console.h"
#include "win32/win32_platform.h"

int main() {
  qv::Win32Platform platform;
  const std::vector<std::string> parameters = qv::SplitCommandLine(platform.GetCommandLineA());
  if (parameters.empty()) {
    qv::WriteToConsole("usage: QvCheck.exe SCRIPT | PRODUCT-FOLDER\\\n", STD_ERROR_HANDLE);
    return qv::kCheckUnreadable;
  }
  const qv::ScriptPaths paths = qv::BuildScriptPaths(qv::ScriptArgument(parameters), qv::ReadLeadBytes(platform));
  std::string report;
  const int code = qv::CheckCommand(platform, paths, report);
  qv::WriteToConsole(report, STD_OUTPUT_HANDLE);
  return code;
}
