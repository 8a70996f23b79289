// How each section reads its entries. The handlers that carry the entries out and the script
// checker that judges them both read them here, so the two cannot disagree. What the run refuses of
// them the guard judges (guard/guard.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "guard/guard.h"
#include "script/locations.h"
#include "seam/platform.h"

namespace qv {

// "[execution]"
inline constexpr char kMutexKeyword[] = "MUTEX=";
inline constexpr char kAppNameKeyword[] = "APPNAME=";
// The name a mutex has in the session's own namespace: "Local\X" (so written) and "X" name the
// same mutex.
std::string SessionMutexName(const std::string& name);

// "[deletereg]": the key an upper-cased entry names. The first keyword that matches decides;
// nothing for a line that is no entry.
struct CleanupTarget {
  enum class Kind {
    kKey,             // the key with everything below it
    kUninstallEntry,  // the same, for the product's entry in the list of installed programs
    kValue,           // one value of the key; the key stays
    kPath,            // the product's folders in the environment's Path value of the key
    kService,         // a service, stopped and removed; judged by its key below Services
  };
  Kind kind = Kind::kKey;
  RegistryRoot root;
  std::string path;           // from the root, starting with "\"
  std::string valueName;      // a value entry's value: after the first ","; empty for the default value
  bool hasValueName = false;  // a value entry has its ","
};
inline constexpr char kValueKeyword[] = "VALUE=";
// "PATH=HCU" (the user's environment) or "PATH=HLM" (the machine's): its key and the value "Path";
// any other text after "=" gives the invalid root, and the run does nothing.
inline constexpr char kPathKeyword[] = "PATH=";
inline constexpr char kPathValueName[] = "Path";
inline constexpr char kServiceKeyword[] = "SERVICE=";
// The key of a service's entry in the machine's list of services, from the root.
inline constexpr char kServicesFolder[] = "\\SYSTEM\\CurrentControlSet\\Services\\";
std::optional<CleanupTarget> CleanupTargetOf(Platform& platform, const std::string& upperLine);
// A value entry is carried out only with a root, a key below it and its ",".
bool IsCompleteValueEntry(const CleanupTarget& target);
// The keywords of those entries, in the order they are tried.
std::vector<std::string> CleanupKeywords();

// "[createreg]"
inline constexpr char kKeyKeyword[] = "KEY=";
inline constexpr char kStringKeyword[] = "STRING=";
// A value entry after its keyword: the name before the first ",", the data after it; without a
// comma the whole text is the data of the key's default value.
struct ValueEntry {
  std::string name;
  std::string data;
};
ValueEntry ParseValueEntry(const std::string& text);

// "[renamefile]": an upper-cased entry, old and new name split at the first ","; further
// commas belong to the new name.
struct RenameEntry {
  FolderPrefix prefix = FolderPrefix::kBase;
  bool hasComma = false;
  std::string oldName;
  std::string newName;
};
RenameEntry ParseRenameEntry(const std::string& upperLine);
// Both names name a file. Otherwise the request would move a folder itself: it is passed over.
bool RenamesFiles(const RenameEntry& entry, const LeadByteTable& lead);
// The guard's refusal of the old name or, failing that, of the new one.
std::optional<Refusal> RenameRefusal(const RenameEntry& entry, const LeadByteTable& lead);

// "[deletefile]": the line that keeps the product's folder.
inline constexpr char kSaveFolder[] = "SAVEFOLDER";
// An entry (the whole line) that ends with "\" names a folder, removed at the end of its section
// when it is empty.
bool IsFolderEntry(const std::string& line, const LeadByteTable& lead);
// How deep a path lies: the number of its names, a double-byte character kept whole.
int FolderDepth(const std::string& path, const LeadByteTable& lead);

}  // namespace qv
