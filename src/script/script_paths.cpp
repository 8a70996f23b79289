#include "script/script_paths.h"

#include "common/texts.h"

namespace qv {

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

}  // namespace qv
