// Keys, family by family: the keys that Windows, the shell or all programs together own are
// refused, and a product's own keys beside and below them are not, at every spelling of each;
// and the values of such keys.
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fake_system.h"
#include "guard/guard.h"
#include "steps/run_steps.h"

namespace qv {
namespace {

struct Spelling {
  RegistryRoot root;
  std::string path;
};

// Every way a script can name the key. A key is written below a stand-in for where it lives:
//   CLS\  the classes: HCR, Software\Classes of the machine and the user, their 32-bit mirrors,
//         a user's Software\Classes and "_Classes" hive below HU
//   SW\   Software: below HLM and HCU, their 32-bit mirrors, a user's and the default user's
//   HCU\  a user's own keys: below HCU, a user's and the default user's below HU
//   HLM\  the machine's own keys
// Each way again in lower case, with repeated, leading and trailing "\".
std::vector<Spelling> Spellings(const std::string& key) {
  const std::size_t slash = key.find('\\');
  const std::string where = key.substr(0, slash), rest = slash == std::string::npos ? "" : key.substr(slash + 1);
  std::vector<Spelling> ways;
  if (where == "CLS") {
    ways = {{kHkeyClassesRoot, rest},
            {kHkeyClassesRoot, "Wow6432Node\\" + rest},
            {kHkeyLocalMachine, "Software\\Classes\\" + rest},
            {kHkeyLocalMachine, "Software\\Classes\\Wow6432Node\\" + rest},
            {kHkeyLocalMachine, "Software\\Wow6432Node\\Classes\\" + rest},
            {kHkeyCurrentUser, "Software\\Classes\\" + rest},
            {kHkeyCurrentUser, "Software\\Wow6432Node\\Classes\\" + rest},
            {kHkeyUsers, "S-1-5-21-7-8-9-1001\\Software\\Classes\\" + rest},
            {kHkeyUsers, "S-1-5-21-7-8-9-1001_Classes\\" + rest}};
  } else if (where == "SW") {
    ways = {{kHkeyLocalMachine, "Software\\" + rest},
            {kHkeyLocalMachine, "Software\\Wow6432Node\\" + rest},
            {kHkeyCurrentUser, "Software\\" + rest},
            {kHkeyCurrentUser, "Software\\Wow6432Node\\" + rest},
            {kHkeyUsers, "S-1-5-21-7-8-9-1001\\Software\\" + rest},
            {kHkeyUsers, ".DEFAULT\\Software\\" + rest}};
  } else if (where == "HCU") {
    ways = {{kHkeyCurrentUser, rest}, {kHkeyUsers, "S-1-5-21-7-8-9-1001\\" + rest}, {kHkeyUsers, ".DEFAULT\\" + rest}};
  } else {
    ways = {{kHkeyLocalMachine, rest}};
  }
  const std::size_t plain = ways.size();
  for (std::size_t i = 0; i < plain; ++i) {
    std::string lower, doubled = "\\\\";
    for (char c : ways[i].path) {
      lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      doubled += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    ways.push_back({ways[i].root, lower});
    ways.push_back({ways[i].root, doubled + "\\"});
  }
  return ways;
}

std::optional<Reason> ReasonOf(const std::optional<Refusal>& refusal) {
  return refusal ? std::optional<Reason>(refusal->reason) : std::nullopt;
}

struct KeyFamily {
  Reason family;  // the family the guard names for each refused key
  const char* name;
  std::vector<std::string> refused;
  std::vector<std::string> allowed;  // a product's own keys beside and below the refused ones
};

const KeyFamily kFamilies[] = {
    {Reason::kClassContainers,
     "class registration containers",
     {"CLS\\CLSID",
      "CLS\\Interface",
      "CLS\\TypeLib",
      "CLS\\AppID",
      "CLS\\Record",
      "CLS\\Component Categories",
      "CLS\\MIME",
      "CLS\\MIME\\Database\\Content Type",
      "CLS\\MIME\\Database\\Codepage\\932",
      "CLS\\Applications",
      "CLS\\SystemFileAssociations",
      "CLS\\PROTOCOLS\\Handler",
      "CLS\\Installer\\Products",
      "CLS\\Wow6432Node",
      "CLS\\AppUserModelId",
      "CLS\\Extensions\\ContractId",
      "CLS\\ActivatableClasses",
      "CLS\\PackagedCom",
      "CLS\\MediaFoundation\\Transforms",
      "CLS\\DirectShow",
      "CLS\\Media Type\\Extensions\\.mp3",
      "CLS\\FileType",
      "CLS\\Licenses",
      "CLS\\VirtualStore",
      "CLS\\Local Settings\\Software\\Microsoft"},
     {"CLS\\CLSID\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F60}",
      "CLS\\CLSID\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F60}\\InprocServer32",
      "CLS\\Interface\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F61}", "CLS\\TypeLib\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F62}",
      "CLS\\AppID\\Product.exe", "CLS\\MIME\\Database\\Content Type\\application/x-product",
      "CLS\\Applications\\Product.exe", "CLS\\SystemFileAssociations\\.prd", "CLS\\PROTOCOLS\\Handler\\product",
      "CLS\\Product.Document", "CLS\\.prd", "CLS\\CLSIDX", "CLS\\AppUserModelId\\Maker.Product",
      "CLS\\Licenses\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F63}", "CLS\\Media Type\\Extensions\\.prd",
      "CLS\\Local Settings\\Software\\Maker", "CLS\\VirtualStore\\MACHINE\\SOFTWARE\\Maker"}},
    {Reason::kSharedClasses,
     "shared shell classes",
     {"CLS\\*", "CLS\\*\\shell", "CLS\\*\\shellex", "CLS\\*\\shellex\\ContextMenuHandlers", "CLS\\AllFilesystemObjects",
      "CLS\\Directory", "CLS\\Directory\\Background", "CLS\\Directory\\Background\\shellex\\ContextMenuHandlers",
      "CLS\\Directory\\shell\\cmd\\command", "CLS\\Folder\\shellex\\DragDropHandlers", "CLS\\Drive\\DefaultIcon",
      "CLS\\DesktopBackground\\Shell", "CLS\\SystemFileAssociations\\image\\ShellEx\\ContextMenuHandlers"},
     {"CLS\\*\\shellex\\ContextMenuHandlers\\Product", "CLS\\*\\shell\\ProductOpen\\command",
      "CLS\\Directory\\Background\\shell\\Product", "CLS\\Directory\\Background\\shellex\\ContextMenuHandlers\\Product",
      "CLS\\Folder\\shellex\\DragDropHandlers\\Product", "CLS\\DesktopBackground\\Shell\\Product",
      "CLS\\SystemFileAssociations\\image\\ShellEx\\ContextMenuHandlers\\Product", "CLS\\Directoryx"}},
    {Reason::kSharedClasses,
     "Windows' file types, classes and protocols",
     {"CLS\\.exe",
      "CLS\\.txt",
      "CLS\\.txt\\ShellNew",
      "CLS\\.lnk",
      "CLS\\.zip",
      "CLS\\.jpg",
      "CLS\\.mp3",
      "CLS\\.mp4",
      "CLS\\exefile",
      "CLS\\txtfile\\shell\\open\\command",
      "CLS\\lnkfile",
      "CLS\\http",
      "CLS\\https\\shell\\open",
      "CLS\\mailto",
      "CLS\\file",
      "CLS\\.txt\\shellex\\{BB2E617C-0920-11D1-9A0B-00C04FC2D6C1}",
      "CLS\\.msu",
      "CLS\\.iso",
      "CLS\\.vhdx",
      "CLS\\.rdp",
      "CLS\\.appx",
      "CLS\\.msix",
      "CLS\\.appref-ms",
      "CLS\\.ps1xml",
      "CLS\\PFXFile",
      "CLS\\SearchFolder",
      "CLS\\microsoft-edge",
      "CLS\\windowsdefender",
      "CLS\\.txt\\OpenWithList\\notepad.exe"},
     {"CLS\\txtfile\\shell\\ProductEdit", "CLS\\exefile\\shellex\\ContextMenuHandlers\\Product", "CLS\\.prd",
      "CLS\\product", "CLS\\.txt2", "CLS\\.txt\\OpenWithList\\Product.exe"}},
    {Reason::kMicrosoft,
     "Software\\Microsoft and its areas",
     {"SW\\Microsoft", "SW\\Microsoft\\Windows", "SW\\Microsoft\\Windows\\CurrentVersion",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Run", "SW\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
      "SW\\Microsoft\\Windows\\CurrentVersion\\App Paths", "SW\\Microsoft\\Windows\\CurrentVersion\\Explorer",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt",
      "SW\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "SW\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions",
      "SW\\Microsoft\\Windows NT\\CurrentVersion", "SW\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
      "SW\\Microsoft\\Office", "SW\\Microsoft\\Office\\Outlook\\Addins", "SW\\Microsoft\\Internet Explorer",
      "SW\\Microsoft\\Cryptography", "SW\\Microsoft\\Product"},
     {"SW\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Product.exe",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F60}_is1",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\ Product",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F60}",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.prd",
      "SW\\Microsoft\\Office\\Outlook\\Addins\\Product.Connect", "SW\\Microsoft\\Tracing\\Product_RASAPI32",
      "SW\\MicrosoftX", "SW\\Maker\\Product",
      "SW\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Publishers\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F64}",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FolderDescriptions\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F65}",
      "SW\\Microsoft\\.NETFramework\\v4.0.30319\\AssemblyFoldersEx\\Product",
      "SW\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Provider Filters\\{6B1E1A2C-0F6B-4C1D-9D3A-"
      "1B2C3D4E5F66}",
      "SW\\Microsoft\\MMC\\NodeTypes\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F67}"}},
    {Reason::kPolicies,
     "policies",
     {"SW\\Policies", "SW\\Policies\\Maker", "SW\\Policies\\Microsoft", "SW\\Policies\\Microsoft\\Windows\\System"},
     {"SW\\Policies\\Maker\\Product"}},
    {Reason::kProductFolders,
     "folders that hold every product's keys",
     {"SW", "SW\\Quorvel", "SW\\Vask", "SW\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
     {"SW\\Quorvel\\Product", "SW\\Vask\\Product"}},
    {Reason::kSharedLists,
     "other shared lists",
     {"SW\\Clients", "SW\\Clients\\StartMenuInternet", "SW\\RegisteredApplications", "SW\\ODBC\\ODBC.INI",
      "SW\\Description\\Product"},
     {"SW\\Clients\\StartMenuInternet\\Product", "SW\\ODBC\\ODBC.INI\\Product"}},
    {Reason::kSystem,
     "the machine's system",
     {"HLM\\SYSTEM",
      "HLM\\SYSTEM\\CurrentControlSet",
      "HLM\\SYSTEM\\ControlSet001",
      "HLM\\SYSTEM\\ControlSet002\\Control",
      "HLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
      "HLM\\SYSTEM\\ControlSet001\\Enum\\USB",
      "HLM\\SYSTEM\\CurrentControlSet\\Services",
      "HLM\\SYSTEM\\CurrentControlSet\\Services\\Tcpip",
      "HLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock2",
      "HLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application",
      "HLM\\SYSTEM\\MountedDevices",
      "HLM\\SYSTEM\\Select",
      "HLM\\SAM\\SAM",
      "HLM\\SECURITY",
      "HLM\\HARDWARE\\DESCRIPTION",
      "HLM\\BCD00000000",
      "HLM\\DRIVERS",
      "HLM\\ELAM",
      "HLM\\COMPONENTS",
      "HLM\\OSDATA",
      "HLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Windows PowerShell",
      "HLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port"},
     {"HLM\\SYSTEM\\CurrentControlSet\\Services\\ProductService",
      "HLM\\SYSTEM\\ControlSet001\\Services\\ProductService\\Parameters",
      "HLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Product", "HLM\\SYSTEMX",
      "HLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Product",
      "HLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Product Port",
      "HLM\\SYSTEM\\ControlSet001\\Control\\Print\\Environments\\Windows NT x86\\Print Processors\\Product"}},
    {Reason::kUserSettings,
     "the user's own settings",
     {"HCU\\System", "HCU\\Control Panel", "HCU\\Control Panel\\Desktop", "HCU\\Environment",
      "HCU\\Keyboard Layout\\Preload", "HCU\\Console", "HCU\\Network\\Z", "HCU\\Printers", "HCU\\AppEvents",
      "HCU\\AppEvents\\Schemes", "HCU\\AppEvents\\Schemes\\Apps", "HCU\\AppEvents\\Schemes\\Apps\\.Default",
      "HCU\\AppEvents\\EventLabels\\SystemAsterisk", "HCU\\Console\\%SystemRoot%_system32_cmd.exe"},
     {"HCU\\AppEvents\\Schemes\\Apps\\Product", "HCU\\Product", "HCU\\Console\\Product",
      "HCU\\AppEvents\\EventLabels\\ProductAlert"}},
};

TEST(ProtectedKeys, EachFamilyIsRefusedAndAProductsOwnKeysAreNotAtEverySpelling) {
  test::FakePlatform platform;
  const LeadByteTable lead = ShiftJisLeadBytes();
  for (const KeyFamily& family : kFamilies) {
    for (const std::string& key : family.refused)
      for (const Spelling& way : Spellings(key)) {
        EXPECT_EQ(ReasonOf(KeyRefusal(platform, lead, way.root, way.path, Product())), family.family)
            << family.name << ": " << way.root << " " << way.path;
      }
    for (const std::string& key : family.allowed)
      for (const Spelling& way : Spellings(key))
        EXPECT_FALSE(IsProtectedKey(platform, lead, way.root, way.path))
            << family.name << ": " << way.root << " " << way.path;
  }
}

// The roots, each user's hive, the roots of the classes and the mirrors themselves.
TEST(ProtectedKeys, RootsHivesAndTheRootsOfTheClassesAreRefused) {
  test::FakePlatform platform;
  const LeadByteTable lead = ShiftJisLeadBytes();
  constexpr Reason kRoots = Reason::kRootsAndHives;
  const std::pair<Spelling, Reason> refused[] = {
      {{kHkeyClassesRoot, "\\"}, kRoots},
      {{kHkeyCurrentConfig, ""}, kRoots},
      {{kHkeyUsers, "S-1-5-21-7-8-9-1001"}, kRoots},
      {{kHkeyUsers, "S-1-5-21-7-8-9-1001_Classes\\"}, kRoots},
      {{kHkeyUsers, ".DEFAULT"}, kRoots},
      {{kHkeyLocalMachine, "Software\\Classes"}, kRoots},
      {{kHkeyCurrentUser, "software\\\\classes\\"}, kRoots},
      {{kHkeyLocalMachine, "Software\\Wow6432Node\\Classes"}, kRoots},
      {{kHkeyClassesRoot, "Wow6432Node"}, Reason::kClassContainers},
      {{kHkeyCurrentConfig, "System\\CurrentControlSet"}, Reason::kSystem},
  };
  for (const auto& [way, family] : refused)
    EXPECT_EQ(ReasonOf(KeyRefusal(platform, lead, way.root, way.path, Product())), family)
        << way.root << " " << way.path;
  // A double-byte name whose second byte is that of "\" stays one name: "表" is no separator.
  EXPECT_FALSE(IsProtectedKey(platform, lead, kHkeyCurrentUser, "Software\\\x95\x5C"));
  EXPECT_FALSE(IsProtectedKey(platform, lead, kHkeyClassesRoot, "CLSID\\\x95\x5C"));
}

// Values: Windows' own in keys that others share, and any other of a protected key's, except the
// entries of a list whose values programs register; a product's own value, at every spelling.
TEST(ProtectedValues, WindowsOwnValuesAndThoseOfProtectedKeysAreRefused) {
  test::FakePlatform platform;
  const LeadByteTable lead = ShiftJisLeadBytes();
  constexpr Reason kWindows = Reason::kWindowsValue;
  const std::tuple<const char*, const char*, std::optional<Reason>> values[] = {
      {"HCU\\Environment", "Path", kWindows},
      {"HLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "path", kWindows},
      {"SW\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Userinit", kWindows},
      {"HLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96B-E325-11CE-BFC1-08002BE10318}", "UpperFilters",
       kWindows},
      {"CLS\\.exe", "", kWindows},
      {"HLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager", "ProtectionMode", Reason::kSystem},
      {"HCU\\Environment", "PRODUCT_HOME", std::nullopt},
      {"SW\\Microsoft\\Windows\\CurrentVersion\\Run", "Product", std::nullopt},
      {"SW\\Maker\\Product", "Setting", std::nullopt},
  };
  for (const auto& [key, name, reason] : values)
    for (const Spelling& way : Spellings(key))
      EXPECT_EQ(ReasonOf(ValueRefusal(platform, lead, way.root, way.path, name, Product())), reason)
          << way.path << "," << name;
  const Refusal path = *ValueRefusal(platform, lead, kHkeyCurrentUser, "\\ENVIRONMENT", "PATH", Product());
  EXPECT_EQ(RefusalText(path),
            "the value PATH of the key HKEY_CURRENT_USER\\ENVIRONMENT is protected as one of Windows' own values: the "
            "run passes over it; name only your product's own values");
  EXPECT_EQ(RefusalNote("VALUE=HCU\\Environment,Path", path),
            "the entry \"VALUE=HCU\\Environment,Path\" names the value \"PATH\" of \"HKCU\\ENVIRONMENT\", protected as "
            "one of Windows' own values: passed over");
}

}  // namespace
}  // namespace qv
