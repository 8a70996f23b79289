// The process environment's variables in a text, as Windows expands them.
#pragma once

#include <string>

#include "seam/platform.h"

namespace qv {

// Each %NAME% that names a set variable, replaced by its value; the others stay as written.
std::string ExpandedVariables(Platform& platform, const std::string& text);

}  // namespace qv
