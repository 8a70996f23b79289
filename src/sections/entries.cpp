#include "sections/entries.h"

#include <string_view>
#include <vector>

namespace qv {

namespace {

// Cleanup entries with a fixed folder: keyword, root, and the folder its name is appended to.
struct CleanupRow {
  const char* keyword;
  RegistryRoot root;
  const char* folder;
  CleanupTarget::Kind kind;
};
constexpr CleanupRow kCleanupRows[] = {
    {"UNINST=", kHkeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
     CleanupTarget::Kind::kUninstallEntry},
    {"QUORVEL=", kHkeyCurrentUser, "\\Software\\Quorvel\\", CleanupTarget::Kind::kKey},
    {"INST=", kHkeyCurrentUser, "\\Software\\Vask\\", CleanupTarget::Kind::kKey},
};

// The environments whose Path a PATH= entry names.
struct PathRow {
  const char* abbreviation;
  RegistryRoot root;
  const char* key;
};
constexpr PathRow kPathRows[] = {
    {"HCU", kHkeyCurrentUser, "\\Environment"},
    {"HLM", kHkeyLocalMachine, "\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"},
};

CleanupTarget PathTarget(const std::string& abbreviation) {
  for (const PathRow& row : kPathRows)
    if (abbreviation == row.abbreviation)
      return CleanupTarget{CleanupTarget::Kind::kPath, row.root, row.key, kPathValueName, true};
  return CleanupTarget{CleanupTarget::Kind::kPath, kInvalidRoot, {}, kPathValueName, true};
}

}  // namespace

std::string SessionMutexName(const std::string& name) {
  constexpr std::string_view kLocal = "Local\\";
  return name.compare(0, kLocal.size(), kLocal) == 0 ? name.substr(kLocal.size()) : name;
}

std::optional<CleanupTarget> CleanupTargetOf(Platform& platform, const std::string& upperLine) {
  for (const CleanupRow& row : kCleanupRows)
    if (std::optional<std::string> name = AfterPrefix(upperLine, row.keyword))
      return CleanupTarget{row.kind, row.root, row.folder + *name, {}, false};
  if (const std::optional<std::string> key = AfterPrefix(upperLine, kKeyKeyword)) {
    const KeyEntry entry = ParseKeyEntry(*key);
    return CleanupTarget{
        CleanupTarget::Kind::kKey, RootFromAbbreviation(platform, entry.abbreviation), entry.path, {}, false};
  }
  if (const std::optional<std::string> environment = AfterPrefix(upperLine, kPathKeyword))
    return PathTarget(*environment);
  if (const std::optional<std::string> service = AfterPrefix(upperLine, kServiceKeyword))
    return CleanupTarget{CleanupTarget::Kind::kService, kHkeyLocalMachine, kServicesFolder + *service, {}, false};
  const std::optional<std::string> value = AfterPrefix(upperLine, kValueKeyword);
  if (!value) return std::nullopt;
  // The key up to the first ",", the value's name after it.
  const std::size_t comma = value->find(',');
  const KeyEntry entry = ParseKeyEntry(value->substr(0, comma));
  CleanupTarget target{
      CleanupTarget::Kind::kValue, RootFromAbbreviation(platform, entry.abbreviation), entry.path, {}, false};
  if (comma != std::string::npos) {
    target.valueName = value->substr(comma + 1);
    target.hasValueName = true;
  }
  return target;
}

bool IsCompleteValueEntry(const CleanupTarget& target) {
  return target.root != kInvalidRoot && target.hasValueName && target.path.find_first_not_of('\\') != std::string::npos;
}

std::vector<std::string> CleanupKeywords() {
  std::vector<std::string> keywords;
  for (const CleanupRow& row : kCleanupRows) keywords.push_back(row.keyword);
  keywords.push_back(kKeyKeyword);
  keywords.push_back(kValueKeyword);
  keywords.push_back(kPathKeyword);
  keywords.push_back(kServiceKeyword);
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

bool IsFolderEntry(const std::string& line, const LeadByteTable& lead) {
  return !line.empty() && LastDelimiter(line, "\\", lead) == line.size() - 1;
}

int FolderDepth(const std::string& path, const LeadByteTable& lead) {
  return static_cast<int>(SplitPathNames(path, "\\", lead).size());
}

bool RenamesFiles(const RenameEntry& entry, const LeadByteTable& lead) {
  return entry.hasComma && !NamesNoFile(entry.oldName, lead) && !NamesNoFile(entry.newName, lead);
}

std::optional<Refusal> RenameRefusal(const RenameEntry& entry, const LeadByteTable& lead) {
  if (std::optional<Refusal> refusal = FileEntryRefusal({entry.prefix, entry.oldName}, lead)) return refusal;
  return FileEntryRefusal({entry.prefix, entry.newName}, lead);
}

}  // namespace qv
