#include "platform/registry_accessor.h"
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
constexpr char kKeyKeyword[] = "KEY=";

}  // namespace

void DeleteRegistryEntries(RunContext& run, const ScriptFile& script, int headerIndex) {
  Platform& platform = run.platform;
  if (ShowMessage(platform, texts::kAskDeleteSettings, MessageKind::kQuestion) != win::kIdYes) return;

  RegistryAccessor registry(platform);
  for (int i = headerIndex + 1; !IsTerminator(platform, script.Line(i)); ++i) {
    const std::string upper = platform.CharUpperBuffA(script.Line(i));
    bool matched = false;
    RegistryRoot root = kInvalidRoot;
    std::string path;
    for (const CleanupRow& row : kCleanupRows) {
      if (HasKeyword(platform, upper, row.keyword)) {
        matched = true;
        root = row.root;
        path = row.folder + upper.substr(std::string_view(row.keyword).size());
        break;
      }
    }
    if (!matched && HasKeyword(platform, upper, kKeyKeyword)) {
      const KeyEntry entry = ParseKeyEntry(upper.substr(std::string_view(kKeyKeyword).size()));
      matched = true;
      root = RootFromAbbreviation(platform, entry.abbreviation);
      path = entry.path;
    }
    if (matched) {
      registry.SelectRoot(root);
      // Whether the key existed or could be deleted is not looked at.
      if (!IsProtectedKey(platform, run.system.leadBytes, root, path)) registry.DeleteKeyTree(path);
    }
    registry.CloseOpenKey();
  }
  run.state.settingsDeleted = true;
}

}  // namespace qv
