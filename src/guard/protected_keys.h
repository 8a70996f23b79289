// The key guard: which family of keys, if any, protects a key. Asked by the guard (guard.h) only;
// the families' rules are in protected_key_rules.cpp.
#pragma once

#include <optional>
#include <string>

#include "guard/guard.h"
#include "seam/platform.h"
#include "text/text.h"

namespace qv {

// The family that refuses the key at path (from the root), as a reason of the guard's; nothing
// for a product's own key. guard.h tells which keys that is, at every spelling.
std::optional<Reason> ProtectingFamily(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                       const std::string& path);

}  // namespace qv
