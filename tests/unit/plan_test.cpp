// The planned uninstall against the fake: a plan changes nothing, each of its answers is what the
// same run made for real on a copy gets, and reads after a planned change see the planned state.
#include "plan/plan.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "plan/planning_platform.h"
#include "plan_agreement.h"
#include "product.h"
#include "seam/forwarding_platform.h"
#include "system/registry_accessor.h"

namespace qv {
namespace {

using test::CallLog;
using test::FakePlatform;
using test::Product;

constexpr char kFolder[] = "C:\\Program Files\\Example\\";
constexpr char kArgument[] = "C:\\Program Files\\Example\\";

// What a user's uninstall of the example product finds: files of every kind, settings with
// subkeys, a system library kept aside.
void InstallExample(FakePlatform& fake) {
  for (const char* name : {"app.exe", "Old.txt", "Taken.txt", "sub\\inner.txt", "sub\\other.txt", "user.dat"})
    fake.AddFile(std::string(kFolder) + name, name);
  fake.AddFile(std::string(kFolder) + "ro.dat").attributes = 0x1;
  fake.AddFile(std::string(kFolder) + "held.dll").heldOpen = true;
  fake.AddFile("C:\\WINDOWS\\system32\\Shared.dll", "2.0");
  fake.AddFile("C:\\WINDOWS\\system32\\Shared.bak", "1.0");
  fake.AddFile("C:\\Users\\u\\Desktop\\Example.lnk");
  fake.SetValue(kHkeyCurrentUser, "Software\\Quorvel\\Example", "Folder", kFolder);
  fake.SetValue(kHkeyCurrentUser, "Software\\Quorvel\\Example\\Window", "Left", "10");
  fake.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\Example\\Window\\Deep");
  fake.SetValue(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example", "DisplayName",
                "Example");
  fake.SetValue(kHkeyCurrentUser, "Environment", "Path",
                std::string("C:\\Program Files\\Example\\bin;C:\\Tools") + '\0', win::kRegExpandSz);
}

// Shared files with use counts of two and one, a text, none, one in use counted once, and
// Windows' own file counted once (its count stays, as it does).
constexpr char kSharedScript[] =
    "[deletefile]\r\nSHARED=SYSDIR\\TWO.DLL\r\nSHARED=SYSDIR\\ONE.DLL\r\nSHARED=SYSDIR\\TEXT.DLL\r\n"
    "SHARED=SYSDIR\\HAL.DLL\r\nSHARED=SYSDIR\\NONE.DLL\r\nSHARED=SYSDIR\\HELD.DLL\r\nUninst.inf\r\nend;\r\n";
void AddSharedFiles(FakePlatform& fake) {
  const std::string sys = "C:\\WINDOWS\\system32\\", key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  for (const char* name : {"TWO.DLL", "ONE.DLL", "TEXT.DLL", "NONE.DLL"}) fake.AddFile(sys + name);
  fake.AddFile(sys + "HELD.DLL").heldOpen = true;
  for (const char* name : {"two.dll", "one.dll", "held.dll", "hal.dll"})
    fake.SetValue(kHkeyLocalMachine, key, sys + name, std::string(name[0] == 't' ? "\2" : "\1") + '\0' + '\0' + '\0',
                  4);
  fake.SetValue(kHkeyLocalMachine, key, sys + "text.dll", "1");
}

constexpr char kExampleScript[] =
    "[execution]\r\nMUTEX=ExampleMutex\r\nAPPNAME=Example\r\nend;\r\n"
    "[warning]\r\nExample is removed.\r\nend;\r\n"
    "[deletereg]\r\nQUORVEL=Example\r\nUNINST=Example\r\nUNINST=\r\nKEY=HCU\\Software\\Gone\r\nend;\r\n"
    "[createreg]\r\nKEY=HCU\\Software\\Quorvel\\Shared\r\nSTRING=Last,Example\r\n"
    "KEY=HCU\\Software\\Quorvel\\Example\\Again\r\nSTRING=,back\r\nend;\r\n"
    "[deletefile]\r\nSYSDIR\\Shared.dll\r\nSAVEFOLDER\r\nend;\r\n"
    "[renamefile]\r\nSYSDIR\\Shared.bak,Shared.dll\r\nOld.txt,Taken.txt\r\napp.exe,App.new\r\nend;\r\n"
    "[deletefile]\r\nAPP.NEW\r\nro.dat\r\nheld.dll\r\nmissing.txt\r\nTaken.txt\r\nsub\\inner.txt\r\n"
    "DESKTOP\\Example.lnk\r\nUninst.inf\r\nend;\r\n";

// Plans the run on the product, then makes it for real on a copy taken before: the plan leaves
// the system as it was, the run gets the same answer to every call, and what the plan reads at
// its end is what the real run left.
void ExpectPlanIsTheRun(FakePlatform& platform, const std::string& body) {
  SCOPED_TRACE(body);
  platform.AddFile(Product::kScript, "//QV-Uninstaller\r\n" + body);
  platform.commandLine = "QvUninst.exe /u \"C:\\Program Files\\Example\\\"";
  const FakePlatform before = platform;
  FakePlatform real = platform;

  PlanningPlatform planning(platform, platform.commandLine, platform.moduleFileName);
  CallLog planned(planning);
  const int plannedCode = ProgramEntry(planned);
  EXPECT_TRUE(platform.SameFilesAndRegistry(before));
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
  EXPECT_TRUE(platform.boxes.empty());

  CallLog done(real);
  EXPECT_EQ(ProgramEntry(done), plannedCode);
  EXPECT_EQ(done.calls, planned.calls);
  EXPECT_EQ(test::PlannedStateDifference(planning, before, real), "");
}

TEST(Plan, PredictsEveryResultOfAFullRunAndChangesNothing) {
  Product product;
  InstallExample(product.platform);
  ExpectPlanIsTheRun(product.platform, kExampleScript);
  ExpectPlanIsTheRun(product.platform, "[deletereg]\r\nPATH=HCU\r\nend;\r\n");
}

TEST(Plan, PredictsRunsThatStopOrEndInTheFatalReport) {
  const char* bodies[] = {
      // A key that cannot be made leaves no key for the value: the fatal error report.
      "[deletefile]\r\nUninst.inf\r\nend;\r\n[createreg]\r\nKEY=BAD\\Software\\X\r\nSTRING=a,b\r\nend;\r\n",
      // A body without its terminator runs off the end of the script.
      "[deletereg]\r\nQUORVEL=Example\r\n",
      // A running program of the product.
      kExampleScript,
      // Everything is deleted and the folder removed.
      "[deletefile]\r\nUninst.inf\r\nend;\r\n",
      kSharedScript,
  };
  for (const char* body : bodies) {
    Product product;
    AddSharedFiles(product.platform);
    product.platform.mutexesHeldElsewhere = {"ExampleMutex"};
    ExpectPlanIsTheRun(product.platform, body);
  }
  // The same, but the folder is read-only.
  Product product;
  product.platform.SetFileAttributesA(kFolder, 0x1);
  ExpectPlanIsTheRun(product.platform, bodies[3]);
}

// Services: the plan stops and removes the running one, removes the stopped one at once with its
// key and all below it, and a later entry finds that key gone, as the run does.
TEST(Plan, PredictsServicesStoppedAndRemoved) {
  Product product;
  product.platform.AddFile(std::string(kFolder) + "svc.exe");
  product.platform.AddService("ExampleSvc", std::string(kFolder) + "svc.exe");
  product.platform.AddService("Idle", std::string(kFolder) + "svc.exe").state = win::kServiceStopped;
  product.platform.AddKey(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Idle\\Enum");
  ExpectPlanIsTheRun(product.platform,
                     "[deletereg]\r\nSERVICE=ExampleSvc\r\nSERVICE=Idle\r\nSERVICE=Missing\r\nSERVICE=Idle\r\n"
                     "KEY=HLM\\SYSTEM\\CurrentControlSet\\Services\\Idle\r\nend;\r\n"
                     "[deletefile]\r\nsvc.exe\r\nUninst.inf\r\nend;\r\n");
}

// On a system whose ANSI code page is not 932 the boxes are still written down with the program's
// bytes, and none is shown.
TEST(Plan, WritesTheBoxesDownOnASystemOfAnotherCodePage) {
  Product product;
  InstallExample(product.platform);
  product.platform.UseAnsiCodePage(1252);
  product.platform.AddFile(Product::kScript, std::string("//QV-Uninstaller\r\n") + kExampleScript);
  PlanningPlatform planning(product.platform, "QvUninst.exe /u \"C:\\Program Files\\Example\\\"", "");
  ProgramEntry(planning);
  EXPECT_TRUE(product.platform.boxes.empty());
  std::vector<std::string> texts;
  for (const RunStep& step : planning.Steps())
    if (step.kind == RunStep::Kind::kBox) texts.push_back(step.detail);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "アンインストールを始めてよろしいですか?"), texts.end());
}

TEST(Plan, ReadsAfterAPlannedChangeSeeThePlannedState) {
  FakePlatform fake;
  fake.AddFile("C:\\P\\a.txt", "A");
  fake.SetValue(kHkeyCurrentUser, "Software\\T\\Sub", "V", std::string("1\0", 2));
  const FakePlatform before = fake;
  PlanningPlatform planning(fake, "", "");

  KeyHandle held = 0;
  ASSERT_EQ(planning.RegOpenKeyExA(kHkeyCurrentUser, "Software\\T\\Sub", win::kKeyAllAccess, held), 0u);
  RegistryAccessor registry(planning);
  EXPECT_TRUE(registry.DeleteKeyTree("\\Software\\T"));
  EXPECT_EQ(planning.RegSetValueExA(held, "W", win::kRegSz, std::string("x\0", 2)), win::kErrorKeyDeleted);
  EXPECT_FALSE(registry.OpenPath("\\Software\\T\\Sub", false));
  // Made again, the key is new: its old value is gone, a value written reads back.
  ASSERT_TRUE(registry.OpenPath("\\Software\\T\\Sub", true));
  EXPECT_EQ(registry.ReadStringValue("V"), "");
  registry.WriteStringValue("V", "2");
  EXPECT_EQ(registry.ReadStringValue("v"), "2");
  planning.RegCloseKey(held);

  // A renamed file answers under its new name only; the folder goes once it is empty.
  EXPECT_TRUE(planning.MoveFileA("C:\\P\\a.txt", "C:\\P\\B.TXT"));
  EXPECT_EQ(planning.ReadWholeFile("C:\\P\\b.txt"), "A");
  EXPECT_FALSE(planning.FindFirstFileA("C:\\P\\a.txt"));
  ASSERT_EQ(planning.FindFilesA("C:\\P\\*.txt").size(), 1u);
  EXPECT_EQ(planning.FindFilesA("C:\\P\\*.txt")[0].name, "B.TXT");
  EXPECT_FALSE(planning.RemoveDirectoryA("C:\\P\\"));
  EXPECT_TRUE(planning.DeleteFileA("C:\\P\\B.TXT"));
  EXPECT_FALSE(planning.DeleteFileA("C:\\P\\B.TXT"));
  EXPECT_TRUE(planning.RemoveDirectoryA("C:\\P\\"));
  EXPECT_FALSE(planning.FindFirstFileA("C:\\P"));
  EXPECT_TRUE(fake.SameFilesAndRegistry(before));
}

// A count of values the system refuses is no count (none below zero after a planned deletion).
TEST(Plan, AValueCountTheSystemRefusesIsNoCount) {
  FakePlatform fake;
  struct Uncounting final : ForwardingPlatform {
    using ForwardingPlatform::ForwardingPlatform;
    ErrorCode RegQueryValueCountA(KeyHandle, std::uint32_t&) override { return win::kErrorAccessDenied; }
  } system(fake);
  PlanningPlatform planning(system, "", "");
  fake.SetValue(kHkeyCurrentUser, "", "V", std::string("1\0", 2));
  std::uint32_t values = 0;
  ASSERT_EQ(planning.RegDeleteValueA(kHkeyCurrentUser, "V"), 0u);
  EXPECT_EQ(planning.RegQueryValueCountA(kHkeyCurrentUser, values), win::kErrorAccessDenied);
}

TEST(PlanCommand, TellsHowTheRunEndsAndWhatStaysInTheFolder) {
  struct Row {
    bool example;
    const char* body;
    const char* mutex;
    int code;
    std::vector<std::string> lines;
  } rows[] = {
      {true,
       kExampleScript,
       "",
       kPlanEndsWithReport,
       {"the entry \"UNINST=\" names the key \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\", "
        "protected as one of the folders that hold every product's keys: passed over",
        " 24. delete file \"C:\\Program Files\\Example\\HELD.DLL\" [file, in use by another program]: fails",
        " 25. leave \"C:\\Program Files\\Example\\HELD.DLL\" to the next start of Windows [file, in use by another "
        "program]: done",
        "The run ends with its final report (step 37):", "The folder \"C:\\Program Files\\Example\\\" stays, holding:",
        "       held.dll  (left to the next start of Windows)", "       sub\\other.txt  (no entry deletes it)",
        "Exit code 0: the run would end with its final report."}},
      {true,
       kExampleScript,
       "ExampleMutex",
       kPlanStopsEarly,
       {"  1. mutex \"ExampleMutex\": exists: a program of the product is running", "The run stops at step 2."}},
      {false,
       "[createreg]\r\nKEY=BAD\\X\r\nSTRING=a,b\r\nend;\r\n",
       "",
       kPlanEndsInFatal,
       {"  2. create key \"(root 0xffffffff)\\X\" [no such key]: fails",
        "The run ends in the fatal error report (step 3)"}},
      {true,
       "[deletereg]\r\nPATH=HCU\r\nend;\r\n",
       "",
       kPlanEndsWithReport,
       {"  3. remove from \"Path\" of \"HKCU\\Environment\": \"C:\\Program Files\\Example\\bin\"; 1 other element kept: done",
        "  4. tell running programs that the settings of \"Environment\" changed"}},
      {false,
       "[deletefile]\r\nUninst.inf\r\nend;\r\n",
       "",
       kPlanEndsWithReport,
       {"  4. remove folder \"C:\\Program Files\\Example\\\" [folder, empty]: done",
        "  6. notify the shell (event 0x80, flags 0x2000)",
        "The folder \"C:\\Program Files\\Example\\\" is gone afterwards."}},
      {false,
       "[deletefile]\r\n..\\Other\\B.DLL\r\nSYSDIR\\HAL.DLL\r\nUninst.inf\r\nend;\r\n",
       "",
       kPlanEndsWithReport,
       {"delete file \"C:\\Program Files\\Example\\..\\OTHER\\B.DLL\" (with .. it reaches \"C:\\Program "
        "Files\\OTHER\\\") [missing]: fails",
        "the entry \"SYSDIR\\HAL.DLL\" names \"C:\\WINDOWS\\system32\\HAL.DLL\", one of Windows' own files (its "
        "maker is Microsoft Corporation): passed over"}},
      {false,
       kSharedScript,
       "",
       kPlanEndsWithReport,
       {"set value \"C:\\WINDOWS\\system32\\TWO.DLL\" = 1 (REG_DWORD) in "
        "\"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs\" [replaces REG_DWORD 2]: done",
        "delete value \"C:\\WINDOWS\\system32\\ONE.DLL\" in \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
        "SharedDLLs\" [REG_DWORD 1]: done\n  4. clear attributes \"C:\\WINDOWS\\system32\\ONE.DLL\" [file]: done\n"
        "  5. delete file \"C:\\WINDOWS\\system32\\ONE.DLL\" [file]: done\n  6. clear attributes \"C:\\WINDOWS\\"
        "system32\\NONE.DLL\" [file]: done\n  7. delete file \"C:\\WINDOWS\\system32\\NONE.DLL\" [file]: done\n"
        "  8. delete value \"C:\\WINDOWS\\system32\\HELD.DLL\"",
        "leave \"C:\\WINDOWS\\system32\\HELD.DLL\" to the next start of Windows",
        "the entry \"SHARED=SYSDIR\\TEXT.DLL\" names \"C:\\WINDOWS\\system32\\TEXT.DLL\", a shared file whose use "
        "count in SharedDLLs is no REG_DWORD, so it is kept: passed over"}},
  };
  for (const Row& row : rows) {
    Product product;
    AddSharedFiles(product.platform);
    if (row.example) InstallExample(product.platform);
    product.platform.AddFile("C:\\WINDOWS\\system32\\HAL.DLL").company = "Microsoft Corporation";
    product.platform.AddFile(Product::kScript, std::string("//QV-Uninstaller\r\n") + row.body);
    if (*row.mutex) product.platform.mutexesHeldElsewhere = {row.mutex};
    std::string out;
    EXPECT_EQ(PlanCommand(product.platform, kArgument, out), row.code) << out;
    for (const std::string& line : row.lines) EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  }
  Product nowhere;
  std::string out;
  EXPECT_EQ(PlanCommand(nowhere.platform, "C:\\Nowhere\\", out), kPlanUnreadable);
  EXPECT_NE(out.find("Uninst.inf \" が見つかりません。"), std::string::npos) << out;
}

}  // namespace
}  // namespace qv
