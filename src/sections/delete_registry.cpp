#include <optional>
#include <string_view>

#include "script/locations.h"
#include "sections/entries.h"
#include "sections/protected_keys.h"
#include "sections/sections.h"
#include "system/registry_accessor.h"

namespace qv {

void DeleteRegistryEntries(RunContext& run, const ScriptFile& script, const Section& section) {
  Platform& platform = run.platform;
  if (ShowMessage(platform, run.system, ProgramText(texts::kAskDeleteSettings), MessageKind::kQuestion) != win::kIdYes)
    return;

  RegistryAccessor registry(platform);
  ForEachBodyLine(script, section, [&](const std::string& line, int) {
    if (std::optional<CleanupTarget> target = CleanupTargetOf(platform, platform.CharUpperBuffA(line))) {
      registry.SelectRoot(target->root);
      // Whether the key existed or could be deleted is not looked at.
      if (!IsProtectedKey(platform, run.system.leadBytes, target->root, target->path))
        registry.DeleteKeyTree(target->path);
    }
    registry.CloseOpenKey();
  });
  run.state.settingsDeleted = true;
}

}  // namespace qv
