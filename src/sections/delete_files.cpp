#include <optional>

#include "script/locations.h"
#include "sections/entries.h"
#include "sections/sections.h"

namespace qv {

namespace {

// The entry's full path, resolved afresh on every call; nothing when the entry names no file.
std::optional<std::string> ResolveEntry(RunContext& run, const FileEntry& entry) {
  std::optional<std::string> folder = PrefixFolder(run.platform, entry.prefix, run.baseFolder);
  if (!folder) return std::nullopt;
  return *folder + entry.name;
}

}  // namespace

void DeleteFiles(RunContext& run, const ScriptFile& script, const Section& section) {
  Platform& platform = run.platform;
  bool keepFolder = false;
  ForEachBodyLine(script, section, [&](const std::string& line, int index) {
    const std::string upper = platform.CharUpperBuffA(line);
    if (upper == kSaveFolder) {
      keepFolder = true;
      return;
    }
    const FileEntry entry = ParseFileEntry(upper, /*withShellFolders=*/true);
    // An entry without a file name would name a folder (the product's, the Windows folder, the
    // desktop, a parent): its attributes are not for us to clear. It is passed over.
    if (NamesNoFile(entry.name, run.system.leadBytes))
      return run.observer.EntryPassedOver({PassedOver::Why::kNoFile, index, line});
    // Attributes are cleared first, so read-only, hidden and system files are deleted too.
    // Results are not looked at: a missing or busy file is passed over.
    if (std::optional<std::string> path = ResolveEntry(run, entry)) platform.SetFileAttributesA(*path, 0);
    if (std::optional<std::string> path = ResolveEntry(run, entry))
      platform.DeleteFileA(*path);
    else
      run.observer.EntryPassedOver({PassedOver::Why::kNoFolder, index, line});
  });
  if (!keepFolder) {
    // Once removed, the folder stays removed: a later section's failed attempt does not bring
    // back the report that files remain.
    const bool removed = platform.RemoveDirectoryA(run.baseFolder);
    run.state.folderRemoved = run.state.folderRemoved || removed;
  }
}

}  // namespace qv
