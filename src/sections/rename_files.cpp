#include <optional>

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
    // Both names stay in the same folder; a failed rename is passed over.
    platform.MoveFileA(*folder + entry.oldName, *folder + entry.newName);
  });
}

}  // namespace qv
