#include "system/environment.h"

#include <optional>

namespace qv {

std::string ExpandedVariables(Platform& platform, const std::string& text) {
  std::string out;
  std::size_t at = 0;
  for (std::size_t open; (open = text.find('%', at)) != std::string::npos;) {
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string::npos) break;
    const std::optional<std::string> value = platform.GetEnvironmentVariableA(text.substr(open + 1, close - open - 1));
    out += text.substr(at, open - at) + (value ? *value : text.substr(open, close - open + 1));
    at = close + 1;
  }
  return out + text.substr(at);
}

}  // namespace qv
