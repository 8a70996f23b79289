#include "check/check_command.h"

#include <algorithm>

#include "check/check_script.h"
#include "system/files.h"
#include "system/system_info.h"

namespace qv {

int ScriptCheck::ExitCode() const { return script ? CheckExitCode(findings) : kCheckUnreadable; }

ScriptCheck CheckScriptAt(Platform& platform, const ScriptPaths& paths, const std::set<std::string>& ignoredCodes,
                          char separator) {
  ScriptCheck check;
  check.path = paths.scriptPath;
  if (!FileExists(platform, paths.scriptPath)) {
    check.unreadable = SystemText(paths.scriptPath) +
                       ProgramText(std::string(": error: cannot read the script: no such file (a folder is named "
                                               "with its final ") +
                                   separator + ")\n");
    return check;
  }
  const std::optional<std::string> bytes = platform.ReadWholeFile(paths.scriptPath);
  if (!bytes) {
    check.unreadable = SystemText(paths.scriptPath) +
                       ProgramText(": error: cannot read the script: it cannot be opened (in use, or no access)\n");
    return check;
  }
  check.script = ScriptFile::FromBytes(*bytes);
  for (Finding& f : CheckScript(platform, ReadLeadBytes(platform), *check.script, paths))
    if (!ignoredCodes.count(f.code)) check.findings.push_back(std::move(f));
  return check;
}

MixedText TextReport(const ScriptCheck& check) {
  return check.script ? FormatReport(check.path, *check.script, check.findings) : check.unreadable;
}

int WorstExitCode(const std::vector<ScriptCheck>& checks) {
  int code = kCheckClean;
  for (const ScriptCheck& check : checks) code = std::max(code, check.ExitCode());
  return code;
}

int CheckCommand(Platform& platform, const ScriptPaths& paths, MixedText& out) {
  const ScriptCheck check = CheckScriptAt(platform, paths);
  out += TextReport(check);
  return check.ExitCode();
}

}  // namespace qv
