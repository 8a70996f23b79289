// What a product's entry in a registration list registers, list by list: the file Windows would
// load or start for it. Asked by the guard (guard.h) only.
#pragma once

#include <optional>
#include <string>

#include "seam/platform.h"
#include "text/text.h"

namespace qv {

// The file that the entry at entryPath (below root; names joined by single "\") registers in the
// list whose table pattern is listPattern; nothing when the list is not one whose evidence is
// known, or the entry registers no file.
std::optional<std::string> ListEntryFile(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                         const std::string& entryPath, const char* listPattern);

// The file that a value of a registration list registers: a program started at sign-in (Run,
// RunOnce), an approved shell extension (its name is the class), a shared library's count (its
// name is the file); nothing for a value of any other key, or one that registers no file.
std::optional<std::string> ListValueFile(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                         const std::string& path, const std::string& valueName);

}  // namespace qv
