#include "entry/account_line.h"

#include <vector>

#include "script/locations.h"
#include "text/text.h"

namespace qv {

namespace {

bool IsSystemAccount(const std::string& name) {
  static constexpr char kSystem[] = "SYSTEM";
  if (name.size() != sizeof kSystem - 1) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if ((name[i] & ~0x20) != kSystem[i]) return false;
  return true;
}

// HCU and the prefixes of the user's folders: "HCU, STARTUP\, ... and LOCALAPPDATA\".
std::string PerUserLocations() {
  std::vector<std::string> locations = {"HCU"};
  for (const FolderPrefixRow& row : kFolderPrefixes)
    if (row.perUser) locations.push_back(row.text);
  return JoinedList(locations);
}

}  // namespace

MixedText AccountLine(Platform& system) {
  const std::optional<std::string> name = system.GetUserNameA();
  if (!name) return ProgramText("account: unknown (the system does not tell)");
  MixedText line = ProgramText("account: ") + SystemText(*name);
  if (!IsSystemAccount(*name)) return line;
  return line + ProgramText(": " + PerUserLocations() +
                            " are this account's own, not a user's; use the COMMON_ prefixes and HLM for products "
                            "deployed this way");
}

}  // namespace qv
