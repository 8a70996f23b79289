#include <optional>
#include <string_view>

#include "script/locations.h"
#include "sections/protected_keys.h"
#include "sections/sections.h"
#include "system/registry_accessor.h"

namespace qv {

namespace {

// Cleanup entries: keyword, root, and the folder its name is appended to.
struct CleanupRow {
  const char* keyword;
  RegistryRoot root;
  const char* folder;
};
constexpr CleanupRow kCleanupRows[] = {
    {"UNINST=", kHkeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"},
    {"QUORVEL=", kHkeyCurrentUser, "\\Software\\Quorvel\\"},
    {"INST=", kHkeyCurrentUser, "\\Software\\Vask\\"},
};
constexpr std::string_view kKeyKeyword = "KEY=";

struct CleanupTarget {
  RegistryRoot root;
  std::string path;
};

// The key an upper-cased entry names: the first keyword that matches decides. Nothing for a line
// that is no entry.
std::optional<CleanupTarget> TargetOf(Platform& platform, const std::string& upper) {
  for (const CleanupRow& row : kCleanupRows)
    if (std::optional<std::string> name = AfterPrefix(upper, row.keyword))
      return CleanupTarget{row.root, row.folder + *name};
  const std::optional<std::string> key = AfterPrefix(upper, kKeyKeyword);
  if (!key) return std::nullopt;
  const KeyEntry entry = ParseKeyEntry(*key);
  return CleanupTarget{RootFromAbbreviation(platform, entry.abbreviation), entry.path};
}

}  // namespace

void DeleteRegistryEntries(RunContext& run, const ScriptFile& script, int headerIndex) {
  Platform& platform = run.platform;
  if (ShowMessage(platform, texts::kAskDeleteSettings, MessageKind::kQuestion) != win::kIdYes) return;

  RegistryAccessor registry(platform);
  ForEachBodyLine(platform, script, headerIndex, [&](const std::string& line, int) {
    if (std::optional<CleanupTarget> target = TargetOf(platform, platform.CharUpperBuffA(line))) {
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
