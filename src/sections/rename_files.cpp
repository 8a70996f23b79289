#include <optional>

#include "guard/file_guard.h"
#include "guard/guard.h"
#include "script/locations.h"
#include "sections/entries.h"
#include "sections/sections.h"

namespace qv {

void RenameFiles(RunContext& run, const ScriptFile& script, const Section& section) {
  Platform& platform = run.platform;
  ForEachBodyLine(script, section, [&](const std::string& line, int index) {
    // The names come from the upper-cased line, so the new file's name is upper case.
    const RenameEntry entry = ParseRenameEntry(platform.CharUpperBuffA(line));
    if (!RenamesFiles(entry, run.system.leadBytes))
      return run.observer.EntryPassedOver({PassedOver::Why::kNoFile, index, line});
    if (const std::optional<Refusal> refusal = RenameRefusal(entry, run.system.leadBytes))
      return run.observer.EntryPassedOver({*refusal, index, line});
    std::optional<std::string> folder = PrefixFolder(platform, entry.prefix, run.baseFolder);
    if (!folder) return run.observer.EntryPassedOver({PassedOver::Why::kNoFolder, index, line});
    // Both names stay in the same folder; a failed rename is passed over. Neither Windows' own
    // file nor one renamed over it.
    const std::string oldPath = *folder + entry.oldName, newPath = *folder + entry.newName;
    for (const std::string& path : {oldPath, newPath})
      if (const std::optional<Refusal> refusal = FileRefusal(platform, run.system.leadBytes, run.baseFolder, path))
        return run.observer.EntryPassedOver({*refusal, index, line});
    platform.MoveFileA(oldPath, newPath);
  });
}

}  // namespace qv
