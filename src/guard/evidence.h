// The file that a registry entry registers, followed as Windows follows it: the string values
// that name it, read with KEY_READ only, and the text of such a value resolved to a full path.
#pragma once

#include <optional>
#include <string>

#include "seam/platform.h"
#include "text/text.h"

namespace qv {

// The string value (REG_SZ or REG_EXPAND_SZ, cut at its first NUL) of the key at path below
// root, opened with KEY_READ and closed again; nothing when the key or the value is missing,
// empty or no string. path is names joined by single "\", without a leading one.
std::optional<std::string> ReadRegistryString(Platform& platform, RegistryRoot root, const std::string& path,
                                              const std::string& name);

// The full path of the file that a registered value names:
//   - %NAME% is the process's environment variable (one that is not set stays as written);
//   - a command line's program is the quoted path, or the first path up to a blank that names an
//     existing file, else the text up to the first blank; "rundll32.exe X.dll,Entry" registers
//     X.dll, "QvUninst.exe /u X" registers X (the product's folder or script);
//   - an icon's index (",0", ",-101") and files after the first ";" are left out;
//   - "\??\" is dropped; "\SystemRoot\" and a path without a drive ("System32\drivers\x.sys")
//     are read in the Windows folder, a bare name ("x.dll") in the system folder when it is there
//     (elsewhere it is not followed: no file).
// Nothing for a text that names no file.
std::optional<std::string> RegisteredFile(Platform& platform, const LeadByteTable& lead, const std::string& data);

// The file that serves the class {CLSID}: the default value of its InprocServer32, else of its
// LocalServer32, below HKEY_CLASSES_ROOT\CLSID; nothing when it names none.
std::optional<std::string> ClassServer(Platform& platform, const LeadByteTable& lead, const std::string& clsid);

}  // namespace qv
