#include "sections/protected_keys.h"

#include <optional>
#include <string_view>

namespace qv {

namespace {

// The folders under which every product keeps its own key: the system's list of installed
// programs and our products' settings folders. Deleting one whole would remove every product's
// entry; a cleanup entry with nothing after its "=" names exactly such a folder.
constexpr const char* kFamilyFolders[] = {
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
    "SOFTWARE\\QUORVEL",
    "SOFTWARE\\VASK",
};

// Keys that Windows itself owns under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE. No product owns
// them, so no script may take them away, even by a slip such as "KEY=HLM\Software".
constexpr const char* kSystemKeys[] = {
    "SOFTWARE",
    "SOFTWARE\\MICROSOFT",
    "SOFTWARE\\MICROSOFT\\WINDOWS",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION",
    "SOFTWARE\\CLASSES",
    "SOFTWARE\\POLICIES",
    "SOFTWARE\\WOW6432NODE",
    "SYSTEM",
    "CONTROL PANEL",
    "ENVIRONMENT",
    "HARDWARE",
    "SAM",
    "SECURITY",
    "APPEVENTS",
    "CONSOLE",
    "KEYBOARD LAYOUT",
    "NETWORK",
    "PRINTERS",
};

// On 64-bit Windows a 32-bit program's Software is mirrored below Software\Wow6432Node: every
// 32-bit product's uninstall entry lives in its Microsoft\Windows\CurrentVersion\Uninstall.
constexpr std::string_view kMirrorPrefix = "SOFTWARE\\WOW6432NODE\\";

// The key is one of the family folders, or a key that Windows owns under the root.
bool IsListed(RegistryRoot root, const std::string& key) {
  for (const char* folder : kFamilyFolders)
    if (key == folder) return true;
  if (root == kHkeyCurrentUser || root == kHkeyLocalMachine)
    for (const char* system : kSystemKeys)
      if (key == system) return true;
  return false;
}

// The key below Software that a key below Software\Wow6432Node mirrors: "SOFTWARE\WOW6432NODE\X"
// mirrors "SOFTWARE\X". Nothing for any other key, nor for Software\Wow6432Node\Wow6432Node:
// the mirror has no mirror of its own.
std::optional<std::string> Mirrored(const std::string& key) {
  if (key.compare(0, kMirrorPrefix.size(), kMirrorPrefix) != 0) return std::nullopt;
  const std::string mirrored = "SOFTWARE\\" + key.substr(kMirrorPrefix.size());
  if (mirrored + '\\' == kMirrorPrefix) return std::nullopt;
  return mirrored;
}

// The path's key names, upper-cased and joined by single "\": "\Software\\Quorvel\" reads as
// "SOFTWARE\QUORVEL". Returns the number of names too.
std::string Canonical(Platform& platform, const LeadByteTable& lead, const std::string& path, int& names) {
  const std::string upper = platform.CharUpperBuffA(path);
  std::string result, name;
  names = 0;
  auto endName = [&] {
    if (name.empty()) return;
    if (!result.empty()) result += '\\';
    result += name;
    name.clear();
    ++names;
  };
  for (std::size_t i = 0; i < upper.size(); ++i) {
    if (lead[static_cast<unsigned char>(upper[i])] && i + 1 < upper.size()) {
      name += upper[i];
      name += upper[++i];  // a second byte 0x5C belongs to its character
    } else if (upper[i] == '\\') {
      endName();
    } else {
      name += upper[i];
    }
  }
  endName();
  return result;
}

}  // namespace

bool IsProtectedKey(Platform& platform, const LeadByteTable& lead, RegistryRoot root, const std::string& path) {
  int names = 0;
  const std::string key = Canonical(platform, lead, path, names);
  if (names == 0) return true;                        // the root itself
  if (root == kHkeyUsers && names == 1) return true;  // a user's whole hive
  if (IsListed(root, key)) return true;
  // The 32-bit mirror of a protected key below Software, under the roots that carry Software.
  if (root != kHkeyCurrentUser && root != kHkeyLocalMachine) return false;
  const std::optional<std::string> mirrored = Mirrored(key);
  return mirrored && IsListed(root, *mirrored);
}

}  // namespace qv
