// Keys that a cleanup entry never deletes, whatever the script says.
#pragma once

#include <optional>
#include <string>

#include "seam/platform.h"
#include "text/text.h"

namespace qv {

// The families of keys that no cleanup entry deletes, in the order the reference lists them.
enum class KeyFamily {
  kRootsAndHives,    // a root itself, a user's whole hive, the root of the classes
  kProductFolders,   // Software, the list of installed programs, our products' settings folders
  kClassContainers,  // CLSID, Interface, TypeLib, ... and the classes' 32-bit mirror
  kSharedClasses,    // the shell's shared classes, Windows' own file types, classes and protocols
  kMicrosoft,        // Software\Microsoft
  kPolicies,         // Software\Policies
  kSharedLists,      // Software\Clients, RegisteredApplications, ODBC, ...
  kSystem,           // HLM\SYSTEM, SAM, SECURITY, HARDWARE, ...
  kUserSettings,     // the user's Control Panel, Environment, ...
};

// The family as a maker reads it after "protected as": "a class registration container".
const char* KeyFamilyText(KeyFamily family);

// The family that refuses the key at path (from the root); nothing for a product's own key.
std::optional<KeyFamily> ProtectingFamily(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                          const std::string& path);

// True when the key at path (from the root) is the root itself, a user's whole hive, one of the
// folders that hold every product's keys, or a key that Windows, the shell or all programs
// together own (protected_key_rules.cpp holds them, family by family). The same key is refused at
// every spelling: names compare without regard to case; repeated and trailing "\" are ignored;
// the 32-bit mirrors below Software\Wow6432Node read as the keys they mirror; HCR, Software\Classes
// of the machine and of each user and a user's "_Classes" hive all read as the classes; a key
// below HU\<SID> or HU\.DEFAULT reads as the same key below HCU.
bool IsProtectedKey(Platform& platform, const LeadByteTable& lead, RegistryRoot root, const std::string& path);

}  // namespace qv
