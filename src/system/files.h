// File questions and the whole-file read, built on the platform's single calls.
#pragma once

#include <cstdint>
#include <string>

#include "seam/platform.h"

namespace qv {

// An entry is found at the path (the first match of a wildcard) and it is not a folder.
bool FileExists(Platform& platform, const std::string& path);

// The local last-write time as a DOS date (high 16 bits) and time (low 16 bits); -1 when there
// is no such file, when it is a folder, or when the time lies outside the DOS range.
std::int32_t FileAge(Platform& platform, const std::string& path);

// The file's bytes; raises EFOpenError when it cannot be opened. The path is one the system gave
// (the script's, from the command line), so the error names it in the ANSI code page.
std::string ReadWholeFile(Platform& platform, const std::string& path);

}  // namespace qv
