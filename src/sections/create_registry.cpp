#include "system/registry_accessor.h"
#include "script/locations.h"
#include "sections/sections.h"

namespace qv {

namespace {

constexpr char kKeyKeyword[] = "KEY=";
constexpr char kStringKeyword[] = "STRING=";

}  // namespace

void CreateRegistryEntries(RunContext& run, const ScriptFile& script, int headerIndex) {
  Platform& platform = run.platform;
  RegistryAccessor registry(platform);
  for (int i = headerIndex + 1; !IsTerminator(platform, script.Line(i)); ++i) {
    // Names, paths and data come from the line as written: created keys and values keep the
    // script's case.
    const std::string& line = script.Line(i);
    if (HasKeyword(platform, line, kKeyKeyword)) {
      const KeyEntry entry = ParseKeyEntry(line.substr(std::string_view(kKeyKeyword).size()));
      registry.SelectRoot(RootFromAbbreviation(platform, entry.abbreviation));
      // A key that cannot be opened or created leaves no key current, so the values that follow
      // never land in the key of an earlier entry: they end in the registry write error.
      if (!registry.OpenPath(entry.path, /*create=*/true)) registry.CloseOpenKey();
    }
    if (HasKeyword(platform, line, kStringKeyword)) {
      // Name before the first ",", data after it; without a comma the whole text is the data of
      // the key's default value.
      const std::string rest = line.substr(std::string_view(kStringKeyword).size());
      const std::size_t comma = rest.find(',');
      const std::string name = comma == std::string::npos ? std::string() : rest.substr(0, comma);
      const std::string data = comma == std::string::npos ? rest : rest.substr(comma + 1);
      registry.WriteStringValue(name, data);
    }
  }
}

}  // namespace qv
