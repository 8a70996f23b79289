#include "common/errors.h"

#include <cstring>

namespace qv {

MixedText FillPattern(const char* pattern, const MixedText& argument) {
  const char* hole = std::strstr(pattern, "%s");
  if (!hole) hole = std::strstr(pattern, "%d");
  if (!hole) return ProgramText(pattern);
  return ProgramText(std::string(pattern, hole)) + argument + ProgramText(hole + 2);
}

MixedText FillPattern(const char* pattern, long long argument) {
  return FillPattern(pattern, ProgramText(std::to_string(argument)));
}

}  // namespace qv
