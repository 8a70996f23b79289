// Windows' own files: a file outside the product's folder whose version resource names Microsoft
// as its maker is never deleted, nor renamed, nor renamed over, whatever the entry's prefix or its
// ".." names. A file in the product's folder (a copy of a runtime the product brought) stays the
// product's. The run judges the full path it is about to use, at that moment.
#pragma once

#include <optional>
#include <string>

#include "guard/guard.h"

namespace qv {

// The file at the full path, or each file that a name with "*" or "?" matches: refused when the
// path lies outside the product's folder and the file's maker starts with "Microsoft" (in any
// case). The makers are read only for a path outside the product's folder.
std::optional<Refusal> FileRefusal(Platform& platform, const LeadByteTable& lead, const std::string& productFolder,
                                   const std::string& fullPath);

// The path lies in the folder or below it, once both are read as the system reads them: "."
// dropped, ".." climbing, the blanks and dots at the end of a name dropped, names compared
// without regard to case. A name of other dots and blanks ("...") is not read: the path is not
// in the folder then.
bool LiesInFolder(const std::string& path, const std::string& folder, const LeadByteTable& lead);

// The name's ".." names climb above the folder it starts in ("..\A.DLL", "SUB\..\..\A.DLL").
bool ClimbsOut(const std::string& name, const LeadByteTable& lead);

// The folder (ending in "\") that a path holding a ".." name reaches, read as the system reads
// it; nothing for a path without one, or one that cannot be read.
std::optional<std::string> FolderReached(const std::string& path, const LeadByteTable& lead);

}  // namespace qv
