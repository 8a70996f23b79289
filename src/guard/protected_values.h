// The value guard's tables: Windows' own values in keys that others share, and the lists whose
// values are each a product's entry. Read by the guard (guard.cpp) only.
#pragma once

#include <string>

#include "guard/protected_keys.h"

namespace qv {

// Whether the value named name (upper-cased; "" for the default value) of the key at place is one
// of Windows' own: the environment's Path, Winlogon's Shell, a device class's filters, ...
bool IsWindowsValue(const KeyPlace& place, const std::string& name);

// Whether the key at place is a list whose values are entries that programs register there, each
// a product's own or Windows' (Run, SharedDLLs, the environment, ...).
bool IsValueList(const KeyPlace& place);

}  // namespace qv
