#include "script/locations.h"

#include "system/registry_accessor.h"

namespace qv {

namespace {

std::optional<std::string> Found(const std::string& folder) {
  // "" (no Shell Folders key) and "\" alone (no value, or no folder reported) name no folder.
  if (folder.empty() || folder == "\\") return std::nullopt;
  return folder;
}

}  // namespace

std::string WindowsFolder(Platform& platform) { return platform.GetWindowsDirectoryA() + "\\"; }

std::string SystemFolder(Platform& platform) { return platform.GetSystemDirectoryA() + "\\"; }

std::string ShellFolder(Platform& platform, int index) {
  return ShellFolderValue(platform, kHkeyCurrentUser, kShellFolderNames[index]);
}

std::string ShellFolderValue(Platform& platform, RegistryRoot root, const char* name) {
  RegistryAccessor registry(platform);
  registry.SelectRoot(root);
  if (!registry.OpenPath(kShellFoldersKey, false)) return {};
  return registry.ReadStringValue(name) + "\\";
}

RegistryRoot RootFromAbbreviation(Platform& platform, const std::string& text) {
  const std::string upper = platform.CharUpperBuffA(text);
  for (const RegistryRootRow& row : kRegistryRoots)
    if (upper == row.abbreviation) return row.root;
  return kInvalidRoot;
}

KeyEntry ParseKeyEntry(const std::string& text) {
  const std::size_t slash = text.find('\\');
  if (slash == std::string::npos) return {};
  return {text.substr(0, slash), text.substr(slash)};
}

FileEntry ParseFileEntry(const std::string& upperLine, bool withShellFolders) {
  for (const FolderPrefixRow& row : kFolderPrefixes) {
    if (row.shellFolder && !withShellFolders) continue;
    if (std::optional<std::string> rest = AfterPrefix(upperLine, row.text)) return {row.prefix, *rest};
  }
  return {FolderPrefix::kBase, upperLine};
}

const char* PrefixText(FolderPrefix prefix) {
  for (const FolderPrefixRow& row : kFolderPrefixes)
    if (row.prefix == prefix) return row.text;
  return "";
}

bool IsUserFolder(FolderPrefix prefix) {
  for (const FolderPrefixRow& row : kFolderPrefixes)
    if (row.prefix == prefix) return row.perUser;
  return false;
}

bool IsCommonFolder(FolderPrefix prefix) {
  for (const FolderPrefixRow& row : kFolderPrefixes)
    if (row.prefix == prefix) return row.shellFolder && !row.perUser;
  return false;
}

bool NamesNoFile(const std::string& name, const LeadByteTable& lead) {
  // The system reads "/" as "\": a name that ends in one names a folder too.
  const std::size_t last = LastDelimiter(name, "\\/:", lead);
  return WithoutTrailingBlanksAndDots(last == std::string::npos ? name : name.substr(last + 1)).empty();
}

std::optional<std::string> PrefixFolder(Platform& platform, FolderPrefix prefix, const std::string& baseFolder) {
  switch (prefix) {
    case FolderPrefix::kWindows:
      return Found(WindowsFolder(platform));
    case FolderPrefix::kSystem:
      return Found(SystemFolder(platform));
    case FolderPrefix::kStartup:
      return Found(ShellFolder(platform, kShellFolderStartup));
    case FolderPrefix::kDesktop:
      return Found(ShellFolder(platform, kShellFolderDesktop));
    case FolderPrefix::kPrograms:
      return Found(ShellFolder(platform, kShellFolderPrograms));
    case FolderPrefix::kAppData:
      return Found(ShellFolder(platform, kShellFolderAppData));
    case FolderPrefix::kLocalAppData:
      return Found(ShellFolderValue(platform, kHkeyCurrentUser, kLocalAppDataName));
    case FolderPrefix::kCommonDesktop:
    case FolderPrefix::kCommonPrograms:
    case FolderPrefix::kCommonStartup:
    case FolderPrefix::kCommonAppData: {
      const int common = static_cast<int>(prefix) - static_cast<int>(FolderPrefix::kCommonDesktop);
      return Found(ShellFolderValue(platform, kHkeyLocalMachine, kCommonFolderNames[common]));
    }
    case FolderPrefix::kBase:
      break;
  }
  return baseFolder;
}

std::optional<FileEntry> ParseSharedEntry(const std::string& upperLine) {
  const std::optional<std::string> rest = AfterPrefix(upperLine, kSharedKeyword);
  if (!rest) return std::nullopt;
  return ParseFileEntry(*rest, /*withShellFolders=*/true);
}

}  // namespace qv
