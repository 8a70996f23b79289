#include "guard/guard.h"

#include <vector>

#include "guard/list_evidence.h"
#include "guard/protected_keys.h"
#include "guard/protected_values.h"
#include "system/registry_roots.h"

namespace qv {

namespace {

// A name of dots and blanks only: "", ".", " .", "..", "... ".
bool OnlyDotsAndBlanks(const std::string& name) { return WithoutTrailingBlanksAndDots(name).empty(); }

// The reason as a maker reads it: after "protected as" for a key ("a class registration
// container"), after "the run never removes" for a folder.
std::string ReasonText(const Refusal& refusal) {
  switch (refusal.reason) {
    case Reason::kRootsAndHives:
      return "a root or a user's whole hive";
    case Reason::kProductFolders:
      return "one of the folders that hold every product's keys";
    case Reason::kClassContainers:
      return "a class registration container";
    case Reason::kSharedClasses:
      return "one of the shell's shared classes or Windows' own file types, classes and protocols";
    case Reason::kMicrosoft:
      return "a key of Software\\Microsoft, which Windows and Microsoft's products own";
    case Reason::kPolicies:
      return "a key of the policies";
    case Reason::kSharedLists:
      return "one of the lists where every program registers itself";
    case Reason::kSystem:
      return "a key of the system";
    case Reason::kUserSettings:
      return "one of the user's own settings";
    case Reason::kWindowsValue:
      return "one of Windows' own values";
    case Reason::kProductFolder:
      return "the product's folder through an entry (each [deletefile] section without SAVEFOLDER removes it at "
             "its end)";
    case Reason::kPrefixFolder:
      return std::string("the folder of ") + PrefixText(refusal.prefix) + " itself";
    case Reason::kParent:
      return "a folder named with ..";
    case Reason::kWindowsFile:
      return "one of Windows' own files (its maker is " + refusal.maker + ")";
    case Reason::kForeignFile:
      return "a registration of " + refusal.file + ", which is not the product's";
    case Reason::kUnreadCount:
      return "a shared file whose use count in SharedDLLs is no REG_DWORD, so it is kept";
    case Reason::kDriveRoot:
      break;
  }
  return "a drive's root";
}

std::string RootName(RegistryRoot root) {
  const RegistryRootRow* row = FindRoot(root);
  return row ? row->name : "no root";
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A key as the plan and the log name it: the root's short name, then the path.
std::string ShortKey(const Refusal& refusal) {
  const RegistryRootRow* row = FindRoot(refusal.root);
  return Quoted((row ? row->shortName : "no root") + refusal.thing);
}

// What a refused entry names, in the plan's and the log's words.
std::string NamedThing(const Refusal& refusal) {
  switch (refusal.family) {
    case Family::kKey:
      return "the key " + ShortKey(refusal);
    case Family::kValue:
      return (refusal.value.empty() ? "the default value" : "the value " + Quoted(refusal.value)) + " of " +
             ShortKey(refusal);
    case Family::kFile:
      return Quoted(refusal.thing);
    case Family::kFolderEntry:
    case Family::kFileEntry:
    case Family::kFolder:
      break;
  }
  return Quoted(refusal.thing);
}

// A value of a registration list that registers a file not the product's.
std::optional<Refusal> ListValueRefusal(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                        const std::string& path, const std::string& valueName, const Product& product) {
  const std::optional<std::string> file = ListValueFile(platform, lead, root, path, valueName);
  if (!file || IsProductFile(platform, lead, product, *file)) return std::nullopt;
  Refusal refusal{Family::kValue, Reason::kForeignFile, path, root};
  refusal.file = platform.CharUpperBuffA(*file);
  refusal.value = valueName;
  return refusal;
}

}  // namespace

std::optional<Refusal> KeyRefusal(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                  const std::string& path, const Product& product) {
  const KeyJudgement judgement = JudgeKey(platform, lead, root, path);
  if (judgement.family) return Refusal{Family::kKey, *judgement.family, path, root};
  if (!judgement.listPattern) return std::nullopt;
  const std::optional<std::string> file =
      ListEntryFile(platform, lead, root, judgement.entryPath, judgement.listPattern);
  if (!file || IsProductFile(platform, lead, product, *file)) return std::nullopt;
  Refusal refusal{Family::kKey, Reason::kForeignFile, path, root};
  refusal.file = platform.CharUpperBuffA(*file);
  return refusal;
}

bool IsProtectedKey(Platform& platform, const LeadByteTable& lead, RegistryRoot root, const std::string& path,
                    const Product& product) {
  return KeyRefusal(platform, lead, root, path, product).has_value();
}

std::optional<Refusal> ValueRefusal(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                    const std::string& path, const std::string& valueName, const Product& product) {
  Refusal refusal{Family::kValue, Reason::kWindowsValue, path, root};
  refusal.value = valueName;
  const std::optional<KeyPlace> place = ReadKeyPlace(platform, lead, root, path);
  if (place && IsWindowsValue(*place, platform.CharUpperBuffA(valueName))) return refusal;
  if (place && IsValueList(*place)) return ListValueRefusal(platform, lead, root, path, valueName, product);
  const std::optional<Refusal> key = KeyRefusal(platform, lead, root, path, product);
  if (!key) return std::nullopt;
  refusal.reason = key->reason;
  refusal.file = key->file;
  return refusal;
}

std::optional<Refusal> FolderEntryRefusal(const FileEntry& entry, const LeadByteTable& lead) {
  bool named = false;
  for (const std::string& name : SplitPathNames(entry.name, "\\", lead)) {
    if (name.find("..") != std::string::npos && OnlyDotsAndBlanks(name))
      return Refusal{Family::kFolderEntry, Reason::kParent, entry.name, 0, entry.prefix};
    named = named || !OnlyDotsAndBlanks(name);
  }
  if (named) return std::nullopt;
  const Reason reason = entry.prefix == FolderPrefix::kBase ? Reason::kProductFolder : Reason::kPrefixFolder;
  return Refusal{Family::kFolderEntry, reason, entry.name, 0, entry.prefix};
}

std::optional<Refusal> FileEntryRefusal(const FileEntry& /*entry*/, const LeadByteTable& /*lead*/) {
  return std::nullopt;
}

std::optional<Refusal> FolderRefusal(const std::string& path, const LeadByteTable& lead) {
  const std::vector<std::string> names = SplitPathNames(path, "\\", lead);
  // A share's root ("\\server\share\"), or a drive's ("\", "C:\").
  const bool root = path.compare(0, 2, "\\\\") == 0
                        ? names.size() <= 2
                        : names.empty() || (names.size() == 1 && names[0].size() == 2 && names[0][1] == ':');
  if (!root) return std::nullopt;
  return Refusal{Family::kFolder, Reason::kDriveRoot, path};
}

std::string RefusalText(const Refusal& refusal) {
  if (refusal.reason == Reason::kForeignFile) {
    const std::string key = "the key " + RootName(refusal.root) + refusal.thing;
    if (refusal.family == Family::kValue)
      return (refusal.value.empty() ? "the default value" : "the value " + refusal.value) + " of " + key +
             " is protected: it or its key registers " + refusal.file +
             ", which is not the product's; the run passes over it; name only your product's own registrations";
    return key + " registers " + refusal.file +
           ", which is not the product's: the run passes over it; name only your product's own registrations";
  }
  if (refusal.family == Family::kKey)
    return "the key " + RootName(refusal.root) + refusal.thing + " is protected as " + ReasonText(refusal) +
           ": the run passes over it; name only your product's own keys";
  if (refusal.family == Family::kFile)
    return "'" + refusal.thing + "' is " + ReasonText(refusal) +
           ": the run never deletes it nor renames over it, and passes over this line";
  if (refusal.family == Family::kValue)
    return (refusal.value.empty() ? "the default value" : "the value " + refusal.value) + " of the key " +
           RootName(refusal.root) + refusal.thing + " is protected as " +
           (refusal.reason == Reason::kWindowsValue ? "" : "a value of ") + ReasonText(refusal) +
           ": the run passes over it; name only your product's own values";
  return "the run never removes " + ReasonText(refusal) + ": it passes over this line";
}

std::string RefusalNote(const std::string& line, const Refusal& refusal) {
  const std::string entry = "the entry " + Quoted(line) + " names " + NamedThing(refusal);
  if (refusal.reason == Reason::kForeignFile)
    return entry + ", which registers " + refusal.file + ", not the product's: passed over";
  if (refusal.family == Family::kFile) return entry + ", " + ReasonText(refusal) + ": passed over";
  if (refusal.family == Family::kKey || refusal.family == Family::kValue)
    return entry + ", protected as " +
           (refusal.family == Family::kValue && refusal.reason != Reason::kWindowsValue ? "a value of " : "") +
           ReasonText(refusal) + ": passed over";
  return "the entry " + Quoted(line) + ": the run never removes " + ReasonText(refusal) + ": passed over";
}

}  // namespace qv
