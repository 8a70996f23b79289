// A registry export in regedit's format, read into the in-memory system's registry: the UTF-16
// form ("Windows Registry Editor Version 5.00", with its byte-order mark) and the ANSI one
// ("REGEDIT4", code page 932). Keys ("[HKEY_...\Path]", the short roots HKLM, HKCU, HKCR, HKU and
// HKCC too), key deletions ("[-KEY]"), values by name or "@" for the default one, strings with
// their \\ and \" escapes, dword:, hex: and hex(0) to hex(b) with their continued lines, value
// deletions ("name"=-) and comments (";").
#pragma once

#include <string>

#include "memory/memory_platform.h"

namespace qv {

// Reads the export's bytes into the system, in the export's order. Returns "" when it is read, or
// the first fault as "FILE:LINE: what" (lines counted from 1); what came before it is read.
std::string ReadRegistryExport(MemoryPlatform& system, const std::string& bytes, const std::string& fileName);

}  // namespace qv
