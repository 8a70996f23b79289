#include <optional>
#include <string_view>

#include "system/registry_accessor.h"
#include "script/locations.h"
#include "sections/protected_keys.h"
#include "sections/sections.h"

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

bool StartsWith(const std::string& text, std::string_view prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// The key an upper-cased entry names: the first keyword that matches decides. Nothing for a line
// that is no entry.
std::optional<CleanupTarget> TargetOf(Platform& platform, const std::string& upper) {
  for (const CleanupRow& row : kCleanupRows) {
    const std::string_view keyword = row.keyword;
    if (StartsWith(upper, keyword)) return CleanupTarget{row.root, row.folder + upper.substr(keyword.size())};
  }
  if (!StartsWith(upper, kKeyKeyword)) return std::nullopt;
  const KeyEntry entry = ParseKeyEntry(upper.substr(kKeyKeyword.size()));
  return CleanupTarget{RootFromAbbreviation(platform, entry.abbreviation), entry.path};
}

}  // namespace

void DeleteRegistryEntries(RunContext& run, const ScriptFile& script, int headerIndex) {
  Platform& platform = run.platform;
  if (ShowMessage(platform, texts::kAskDeleteSettings, MessageKind::kQuestion) != win::kIdYes) return;

  RegistryAccessor registry(platform);
  for (int i = headerIndex + 1; !IsTerminator(platform, script.Line(i)); ++i) {
    if (std::optional<CleanupTarget> target = TargetOf(platform, platform.CharUpperBuffA(script.Line(i)))) {
      registry.SelectRoot(target->root);
      // Whether the key existed or could be deleted is not looked at.
      if (!IsProtectedKey(platform, run.system.leadBytes, target->root, target->path))
        registry.DeleteKeyTree(target->path);
    }
    registry.CloseOpenKey();
  }
  run.state.settingsDeleted = true;
}

}  // namespace qv
