#include "posix/installed_system.h"

#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/stat.h>

#include "memory/memory_code_pages.h"
#include "script/locations.h"

namespace qv {

namespace {

constexpr char kProfile[] = "C:\\Users\\User";
constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::uint32_t kUtf8 = 65001;
constexpr int kMaxDepth = 64;  // deeper than any product; a loop of links ends here
constexpr std::uint64_t kUnixEpochInFileTime = 116444736000000000ull;

struct NamedFolder {
  const char* name;
  std::string folder;
};

struct FolderCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// The Shell Folders values of a fresh Windows: the user's, then the machine's.
std::vector<NamedFolder> UserFolders() {
  const std::string profile = kProfile;
  const std::string roaming = profile + "\\AppData\\Roaming";
  const std::string startMenu = roaming + "\\Microsoft\\Windows\\Start Menu";
  return {{"Desktop", profile + "\\Desktop"},
          {"Favorites", profile + "\\Favorites"},
          {"Fonts", "C:\\WINDOWS\\Fonts"},
          {"NetHood", roaming + "\\Microsoft\\Windows\\Network Shortcuts"},
          {"Personal", profile + "\\Documents"},
          {"Programs", startMenu + "\\Programs"},
          {"Recent", roaming + "\\Microsoft\\Windows\\Recent"},
          {"SendTo", roaming + "\\Microsoft\\Windows\\SendTo"},
          {"Start Menu", startMenu},
          {"Startup", startMenu + "\\Programs\\Startup"},
          {"Templates", roaming + "\\Microsoft\\Windows\\Templates"},
          {"AppData", roaming},
          {kLocalAppDataName, profile + "\\AppData\\Local"}};
}

std::vector<NamedFolder> CommonFolders() {
  const std::string startMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  return {{kCommonFolderNames[0], "C:\\Users\\Public\\Desktop"},
          {kCommonFolderNames[1], startMenu + "\\Programs"},
          {kCommonFolderNames[2], startMenu + "\\Programs\\Startup"},
          {kCommonFolderNames[3], "C:\\ProgramData"}};
}

std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return bytes;
}

void CopyFolder(MemoryPlatform& system, const std::string& linuxFolder, const std::string& windowsFolder,
                const std::string& scriptPath, int depth, std::vector<std::string>& notes) {
  const std::unique_ptr<DIR, FolderCloser> dir(opendir(linuxFolder.c_str()));
  if (!dir) {
    notes.push_back(linuxFolder + ": a folder that cannot be read; left out");
    return;
  }
  system.AddFolder(windowsFolder);
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string linuxPath = linuxFolder + "/" + name;
    const std::optional<std::u16string> wide = DecodeCodePage(kUtf8, name);
    if (!wide) {
      notes.push_back(linuxPath + ": a name that is not UTF-8; left out");
      continue;
    }
    if (!EncodeCodePage(932, *wide))
      notes.push_back(linuxPath + ": a name with no code page 932 form; there, as Windows holds such a name");
    const std::string windowsPath = windowsFolder + MemoryPlatform::Stored(*wide);
    struct stat info {};
    if (stat(linuxPath.c_str(), &info) != 0) {
      notes.push_back(linuxPath + ": cannot be read; left out");
    } else if (S_ISDIR(info.st_mode)) {
      if (depth < kMaxDepth) CopyFolder(system, linuxPath, windowsPath + "\\", scriptPath, depth + 1, notes);
    } else {
      std::string bytes;
      if (system.CharUpperBuffA(windowsPath) == system.CharUpperBuffA(scriptPath)) {
        std::optional<std::string> read = ReadBytes(linuxPath);
        if (!read) notes.push_back(linuxPath + ": cannot be read; there, empty");
        bytes = read.value_or("");
      }
      MemoryFile& file = system.AddFile(windowsPath, bytes);
      if (info.st_mtime > 0)
        file.lastWriteTime = kUnixEpochInFileTime + static_cast<std::uint64_t>(info.st_mtime) * 10000000u;
    }
  }
}

}  // namespace

void SeedWindows(MemoryPlatform& system) {
  // The Windows folder the registry names, as Windows keeps it.
  if (const MemoryKey* key = system.FindKey(kHkeyLocalMachine, kCurrentVersionKey)) {
    const auto root = key->values.find("SYSTEMROOT");
    const std::string folder =
        root == key->values.end() ? std::string() : root->second.data.substr(0, root->second.data.find('\0'));
    if (folder.size() > 3 && folder[1] == ':' && folder[2] == '\\' && folder.back() != '\\') {
      system.windowsFolder = folder;
      system.systemFolder = folder + "\\system32";
      system.AddFolder(system.systemFolder);
    }
  }
  system.moduleFileName = system.windowsFolder + "\\QvUninst.exe";
  system.userName = "User";
  system.environment = {{"SYSTEMDRIVE", "C:"},
                        {"SYSTEMROOT", system.windowsFolder},
                        {"WINDIR", system.windowsFolder},
                        {"PROGRAMFILES", "C:\\Program Files"},
                        {"PROGRAMDATA", "C:\\ProgramData"},
                        {"ALLUSERSPROFILE", "C:\\ProgramData"},
                        {"USERPROFILE", kProfile},
                        {"APPDATA", std::string(kProfile) + "\\AppData\\Roaming"},
                        {"LOCALAPPDATA", std::string(kProfile) + "\\AppData\\Local"},
                        {"TEMP", std::string(kProfile) + "\\AppData\\Local\\Temp"},
                        {"TMP", std::string(kProfile) + "\\AppData\\Local\\Temp"}};
  // The shell folders the exports left out.
  const std::string key = kShellFoldersKey + 1;  // without its first "\"
  for (const auto& [root, folders] :
       {std::pair{kHkeyCurrentUser, UserFolders()}, {kHkeyLocalMachine, CommonFolders()}}) {
    const MemoryKey* exported = system.FindKey(root, key);
    for (const NamedFolder& folder : folders)
      if (!exported || !exported->values.count(system.CharUpperBuffA(folder.name)))
        system.SetValue(root, key, folder.name, folder.folder + std::string(1, '\0'));
  }
  system.AddFolder("C:\\Program Files");
  system.AddFolder(std::string(kProfile) + "\\AppData\\Local\\Temp");
}

std::vector<std::string> CopyTree(MemoryPlatform& system, const std::string& linuxFolder,
                                  const std::string& windowsFolder, const std::string& scriptPath) {
  std::vector<std::string> notes;
  CopyFolder(system, linuxFolder, windowsFolder, scriptPath, 0, notes);
  return notes;
}

void AddShellFolders(MemoryPlatform& system) {
  for (RegistryRoot root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
    const MemoryKey* key = system.FindKey(root, kShellFoldersKey + 1);
    if (!key) continue;
    for (const auto& [upper, value] : key->values) {
      const std::string folder = value.data.substr(0, value.data.find('\0'));
      if (folder.size() > 3 && folder[1] == ':' && folder[2] == '\\') system.AddFolder(folder);
    }
  }
}

std::optional<std::string> Cp932FromUtf8(const std::string& text) {
  if (text.empty()) return std::string();
  const std::optional<std::u16string> wide = DecodeCodePage(kUtf8, text);
  if (!wide) return std::nullopt;
  return EncodeCodePage(932, *wide);
}

}  // namespace qv
