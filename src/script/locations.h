// Folder prefixes of file entries and registry root abbreviations of key entries. Nothing is
// remembered: every lookup asks the system afresh.
#pragma once

#include <optional>
#include <string>

#include "seam/platform.h"
#include "system/registry_roots.h"
#include "text/text.h"

namespace qv {

// The user's special folders, in the order of their index.
inline constexpr const char* kShellFolderNames[] = {"Desktop",    "Favorites", "Fonts",     "NetHood",
                                                    "Personal",   "Programs",  "Recent",    "SendTo",
                                                    "Start Menu", "Startup",   "Templates", "AppData"};
inline constexpr int kShellFolderDesktop = 0;
inline constexpr int kShellFolderPrograms = 5;  // the Start menu's program folder
inline constexpr int kShellFolderStartup = 9;
inline constexpr int kShellFolderAppData = 11;  // the user's application data
inline constexpr char kShellFoldersKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The user's local (not roaming) application data, in the same key.
inline constexpr char kLocalAppDataName[] = "Local AppData";
// The machine's special folders, shared by all users: values of the same key below HKEY_LOCAL_MACHINE,
// in the order of their prefixes (FolderPrefix::kCommonDesktop on).
inline constexpr const char* kCommonFolderNames[] = {"Common Desktop", "Common Programs", "Common Startup",
                                                     "Common AppData"};

// The Windows and system folders followed by "\".
std::string WindowsFolder(Platform& platform);
std::string SystemFolder(Platform& platform);
// The special folder of the index followed by "\"; empty when the Shell Folders key cannot be
// opened, "\" alone when the value is missing or empty.
std::string ShellFolder(Platform& platform, int index);
// The same for a value of the Shell Folders key below the root (the user's or the machine's).
std::string ShellFolderValue(Platform& platform, RegistryRoot root, const char* name);

// An abbreviation of kRegistryRoots in any case, as the whole text; anything else gives the
// invalid root, on which every registry operation fails.
RegistryRoot RootFromAbbreviation(Platform& platform, const std::string& text);

// A key entry after its keyword: the root abbreviation before the line's first "\" and the path
// from that "\" on. Without any "\" both are empty.
struct KeyEntry {
  std::string abbreviation;
  std::string path;
};
KeyEntry ParseKeyEntry(const std::string& text);

enum class FolderPrefix {
  kBase,
  kWindows,
  kSystem,
  kStartup,
  kDesktop,
  kPrograms,
  kAppData,
  kCommonDesktop,
  kCommonPrograms,
  kCommonStartup,
  kCommonAppData,
  kLocalAppData
};

// The prefixes a file entry can begin with, as its upper-cased line must read. The shell
// folders' prefixes are known in deletion sections only; the user's own folders are perUser.
// Each ends at its only "\", so none begins another and their order does not decide a match.
struct FolderPrefixRow {
  const char* text;
  FolderPrefix prefix;
  bool shellFolder;
  bool perUser;
};
inline constexpr FolderPrefixRow kFolderPrefixes[] = {{"WINDIR\\", FolderPrefix::kWindows, false, false},
                                                      {"SYSDIR\\", FolderPrefix::kSystem, false, false},
                                                      {"STARTUP\\", FolderPrefix::kStartup, true, true},
                                                      {"DESKTOP\\", FolderPrefix::kDesktop, true, true},
                                                      {"PROGRAMS\\", FolderPrefix::kPrograms, true, true},
                                                      {"APPDATA\\", FolderPrefix::kAppData, true, true},
                                                      {"COMMON_DESKTOP\\", FolderPrefix::kCommonDesktop, true, false},
                                                      {"COMMON_PROGRAMS\\", FolderPrefix::kCommonPrograms, true, false},
                                                      {"COMMON_STARTUP\\", FolderPrefix::kCommonStartup, true, false},
                                                      {"COMMON_APPDATA\\", FolderPrefix::kCommonAppData, true, false},
                                                      {"LOCALAPPDATA\\", FolderPrefix::kLocalAppData, true, true}};
// The prefix names a folder of the user who runs the uninstall.
bool IsUserFolder(FolderPrefix prefix);
// The prefix names a folder of the machine shared by all users (COMMON_DESKTOP\, ...).
bool IsCommonFolder(FolderPrefix prefix);

// The prefix as written ("WINDIR\"); "" for the base folder, which has none.
const char* PrefixText(FolderPrefix prefix);

struct FileEntry {
  FolderPrefix prefix = FolderPrefix::kBase;
  std::string name;  // the rest of the entry after its prefix
};

// Splits an upper-cased entry into its prefix and the rest. Renaming knows only the Windows and
// system folder prefixes; deletion knows the user's folders too (Startup, desktop, Start menu programs,
// application data, local application data) and the machine's (the common ones).
FileEntry ParseFileEntry(const std::string& upperLine, bool withShellFolders);

// True when the entry's last name is empty once the trailing blanks and dots that the system
// ignores are dropped ("", "sub\", "sub/", " ", ".", ".."): such an entry names a folder, never a file.
bool NamesNoFile(const std::string& name, const LeadByteTable& lead);

// The folder a prefix stands for, ending in "\"; nothing when the system cannot tell where that
// folder is (a file of the entry's name elsewhere is never the product's).
std::optional<std::string> PrefixFolder(Platform& platform, FolderPrefix prefix, const std::string& baseFolder);

// "[deletefile]": an entry that lowers the use count Windows keeps for a shared file, a file entry
// after the keyword; the file goes only when no other program uses it any more.
inline constexpr char kSharedKeyword[] = "SHARED=";
// Where Windows keeps those counts, below HKEY_LOCAL_MACHINE: a REG_DWORD value for each shared
// file, named by the file's full path.
inline constexpr char kSharedFilesKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
// The file entry of an upper-cased "SHARED=" line; nothing for any other line.
std::optional<FileEntry> ParseSharedEntry(const std::string& upperLine);

}  // namespace qv
