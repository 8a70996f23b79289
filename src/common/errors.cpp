#include "common/errors.h"

#include <cstring>

namespace qv {

std::string FillPattern(const char* pattern, const std::string& argument) {
  std::string result;
  const char* hole = std::strstr(pattern, "%s");
  if (!hole) hole = std::strstr(pattern, "%d");
  if (!hole) return pattern;
  result.append(pattern, hole);
  result += argument;
  result += hole + 2;
  return result;
}

std::string FillPattern(const char* pattern, long long argument) {
  return FillPattern(pattern, std::to_string(argument));
}

}  // namespace qv
