// The table of registry keys that Windows, the shell or every product together own, which no
// cleanup entry may delete. Read by the key guard (protected_keys.cpp) only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "guard/guard.h"

namespace qv::protection {

// The part of the registry a key's names are read in. A key reaches the same part by every
// spelling: the classes below HCR, below Software\Classes of the machine and of each user, and
// below a user's "_Classes" hive; a user's keys below HCU, HU\<SID> and HU\.DEFAULT.
enum Hive : unsigned {
  kClasses = 1,
  kMachine = 2,                            // HLM
  kUser = 4,                               // HCU, HU\<SID>
  kConfig = 8,                             // HCC
  kSoftware = kMachine | kUser | kConfig,  // each carries a Software key of the same shape
};

// What a rule covers: the key alone (a container whose entries belong to the products that
// registered them), the key with everything below it, or, inside a covered tree, an entry that a
// product owns with everything below it.
enum class Reach { kKey, kTree, kProductTree };

// A pattern is key names joined by "\", upper-cased. Besides plain names it may hold these
// placeholders, each standing for one name (<shared> for one or two):
//   <any>         any name
//   <shared>      a class that the shell or Windows shares between programs
//   <type>        a file type (extension) that Windows owns
//   <verb>        a verb that Windows puts on its shared classes
//   <controlset>  a control set: CurrentControlSet, ControlSet001, ...
//   <service>     a service of Windows itself
//   <log>         an event log of Windows itself
//   <label>       a sound's label of Windows itself
struct Rule {
  unsigned hives;
  const char* pattern;
  Reach reach;
};

// The rules of one family of keys.
struct FamilyRules {
  Reason family;
  const Rule* rules;
  std::size_t count;
  const Rule* begin() const { return rules; }
  const Rule* end() const { return rules + count; }
};

// The families' rules, in a table of constants.
struct RuleTable {
  const FamilyRules* families;
  std::size_t count;
  const FamilyRules* begin() const { return families; }
  const FamilyRules* end() const { return families + count; }
};
RuleTable Rules();

// The number of names from names[at] on that make a member of the placeholder's set; 0 when
// they make none. Names and members are upper-cased.
std::size_t SetMemberLength(std::string_view placeholder, const std::vector<std::string>& names, std::size_t at);

}  // namespace qv::protection
