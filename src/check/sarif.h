// The findings as SARIF 2.1.0, the exchange format of code scanning tools: one run of the checker,
// its rules, each finding a result at its script and line. Texts are UTF-8.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "check/check_command.h"

namespace qv {

// toUtf8 turns a text of the report (code page 932 and the system's parts) into UTF-8. Paths are
// Windows paths ("C:\App\Uninst.inf") or Linux ones.
std::string SarifReport(const std::string& toolName, const std::vector<ScriptCheck>& checks,
                        const std::function<std::string(const MixedText&)>& toUtf8, bool windowsPaths);

}  // namespace qv
