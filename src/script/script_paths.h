// Where the script and the product's folder are, from the argument after the switch.
#pragma once

#include <string>
#include <vector>

#include "text/text.h"

namespace qv {

struct ScriptPaths {
  std::string scriptPath;
  std::string baseFolder;
};

// The script argument from the parameters after the switch: one is taken unchanged, several are
// joined with one blank each (an unquoted path with blanks arrives in pieces).
std::string ScriptArgument(const std::vector<std::string>& parameters);

// A script argument without an extension gets "Uninst.inf" appended directly.
ScriptPaths BuildScriptPaths(const std::string& scriptArgument, const LeadByteTable& lead);

}  // namespace qv
