// Keys that a cleanup entry never deletes, whatever the script says.
#pragma once

#include <string>

#include "seam/platform.h"
#include "system/text.h"

namespace qv {

// True when the key at path (from the root) is the root itself, a user's whole hive, one of the
// folders that hold every product's keys, or a key that Windows, the shell or all programs
// together own (protected_key_rules.cpp holds them, family by family). The same key is refused at
// every spelling: names compare without regard to case; repeated and trailing "\" are ignored;
// the 32-bit mirrors below Software\Wow6432Node read as the keys they mirror; HCR, Software\Classes
// of the machine and of each user and a user's "_Classes" hive all read as the classes; a key
// below HU\<SID> or HU\.DEFAULT reads as the same key below HCU.
bool IsProtectedKey(Platform& platform, const LeadByteTable& lead, RegistryRoot root, const std::string& path);

}  // namespace qv
