// What the planned files and the planned registry both ask of their canonical paths.
#pragma once

#include <string>

namespace qv {

// The canonical path p is x or lies below it (names separated by single "\"); every path lies
// below the empty one.
inline bool SameOrBelow(const std::string& p, const std::string& x) {
  if (x.empty()) return true;
  return p.compare(0, x.size(), x) == 0 && (p.size() == x.size() || p[x.size()] == '\\');
}

}  // namespace qv
