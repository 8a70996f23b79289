#include "sections/entries.h"

#include <string_view>

namespace qv {

namespace {

// Cleanup entries with a fixed folder: keyword, root, and the folder its name is appended to.
struct CleanupRow {
  const char* keyword;
  RegistryRoot root;
  const char* folder;
};
constexpr CleanupRow kCleanupRows[] = {
    {"UNINST=", kHkeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"},
    {"QUORVEL=", kHkeyCurrentUser, "\\Software\\Quorvel\\"},
    {"INST=", kHkeyCurrentUser, "\\Software\\Vask\\"},
};

}  // namespace

std::string SessionMutexName(const std::string& name) {
  constexpr std::string_view kLocal = "Local\\";
  return name.compare(0, kLocal.size(), kLocal) == 0 ? name.substr(kLocal.size()) : name;
}

std::optional<CleanupTarget> CleanupTargetOf(Platform& platform, const std::string& upperLine) {
  for (const CleanupRow& row : kCleanupRows)
    if (std::optional<std::string> name = AfterPrefix(upperLine, row.keyword))
      return CleanupTarget{row.root, row.folder + *name};
  const std::optional<std::string> key = AfterPrefix(upperLine, kKeyKeyword);
  if (!key) return std::nullopt;
  const KeyEntry entry = ParseKeyEntry(*key);
  return CleanupTarget{RootFromAbbreviation(platform, entry.abbreviation), entry.path};
}

std::vector<std::string> CleanupKeywords() {
  std::vector<std::string> keywords;
  for (const CleanupRow& row : kCleanupRows) keywords.push_back(row.keyword);
  keywords.push_back(kKeyKeyword);
  return keywords;
}

ValueEntry ParseValueEntry(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return {std::string(), text};
  return {text.substr(0, comma), text.substr(comma + 1)};
}

RenameEntry ParseRenameEntry(const std::string& upperLine) {
  const FileEntry entry = ParseFileEntry(upperLine, /*withShellFolders=*/false);
  RenameEntry rename;
  rename.prefix = entry.prefix;
  const std::size_t comma = entry.name.find(',');
  if (comma == std::string::npos) return rename;
  rename.hasComma = true;
  rename.oldName = entry.name.substr(0, comma);
  rename.newName = entry.name.substr(comma + 1);
  return rename;
}

bool RenamesFiles(const RenameEntry& entry, const LeadByteTable& lead) {
  return entry.hasComma && !NamesNoFile(entry.oldName, lead) && !NamesNoFile(entry.newName, lead);
}

}  // namespace qv
