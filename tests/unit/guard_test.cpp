// The guard beyond the key tables: what a registration list's entry registers, folder entries and
// the roots of drives and shares, and Windows' own files.
#include "guard/guard.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "fake_system.h"
#include "guard/file_guard.h"

namespace qv {
namespace {

std::optional<Reason> ReasonOf(const std::optional<Refusal>& refusal) {
  return refusal ? std::optional<Reason>(refusal->reason) : std::nullopt;
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
