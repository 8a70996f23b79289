#include "check/check_command.h"

#include "check/check_script.h"
#include "check/report.h"
#include "common/errors.h"
#include "system/files.h"
#include "system/system_info.h"

namespace qv {

int CheckCommand(Platform& platform, const ScriptPaths& paths, MixedText& out) {
  const std::string& path = paths.scriptPath;
  if (!FileExists(platform, path)) {
    out += SystemText(path) +
           ProgramText(": error: cannot read the script: no such file (a folder is named with its final \\)\n");
    return kCheckUnreadable;
  }
  const std::optional<std::string> bytes = platform.ReadWholeFile(path);
  if (!bytes) {
    out +=
        SystemText(path) + ProgramText(": error: cannot read the script: it cannot be opened (in use, or no access)\n");
    return kCheckUnreadable;
  }
  const ScriptFile script = ScriptFile::FromBytes(*bytes);
  const std::vector<Finding> findings = CheckScript(platform, ReadLeadBytes(platform), script, paths);
  out += FormatReport(path, script, findings);
  return CheckExitCode(findings);
}

}  // namespace qv
