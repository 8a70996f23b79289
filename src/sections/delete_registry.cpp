#include <optional>
#include <string_view>

#include "script/locations.h"
#include "sections/entries.h"
#include "sections/protected_keys.h"
#include "sections/sections.h"
#include "system/registry_accessor.h"

namespace qv {

namespace {

void CarryOut(RunContext& run, RegistryAccessor& registry, const CleanupTarget& target) {
  registry.SelectRoot(target.root);
  if (target.kind == CleanupTarget::Kind::kValue) {
    // One value of a key that others share: the key stays, so no key is refused here.
    if (IsCompleteValueEntry(target) && registry.OpenPath(target.path, false)) registry.DeleteValue(target.valueName);
    return;
  }
  // Whether the key existed or could be deleted is not looked at.
  if (!IsProtectedKey(run.platform, run.system.leadBytes, target.root, target.path))
    registry.DeleteKeyTree(target.path);
}

}  // namespace

void DeleteRegistryEntries(RunContext& run, const ScriptFile& script, const Section& section) {
  Platform& platform = run.platform;
  const bool confirmed =
      ShowMessage(platform, run.system, ProgramText(texts::kAskDeleteSettings), MessageKind::kQuestion) == win::kIdYes;
  // The question is about the settings. The product's entry in the list of installed programs goes
  // whatever the answer: its files and this script go too, and an entry left behind could never be
  // removed. A section without its terminator is not read after No.
  if (!confirmed && section.terminator == kNoTerminator) return;

  RegistryAccessor registry(platform);
  ForEachBodyLine(script, section, [&](const std::string& line, int) {
    const std::optional<CleanupTarget> target = CleanupTargetOf(platform, platform.CharUpperBuffA(line));
    if (target && (confirmed || target->kind == CleanupTarget::Kind::kUninstallEntry)) CarryOut(run, registry, *target);
    registry.CloseOpenKey();
  });
  if (confirmed) run.state.settingsDeleted = true;
}

}  // namespace qv
