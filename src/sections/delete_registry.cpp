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
  if (ShowRunBox(run, RunBox::kDeleteSettings, ProgramText(texts::kAskDeleteSettings), MessageKind::kQuestion) !=
      win::kIdYes)
    return;

  RegistryAccessor registry(platform);
  ForEachBodyLine(script, section, [&](const std::string& line, int index) {
    if (std::optional<CleanupTarget> target = CleanupTargetOf(platform, platform.CharUpperBuffA(line))) {
      registry.SelectRoot(target->root);
      // Whether the key existed or could be deleted is not looked at.
      if (!IsProtectedKey(platform, run.system.leadBytes, target->root, target->path))
        registry.DeleteKeyTree(target->path);
      else
        run.observer.EntryPassedOver({PassedOver::Why::kProtectedKey, index, line, target->root, target->path});
    }
    registry.CloseOpenKey();
  });
  run.state.settingsDeleted = true;
}

}  // namespace qv
