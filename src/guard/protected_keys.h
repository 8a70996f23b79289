// The key guard: which family of keys, if any, protects a key. Asked by the guard (guard.h) only;
// the families' rules are in protected_key_rules.cpp.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "guard/guard.h"
#include "seam/platform.h"
#include "text/text.h"

namespace qv {

// The family that refuses the key at path (from the root), as a reason of the guard's; nothing
// for a product's own key. guard.h tells which keys that is, at every spelling.
std::optional<Reason> ProtectingFamily(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                       const std::string& path);

// Where the rules read a key: its part of the registry (a protection::Hive) and its names from
// there, upper-cased.
struct KeyPlace {
  unsigned hive = 0;
  std::vector<std::string> names;
};

// The key at path (from the root) as the rules read it at every spelling; nothing for the root
// itself, a user's whole hive or the root of the classes.
std::optional<KeyPlace> ReadKeyPlace(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                     const std::string& path);

// Whether a pattern of the rules' (protected_key_rules.h), read in the hives given, names the key
// at place itself.
bool PatternNamesKey(unsigned hives, const char* pattern, const KeyPlace& place);
// What the table says of a key: the family that refuses it; or, for a product's own entry below
// a registration list (a product's tree in the table), the list's pattern and the entry's path
// from the root as written, upper-cased, its names joined by single "\".
struct KeyJudgement {
  std::optional<Reason> family;
  const char* listPattern = nullptr;
  std::string entryPath = {};
};
KeyJudgement JudgeKey(Platform& platform, const LeadByteTable& lead, RegistryRoot root, const std::string& path);

// The key's upper-cased names as the table reads them below a Software key (the mirror and a
// user's key below HU read as HLM's and HCU's); nothing for a key of no Software key.
std::optional<std::vector<std::string>> SoftwareNames(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                                      const std::string& path);

}  // namespace qv
