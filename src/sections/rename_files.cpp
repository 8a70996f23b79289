#include <optional>

#include "script/locations.h"
#include "sections/sections.h"

namespace qv {

void RenameFiles(RunContext& run, const ScriptFile& script, int headerIndex) {
  Platform& platform = run.platform;
  ForEachBodyLine(platform, script, headerIndex, [&](const std::string& line, int) {
    // The names come from the upper-cased line, so the new file's name is upper case.
    const FileEntry entry = ParseFileEntry(platform.CharUpperBuffA(line), /*withShellFolders=*/false);
    // Old and new name split at the first ","; further commas belong to the new name. Without
    // both names the request would move a folder itself: it is passed over.
    const std::size_t comma = entry.name.find(',');
    if (comma == std::string::npos) return;
    const std::string oldName = entry.name.substr(0, comma);
    const std::string newName = entry.name.substr(comma + 1);
    if (NamesNoFile(oldName, run.system.leadBytes) || NamesNoFile(newName, run.system.leadBytes)) return;
    std::optional<std::string> folder = PrefixFolder(platform, entry.prefix, run.baseFolder);
    if (!folder) return;
    // Both names stay in the same folder; a failed rename is passed over.
    platform.MoveFileA(*folder + oldName, *folder + newName);
  });
}

}  // namespace qv
