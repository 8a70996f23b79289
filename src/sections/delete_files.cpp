#include <algorithm>
#include <optional>

#include "guard/file_guard.h"
#include "guard/guard.h"
#include "script/locations.h"
#include "sections/entries.h"
#include "sections/sections.h"
#include "sections/shared_files.h"
#include "system/files.h"

namespace qv {

namespace {

// The entry's full path, resolved afresh on every call; nothing when the entry names no file.
std::optional<std::string> ResolveEntry(RunContext& run, const FileEntry& entry) {
  std::optional<std::string> folder = PrefixFolder(run.platform, entry.prefix, run.baseFolder);
  if (!folder) return std::nullopt;
  return *folder + entry.name;
}

// A file that is there but cannot be deleted now (another program holds it, or it may not be
// deleted while in use) is left to the next start of Windows. When that cannot be arranged
// either, it stays, as any file that cannot be deleted.
void LeaveFileToRestart(RunContext& run, const std::string& path) {
  if (HasWildcard(path) || !FileExists(run.platform, path)) return;
  if (run.platform.MoveFileExA(path, win::kMoveFileDelayUntilReboot))
    run.state.leftToRestart.push_back(run.platform.CharUpperBuffA(path));
}

// Paths compare upper-cased: what is left holds the entry's upper-cased name, the system gives
// the name as it is written on disk.
bool IsLeftToRestart(RunContext& run, const std::string& path) {
  const std::vector<std::string>& left = run.state.leftToRestart;
  return std::find(left.begin(), left.end(), run.platform.CharUpperBuffA(path)) != left.end();
}

// A folder that could not be removed only because it holds what is left to the restart (files,
// and folders that are left too) is left to the restart after them; true when it was.
// Only a folder written with its final "\\" is looked at (a base folder that ends with ":" names
// a drive's current folder), and never a drive's root.
bool LeaveFolderToRestart(RunContext& run, const std::string& folder) {
  const LeadByteTable& lead = run.system.leadBytes;
  if (run.state.leftToRestart.empty() || HasWildcard(folder) || !IsFolderEntry(folder, lead) ||
      FolderRefusal(folder, lead))
    return false;
  bool holdsAny = false;
  for (const FoundFile& found : run.platform.FindFilesA(folder + "*")) {
    if (found.name == "." || found.name == "..") continue;
    if (!IsLeftToRestart(run, folder + found.name)) return false;
    holdsAny = true;
  }
  const std::string path = folder.substr(0, folder.size() - 1);
  if (!holdsAny || !run.platform.MoveFileExA(path, win::kMoveFileDelayUntilReboot)) return false;
  run.state.leftToRestart.push_back(run.platform.CharUpperBuffA(path));
  return true;
}

// The folders that the section's folder entries name, each removed when it is empty, the
// deepest first; a folder that holds only what is left to the restart is left to it as well.
void RemoveFolders(RunContext& run, std::vector<std::string> folders) {
  std::stable_sort(folders.begin(), folders.end(), [&](const std::string& a, const std::string& b) {
    return FolderDepth(a, run.system.leadBytes) > FolderDepth(b, run.system.leadBytes);
  });
  for (const std::string& folder : folders)
    if (!run.platform.RemoveDirectoryA(folder)) LeaveFolderToRestart(run, folder);
}

// A folder entry: its attributes are cleared now; the folder is kept for removal at the section's
// end. The product's folder, a prefix's folder, a drive's root and a way up are never removed.
void TakeFolderEntry(RunContext& run, const FileEntry& entry, const std::string& line, int index,
                     std::vector<std::string>& folders) {
  const LeadByteTable& lead = run.system.leadBytes;
  if (const std::optional<Refusal> refusal = FolderEntryRefusal(entry, lead))
    return run.observer.EntryPassedOver({*refusal, index, line});
  std::optional<std::string> path = ResolveEntry(run, entry);
  if (!path) return run.observer.EntryPassedOver({PassedOver::Why::kNoFolder, index, line});
  if (const std::optional<Refusal> refusal = FolderRefusal(*path, lead))
    return run.observer.EntryPassedOver({*refusal, index, line});
  run.platform.SetFileAttributesA(*path, 0);
  if ((path = ResolveEntry(run, entry))) folders.push_back(*path);
}

// The file at the full path, as the run is about to touch it, is one of Windows' own: the entry
// is passed over.
bool RefusedFile(RunContext& run, const std::string& path, const std::string& line, int index) {
  const std::optional<Refusal> refusal = FileRefusal(run.platform, run.system.leadBytes, run.baseFolder, path);
  if (refusal) run.observer.EntryPassedOver({*refusal, index, line});
  return refusal.has_value();
}

// A file entry: attributes are cleared first, so read-only, hidden and system files are deleted
// too. A missing file is passed over; one that is there but cannot be deleted is left to the restart.
// A shared file's use count is lowered first; the file goes only when no program uses it any more.
void TakeFileEntry(RunContext& run, const FileEntry& entry, const std::string& line, int index, bool shared) {
  // An entry without a file name would name a folder (the product's, the Windows folder, the
  // desktop, a parent): its attributes are not for us to clear. It is passed over.
  if (NamesNoFile(entry.name, run.system.leadBytes))
    return run.observer.EntryPassedOver({PassedOver::Why::kNoFile, index, line});
  if (const std::optional<Refusal> refusal = FileEntryRefusal(entry, run.system.leadBytes))
    return run.observer.EntryPassedOver({*refusal, index, line});
  if (std::optional<std::string> path = ResolveEntry(run, entry)) {
    if (RefusedFile(run, *path, line, index)) return;
    if (shared && !ReleaseSharedFile(run, *path, line, index)) return;
    run.platform.SetFileAttributesA(*path, 0);
  }
  if (std::optional<std::string> path = ResolveEntry(run, entry)) {
    if (RefusedFile(run, *path, line, index)) return;
    if (!run.platform.DeleteFileA(*path)) LeaveFileToRestart(run, *path);
  } else {
    run.observer.EntryPassedOver({PassedOver::Why::kNoFolder, index, line});
  }
}

}  // namespace

void DeleteFiles(RunContext& run, const ScriptFile& script, const Section& section) {
  Platform& platform = run.platform;
  bool keepFolder = false;
  std::vector<std::string> folders;
  ForEachBodyLine(script, section, [&](const std::string& line, int index) {
    const std::string upper = platform.CharUpperBuffA(line);
    if (upper == kSaveFolder) {
      keepFolder = true;
      return;
    }
    if (const std::optional<FileEntry> shared = ParseSharedEntry(upper))
      return TakeFileEntry(run, *shared, line, index, /*shared=*/true);
    const FileEntry entry = ParseFileEntry(upper, /*withShellFolders=*/true);
    if (IsFolderEntry(upper, run.system.leadBytes))
      TakeFolderEntry(run, entry, line, index, folders);
    else
      TakeFileEntry(run, entry, line, index, /*shared=*/false);
  });
  RemoveFolders(run, std::move(folders));
  if (!keepFolder) {
    // Once removed, the folder stays removed: a later section's failed attempt does not bring
    // back the report that files remain.
    const bool removed = platform.RemoveDirectoryA(run.baseFolder) || LeaveFolderToRestart(run, run.baseFolder);
    run.state.folderRemoved = run.state.folderRemoved || removed;
  }
}

}  // namespace qv
