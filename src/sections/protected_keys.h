// Keys that a cleanup entry never deletes, whatever the script says.
#pragma once

#include <string>

#include "seam/platform.h"
#include "system/text.h"

namespace qv {

// True when the key at path (from the root) is the root itself, one of the folders that hold
// every product's keys, a key that Windows itself owns, or a user's whole hive; below
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE also the 32-bit mirror (below Software\Wow6432Node) of
// each such key below Software. Names compare without regard to case; repeated and trailing "\"
// are ignored.
bool IsProtectedKey(Platform& platform, const LeadByteTable& lead, RegistryRoot root, const std::string& path);

}  // namespace qv
