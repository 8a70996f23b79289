// The guard. Keys, family by family: the keys that Windows, the shell or all programs together own
// are refused, and a product's own keys beside and below them are not, at every spelling of each.
#include "guard/guard.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fake_platform.h"
#include "guard/file_guard.h"
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

// Below a registration list, an entry is judged by the file it registers, followed as Windows
// follows it; the same for a value of a list. The product is C:\Program Files\Example, and its
// script deletes SYSDIR\EXAMPLE.DLL.
struct Registration {
  RegistryRoot root;
  const char* path;
  const char* value;  // a VALUE= entry's name; nothing for a KEY= entry
  const char* file;   // the file named in the refusal; nothing when the entry is the product's
};

const char kShell32[] = "%SystemRoot%\\System32\\shell32.dll";
const char kCv[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const char kServices[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kOurClass[] = "{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F60}";

void PlantRegistrations(test::FakePlatform& p) {
  p.environment = {{"SYSTEMROOT", "C:\\WINDOWS"}, {"PROGRAMFILES", "C:\\Program Files"}};
  p.AddFile("C:\\WINDOWS\\system32\\localspl.dll");
  p.AddFile("C:\\WINDOWS\\system32\\shell32.dll").company = "Microsoft Corporation";
  p.AddFile("C:\\Program Files\\Other\\tray.exe");
  p.AddFile("C:\\Program Files\\Example\\tool.exe");
  const std::pair<std::string, std::string> classes[] = {
      {"{00021401-0000-0000-C000-000000000046}", "%SystemRoot%\\System32\\windows.storage.dll"},
      {"{D969A300-E7FF-11D0-A93B-00A0C90F2719}", kShell32},
      {"{60B78E88-EAD8-445C-9CFD-0B87F74EA6CD}", "%SystemRoot%\\system32\\authui.dll"},
      {"{645FF040-5081-101B-9F08-00AA002F954E}", kShell32},
      {kOurClass, "%ProgramFiles%\\Example\\ext.dll"}};
  for (const auto& [clsid, server] : classes)
    p.SetValue(kHkeyClassesRoot, "CLSID\\" + clsid + "\\InprocServer32", "", server, win::kRegExpandSz);
  p.SetValue(kHkeyClassesRoot, "TypeLib\\{00020430-0000-0000-C000-000000000046}\\2.0\\0\\win32", "",
             "%SystemRoot%\\System32\\stdole2.tlb", win::kRegExpandSz);
  const std::string cv = kCv, services = kServices;
  p.SetValue(kHkeyLocalMachine, services + "storahci", "ImagePath", "System32\\drivers\\storahci.sys");
  p.SetValue(kHkeyLocalMachine, services + "OtherService", "ImagePath", "\"C:\\Program Files\\Other\\svc.exe\" -k");
  p.SetValue(kHkeyLocalMachine, services + "ExampleService", "ImagePath", "\"C:\\Program Files\\Example\\svc.exe\"");
  p.SetValue(kHkeyLocalMachine, services + "ExampleDriver", "ImagePath", "\\??\\C:\\Program Files\\Example\\drv.sys");
  p.SetValue(kHkeyLocalMachine, services + "EventLog\\Application\\Example", "EventMessageFile",
             "%SystemRoot%\\System32\\example.dll;%SystemRoot%\\System32\\netmsg.dll");
  p.SetValue(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Microsoft Shared Fax Monitor",
             "Driver", "localspl.dll");
  p.SetValue(kHkeyClassesRoot, "Directory\\Background\\shellex\\ContextMenuHandlers\\New", "",
             "{D969A300-E7FF-11d0-A93B-00A0C90F2719}");
  p.SetValue(kHkeyClassesRoot, "*\\shellex\\ContextMenuHandlers\\Example", "", kOurClass);
  p.SetValue(kHkeyClassesRoot, "*\\shell\\Other\\command", "", "rundll32.exe C:\\Tools\\other.dll,Open %1");
  p.SetValue(kHkeyLocalMachine, cv + "App Paths\\Tool.exe", "", "C:\\Program Files\\Example\\tool.exe /x");
  p.SetValue(kHkeyLocalMachine, cv + "Uninstall\\Example", "UninstallString",
             "C:\\WINDOWS\\QvUninst.exe /u \"C:\\Program Files\\Example\\\"");
  p.SetValue(kHkeyLocalMachine, cv + "Uninstall\\Other", "DisplayIcon", "C:\\Program Files\\Other\\other.exe,0");
  p.SetValue(kHkeyCurrentUser, cv + "Run", "Other", "C:\\Program Files\\Other\\tray.exe /min");
  p.SetValue(kHkeyCurrentUser, cv + "Run", "Example", "\"%ProgramFiles%\\Example\\tray.exe\" /min");
}

const Registration kRegistrations[] = {
    {kHkeyClassesRoot, "TypeLib\\{00020430-0000-0000-C000-000000000046}", nullptr,
     "C:\\WINDOWS\\SYSTEM32\\STDOLE2.TLB"},
    {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\storahci", nullptr,
     "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\STORAHCI.SYS"},
    {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\OtherService\\Parameters", nullptr,
     "C:\\PROGRAM FILES\\OTHER\\SVC.EXE"},
    {kHkeyClassesRoot, "CLSID\\{00021401-0000-0000-C000-000000000046}", nullptr,
     "C:\\WINDOWS\\SYSTEM32\\WINDOWS.STORAGE.DLL"},
    {kHkeyClassesRoot, "Directory\\Background\\shellex\\ContextMenuHandlers\\New", nullptr,
     "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"},
    {kHkeyLocalMachine,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential "
     "Providers\\{60b78e88-EAD8-445C-9CFD-0B87F74EA6CD}",
     nullptr, "C:\\WINDOWS\\SYSTEM32\\AUTHUI.DLL"},
    {kHkeyCurrentUser,
     "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\{645FF040-"
     "5081-101B-9F08-00AA002F954E}",
     nullptr, "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"},
    {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Microsoft Shared Fax Monitor", nullptr,
     "C:\\WINDOWS\\SYSTEM32\\LOCALSPL.DLL"},
    {kHkeyClassesRoot, "*\\shell\\Other", nullptr, "C:\\TOOLS\\OTHER.DLL"},
    {kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", nullptr,
     "C:\\PROGRAM FILES\\OTHER\\OTHER.EXE"},
    {kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "OTHER",
     "C:\\PROGRAM FILES\\OTHER\\TRAY.EXE"},
    {kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "C:\\WINDOWS\\SYSTEM32\\MFC42.DLL",
     "C:\\WINDOWS\\SYSTEM32\\MFC42.DLL"},
    {kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
     "{645FF040-5081-101B-9F08-00AA002F954E}", "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"},
    // The product's own: in its folder, or deleted by its script; or registering no file.
    {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\ExampleService", nullptr, nullptr},
    {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\ExampleDriver\\Enum", nullptr, nullptr},
    {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Example", nullptr, nullptr},
    {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\NoImage", nullptr, nullptr},
    {kHkeyClassesRoot, "CLSID\\{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F60}\\InprocServer32", nullptr, nullptr},
    {kHkeyClassesRoot, "*\\shellex\\ContextMenuHandlers\\Example", nullptr, nullptr},
    {kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tool.exe", nullptr, nullptr},
    {kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example", nullptr, nullptr},
    {kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "EXAMPLE", nullptr},
    {kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "MISSING", nullptr},
    {kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
     "C:\\PROGRAM FILES\\EXAMPLE\\SHARED.DLL", nullptr},
    {kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
     "C:\\WINDOWS\\SYSTEM32\\EXAMPLE.DLL", nullptr},
};

TEST(ProtectedKeys, AListsEntryOrValueIsTheProductsOnlyWhenTheFileItRegistersIs) {
  test::FakePlatform platform;
  PlantRegistrations(platform);
  const LeadByteTable lead = ShiftJisLeadBytes();
  // Naming Windows' own file among those the script deletes makes it no product's.
  const Product product(ProductFiles{"C:\\PROGRAM FILES\\EXAMPLE\\",
                                     {"C:\\WINDOWS\\SYSTEM32\\EXAMPLE.DLL", "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"}});
  for (const Registration& r : kRegistrations) {
    const std::optional<Refusal> refusal = r.value ? ValueRefusal(platform, lead, r.root, r.path, r.value, product)
                                                   : KeyRefusal(platform, lead, r.root, r.path, product);
    EXPECT_EQ(refusal ? refusal->file : "", r.file ? r.file : "") << r.path << " " << (r.value ? r.value : "");
    EXPECT_TRUE(!refusal || refusal->reason == Reason::kForeignFile) << r.path;
  }
  // Without the product's files, its own entries are another's; read with KEY_READ only.
  EXPECT_TRUE(IsProtectedKey(platform, lead, kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\ExampleService"));
  EXPECT_EQ(
      RefusalText(*KeyRefusal(platform, lead, kHkeyLocalMachine, std::string("\\") + kRegistrations[1].path, product)),
      "the key HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\storahci registers "
      "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\STORAHCI.SYS, which is not the product's: the run passes over it; "
      "name only your product's own registrations");
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

// Folder entries, each for what it names, and a drive's or a share's root by its full path.
TEST(Guard, FolderEntriesAndRootsAreRefusedForWhatTheyAre) {
  const LeadByteTable lead = ShiftJisLeadBytes();
  const std::pair<FileEntry, std::optional<Reason>> entries[] = {
      {{FolderPrefix::kBase, ""}, Reason::kProductFolder},      {{FolderPrefix::kBase, ". \\"}, Reason::kProductFolder},
      {{FolderPrefix::kWindows, ".\\"}, Reason::kPrefixFolder}, {{FolderPrefix::kBase, "SUB\\..\\"}, Reason::kParent},
      {{FolderPrefix::kDesktop, "... \\"}, Reason::kParent},    {{FolderPrefix::kDesktop, "SUB\\"}, std::nullopt},
  };
  for (const auto& [entry, reason] : entries)
    EXPECT_EQ(ReasonOf(FolderEntryRefusal(entry, lead)), reason) << entry.name;
  for (const char* root : {"C:\\", "\\", "C:", "\\\\SERVER\\SHARE\\"}) EXPECT_TRUE(FolderRefusal(root, lead)) << root;
  for (const char* folder : {"C:\\APP\\", "C:APP\\", "\\\\SERVER\\SHARE\\APP\\"})
    EXPECT_FALSE(FolderRefusal(folder, lead)) << folder;
  EXPECT_EQ(RefusalText(*FolderRefusal("C:\\", lead)),
            "the run never removes a drive's root: it passes over this line");
}

// A file outside the product's folder whose maker is Microsoft, however the path reaches it, and
// each such file a wildcard matches; not the product's own copy, nor another maker's file.
TEST(Guard, WindowsOwnFilesOutsideTheProductsFolderAreRefused) {
  test::FakePlatform platform;
  const LeadByteTable lead = ShiftJisLeadBytes();
  const std::string app = "C:\\APP\\", sys = "C:\\WINDOWS\\system32\\";
  platform.AddFile(sys + "MSVCP140.DLL").company = "Microsoft Corporation";
  platform.AddFile(sys + "OLE32.DLL").company = " microsoft corporation";
  platform.AddFile(sys + "SAMPLESHARED.DLL").company = "Example Ltd.";
  platform.AddFile(app + "VCRUNTIME140.DLL").company = "Microsoft Corporation";
  const std::pair<std::string, bool> paths[] = {{sys + "MSVCP140.DLL", true},
                                                {app + "..\\WINDOWS\\SYSTEM32\\MSVCP140.DLL", true},
                                                {sys + "OLE*.DLL", true},
                                                {sys + "SAMPLESHARED.DLL", false},
                                                {app + "VCRUNTIME140.DLL", false},
                                                {"c:\\app\\sub\\..\\VCRUNTIME140.DLL", false},
                                                {app + "...\\VCRUNTIME140.DLL", false}};
  for (const auto& [path, refused] : paths)
    EXPECT_EQ(FileRefusal(platform, lead, app, path).has_value(), refused) << path;
  EXPECT_EQ(RefusalText(*FileRefusal(platform, lead, app, sys + "MSVCP140.DLL")),
            "'C:\\WINDOWS\\system32\\MSVCP140.DLL' is one of Windows' own files (its maker is Microsoft Corporation): "
            "the run never deletes it nor renames over it, and passes over this line");
  EXPECT_EQ(FolderReached(app + "SUB\\..\\..\\WINDOWS\\HAL.DLL", lead), "C:\\WINDOWS\\");
  EXPECT_TRUE(ClimbsOut("SUB\\..\\..\\A.DLL", lead));
  EXPECT_FALSE(ClimbsOut("SUB\\..\\A.DLL", lead));
}

}  // namespace
}  // namespace qv
