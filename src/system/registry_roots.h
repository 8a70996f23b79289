// The registry roots a key entry can name: the abbreviation a script names a root by, and the
// root's names for people, in full and short.
#pragma once

#include "seam/platform.h"

namespace qv {

struct RegistryRootRow {
  const char* abbreviation;
  RegistryRoot root;
  const char* name;
  const char* shortName;
};
inline constexpr RegistryRootRow kRegistryRoots[] = {
    {"HCR", kHkeyClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},     {"HCU", kHkeyCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {"HLM", kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},   {"HU", kHkeyUsers, "HKEY_USERS", "HKU"},
    {"HCC", kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"}, {"HDD", kHkeyDynData, "HKEY_DYN_DATA", "HKDD"},
};

// A root's row; nothing for a value that is no root (the invalid root among them).
inline const RegistryRootRow* FindRoot(RegistryRoot root) {
  for (const RegistryRootRow& row : kRegistryRoots)
    if (row.root == root) return &row;
  return nullptr;
}

}  // namespace qv
