#include "script/locations.h"
#include "sections/entries.h"
#include "sections/sections.h"
#include "system/registry_accessor.h"

namespace qv {

void CreateRegistryEntries(RunContext& run, const ScriptFile& script, const Section& section) {
  Platform& platform = run.platform;
  RegistryAccessor registry(platform);
  ForEachBodyLine(script, section, [&](const std::string& line, int) {
    // Names, paths and data come from the line as written: created keys and values keep the
    // script's case.
    if (std::optional<std::string> key = AfterKeyword(platform, line, kKeyKeyword)) {
      const KeyEntry entry = ParseKeyEntry(*key);
      registry.SelectRoot(RootFromAbbreviation(platform, entry.abbreviation));
      // A key that cannot be opened or created leaves no key current, so the values that follow
      // never land in the key of an earlier entry: they end in the registry write error.
      if (!registry.OpenPath(entry.path, /*create=*/true)) registry.CloseOpenKey();
    }
    if (std::optional<std::string> value = AfterKeyword(platform, line, kStringKeyword)) {
      const ValueEntry entry = ParseValueEntry(*value);
      registry.WriteStringValue(entry.name, entry.data);
    }
  });
}

}  // namespace qv
