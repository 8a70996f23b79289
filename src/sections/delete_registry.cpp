#include <optional>
#include <string_view>

#include "guard/guard.h"
#include "script/locations.h"
#include "sections/entries.h"
#include "sections/environment_path.h"
#include "sections/sections.h"
#include "system/registry_accessor.h"

namespace qv {

namespace {

// The part of the settings that running programs are told has changed after Path did.
constexpr char kEnvironmentArea[] = "Environment";

void CarryOut(RunContext& run, RegistryAccessor& registry, const CleanupTarget& target, int index,
              const std::string& line) {
  registry.SelectRoot(target.root);
  const LeadByteTable& lead = run.system.leadBytes;
  if (target.kind == CleanupTarget::Kind::kValue) {
    // One value of a key that others share: the key stays, and the value guard judges the value.
    if (!IsCompleteValueEntry(target))
      run.observer.EntryPassedOver({PassedOver::Why::kIncompleteValue, index, line});
    else if (const std::optional<Refusal> refusal =
                 ValueRefusal(run.platform, lead, target.root, target.path, target.valueName, run.product))
      run.observer.EntryPassedOver({*refusal, index, line});
    else if (registry.OpenPath(target.path, false))
      registry.DeleteValue(target.valueName);
    return;
  }
  if (target.kind == CleanupTarget::Kind::kService) return RemoveService(run, target.root, target.path, index, line);
  // Whether the key existed or could be deleted is not looked at.
  if (const std::optional<Refusal> refusal = KeyRefusal(run.platform, lead, target.root, target.path, run.product))
    run.observer.EntryPassedOver({*refusal, index, line});
  else
    registry.DeleteKeyTree(target.path);
}

}  // namespace

void DeleteRegistryEntries(RunContext& run, const ScriptFile& script, const Section& section) {
  Platform& platform = run.platform;
  const bool confirmed = ShowRunBox(run, RunBox::kDeleteSettings, ProgramText(texts::kAskDeleteSettings),
                                    MessageKind::kQuestion) == win::kIdYes;
  // The question is about the settings. The product's entry in the list of installed programs and
  // its services go whatever the answer: its files and this script go too, and an entry left behind
  // could never be removed, a service's program could not be deleted. A section without its
  // terminator is not read after No.
  if (!confirmed && section.terminator == kNoTerminator) return;

  // The product's folders in the environment's Path go whatever the answer too: they name a
  // folder that the run removes.
  RegistryAccessor registry(platform);
  bool pathChanged = false;
  ForEachBodyLine(script, section, [&](const std::string& line, int index) {
    const std::optional<CleanupTarget> target = CleanupTargetOf(platform, platform.CharUpperBuffA(line));
    if (target && target->kind == CleanupTarget::Kind::kPath)
      pathChanged = RemoveProductFromPath(run, registry, *target, index, line) || pathChanged;
    else if (target && (confirmed || target->kind == CleanupTarget::Kind::kUninstallEntry ||
                        target->kind == CleanupTarget::Kind::kService))
      CarryOut(run, registry, *target, index, line);
    registry.CloseOpenKey();
  });
  if (pathChanged) platform.BroadcastSettingChange(kEnvironmentArea);
  if (confirmed) run.state.settingsDeleted = true;
}

}  // namespace qv
