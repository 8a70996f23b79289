// The machine a product is installed on, in memory: Windows as a fresh installation has it (its
// folders, the user's shell folders, the environment's folder variables), the product's folder
// copied from a Linux tree, and registry exports read over it.
#pragma once

#include <string>
#include <vector>

#include "memory/memory_platform.h"

namespace qv {

// Windows' own folders, values and variables, where the registry read so far leaves them out: the
// Windows folder is the one its SystemRoot value names (HKLM\SOFTWARE\Microsoft\Windows
// NT\CurrentVersion), else C:\WINDOWS; the shell folders are those of a fresh Windows but where
// the registry names its own.
void SeedWindows(MemoryPlatform& system);

// Every file and folder below the Linux folder, as the same names below the Windows folder
// (code page 932, ending with "\"): each file is there, with its time; only the script's bytes
// are read (the run reads no other file). Returns what it could not take as it is, one line
// each: a name that is not UTF-8 (left out) or that has no code page 932 form (there, as the
// system holds such a name), a folder or file that cannot be read.
std::vector<std::string> CopyTree(MemoryPlatform& system, const std::string& linuxFolder,
                                  const std::string& windowsFolder, const std::string& scriptPath);

// The shell folders the registry names, as folders: they are there on a machine in use.
void AddShellFolders(MemoryPlatform& system);

// A Linux text (UTF-8) in code page 932; nothing when it is not UTF-8 or has no such form.
std::optional<std::string> Cp932FromUtf8(const std::string& text);

}  // namespace qv
