// The silent mode against the in-memory platform: no box ever, the answers it takes, its exit
// codes and the log it appends to %TEMP%\QvUninst.log.
#include <algorithm>
#include <gtest/gtest.h>

#include "entry/entry.h"
#include "fake_system.h"
#include "product.h"
#include "steps/run_log.h"

namespace qv {
namespace {

constexpr char kTemp[] = "C:\\Users\\u\\Temp";
constexpr char kLog[] = "C:\\Users\\u\\Temp\\QvUninst.log";
constexpr char kBom[] = "\xEF\xBB\xBF";

// A product whose script has one of every kind of step: a mutex, a warning, the question to
// begin, a deleted key, a protected key passed over, a deleted value, a created key and value, a
// rename, file deletions with a read-only file, a folder entry and the product folder's removal.
constexpr char kEveryStep[] =
    "[execution]\r\nMUTEX=ExampleMutex\r\nAPPNAME=Example\r\nend;\r\n"
    "[warning]\r\nサンプルをアンインストールします。\r\nend;\r\n"
    "[deletereg]\r\nUNINST=Example\r\nKEY=HLM\\Software\r\nVALUE=HCU\\Software\\Run,ExampleTray\r\nend;\r\n"
    "[createreg]\r\nKEY=HCU\\Software\\Quorvel\\Shared\r\nSTRING=Last,Example\r\nend;\r\n"
    "[renamefile]\r\nOld.txt,New.txt\r\nend;\r\n"
    "[deletefile]\r\nExample.exe\r\nNEW.TXT\r\nData\\A.dat\r\nData\\\r\nUninst.inf\r\nend;\r\n";

class Silent : public ::testing::Test {
 protected:
  Silent() {
    product.platform.environment["TEMP"] = kTemp;
    product.platform.AddFolder(kTemp);
    AddProduct(product.platform);
  }
  static void AddProduct(test::FakePlatform& system) {
    const std::string folder = std::string(test::Product::kFolder) + "\\";
    system.AddFile(folder + "Example.exe").attributes = win::kFileAttributeReadOnly;
    system.AddFile(folder + "Old.txt");
    system.AddFile(folder + "Data\\A.dat");
    system.AddKey(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example\\Sub");
    system.SetValue(kHkeyCurrentUser, "Software\\Run", "ExampleTray", "x");
    system.SetValue(kHkeyCurrentUser, "Software\\Run", "Other", "y");
  }
  // Runs the command line's arguments after the program's path.
  int Run(const std::string& arguments, const std::string& body = kEveryStep) {
    product.platform.AddFile(test::Product::kScript, "//QV-Uninstaller\r\n" + body);
    product.platform.commandLine = "\"C:\\Tools\\QvUninst.exe\" " + arguments;
    return ProgramEntry(product.platform, product.platform);
  }
  int RunSilently(const std::string& body = kEveryStep) { return Run("/s \"C:\\Program Files\\Example\\\"", body); }
  // The log's lines without its byte-order mark, each without its CR LF.
  std::vector<std::string> LogLines() const {
    const test::FakeFile* file = product.platform.Find(kLog);
    if (!file) return {};
    std::vector<std::string> lines;
    std::string bytes = file->bytes.substr(file->bytes.rfind(kBom, 0) == 0 ? 3 : 0);
    for (std::size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
      lines.push_back(bytes.substr(at, end - at));
    return lines;
  }
  std::string Log() const {
    std::string all;
    for (const std::string& line : LogLines()) all += line + "\n";
    return all;
  }

  test::Product product;
};

TEST_F(Silent, ShowsNoBoxAndMakesTheChangesOfAUserWhoAnswersYes) {
  test::FakePlatform interactive = product.platform;
  EXPECT_EQ(RunSilently(), 0);
  EXPECT_TRUE(product.platform.boxes.empty());
  EXPECT_FALSE(product.Has(test::Product::kFolder));

  // The interactive run, every question answered Yes, leaves the same system but for the log.
  interactive.AddFile(test::Product::kScript, "//QV-Uninstaller\r\n" + std::string(kEveryStep));
  interactive.commandLine = "QvUninst.exe /u \"C:\\Program Files\\Example\\\"";
  EXPECT_EQ(ProgramEntry(interactive, interactive), 0);
  EXPECT_EQ(interactive.boxes.size(), 4u);
  interactive.AddFile(kLog, product.platform.Find(kLog)->bytes);
  EXPECT_TRUE(interactive.SameFilesAndRegistry(product.platform));
  EXPECT_EQ(interactive.shellNotifications, product.platform.shellNotifications);
}

TEST_F(Silent, LogsEveryStepWithItsRealResult) {
  ASSERT_EQ(RunSilently(), 0);
  const std::string title = "  box \"Quorvel Uninstaller 2.09\", flags ";
  const std::string folder = "\"C:\\Program Files\\Example\\";
  const std::vector<std::string> expected = {
      "2024-04-03 09:05:07 \"C:\\Tools\\QvUninst.exe\" /s \"C:\\Program Files\\Example\\\"",
      "account: u",
      "  mutex \"ExampleMutex\": free: no program holding it runs",
      title + "0x30 (warning, OK): not shown, answered OK",
      u8"       サンプルをアンインストールします。",
      title + "0x24 (question, Yes/No): not shown, answered Yes",
      u8"       アンインストールを始めてよろしいですか?",
      title + "0x24 (question, Yes/No): not shown, answered Yes",
      u8"       設定情報を削除しますか?",
      "  delete key \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\EXAMPLE\\Sub\": done",
      "  delete key \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\EXAMPLE\": done",
      "  the entry \"KEY=HLM\\Software\" names the key \"HKLM\\SOFTWARE\", protected as one of the folders that hold "
      "every product's keys: passed over",
      "  delete value \"EXAMPLETRAY\" in \"HKCU\\SOFTWARE\\RUN\": done",
      "  create key \"HKCU\\Software\\Quorvel\\Shared\": done",
      "  set value \"Last\" = \"Example\" in \"HKCU\\Software\\Quorvel\\Shared\": done",
      "  rename " + folder + "OLD.TXT\" to " + folder + "NEW.TXT\": done",
      "  clear attributes " + folder + "EXAMPLE.EXE\": done",
      "  delete file " + folder + "EXAMPLE.EXE\": done",
      "  clear attributes " + folder + "NEW.TXT\": done",
      "  delete file " + folder + "NEW.TXT\": done",
      "  clear attributes " + folder + "DATA\\A.DAT\": done",
      "  delete file " + folder + "DATA\\A.DAT\": done",
      "  clear attributes " + folder + "DATA\\\": done",
      "  clear attributes " + folder + "UNINST.INF\": done",
      "  delete file " + folder + "UNINST.INF\": done",
      "  remove folder " + folder + "DATA\\\": done",
      "  remove folder " + folder + "\": done",
      title + "0x40 (information, OK): not shown, answered OK",
      u8"       アンインストールは無事終了しました。",
      "",
      u8"       >>ファイル・フォルダ・設定情報の全てが削除されました。",
      "  notify the shell (event 0x80, flags 0x2000)",
      "exit code 0: done",
      "",
  };
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(product.platform.Find(kLog)->bytes.rfind(kBom, 0), 0u);
}

// SERVICE=: the product's service is stopped and removed, a Windows service is passed over, a
// missing one is nothing to do; one that will not stop within 30 s is marked and left to the restart.
TEST_F(Silent, ServicesAreStoppedAndRemovedOrLeftToTheRestart) {
  const std::string program = "\"C:\\Program Files\\Example\\Example.exe\" /service";
  product.platform.AddService("ExampleSvc", program);
  product.platform.AddService("Stuck", program).stops = false;
  product.platform.AddService("Winmgmt", "C:\\WINDOWS\\system32\\svchost.exe -k netsvcs");
  ASSERT_EQ(RunSilently("[deletereg]\r\nSERVICE=ExampleSvc\r\nSERVICE=Winmgmt\r\nSERVICE=Missing\r\n"
                        "SERVICE=Stuck\r\nend;\r\n[deletefile]\r\nExample.exe\r\nSAVEFOLDER\r\nend;\r\n"),
            3010);
  const std::vector<std::string> log = LogLines();
  const std::vector<std::string> steps(log.begin() + 6, log.begin() + 13);
  EXPECT_EQ(steps, (std::vector<std::string>{
                       "  stop service \"ExampleSvc\": done",
                       "  delete service \"ExampleSvc\": done",
                       "  the entry \"SERVICE=Winmgmt\" names the key "
                       "\"HKLM\\SYSTEM\\CurrentControlSet\\Services\\WINMGMT\", protected as a key of the system: "
                       "passed over",
                       "  stop service \"Stuck\": done",
                       "  delete service \"Stuck\": done",
                       "  clear attributes \"C:\\Program Files\\Example\\EXAMPLE.EXE\": done",
                       "  delete file \"C:\\Program Files\\Example\\EXAMPLE.EXE\": done",
                   }))
      << Log();
  EXPECT_NE(Log().find(u8">>使用中のファイルは、Windowsの再起動後に削除されます。"), std::string::npos);
  EXPECT_EQ(product.platform.sleptMilliseconds, 30000u);
  const auto& services = product.platform.services;
  EXPECT_EQ(services.count("EXAMPLESVC") + services.count("WINMGMT") * 2 + services.at("STUCK").markedForDeletion * 4,
            6u);
  product.platform.Restart();
  EXPECT_EQ(services.count("STUCK"), 0u);
  EXPECT_EQ(product.platform.FindKey(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Stuck"), nullptr);
}

TEST_F(Silent, LogsFailedCallsWithTheSystemsError) {
  product.platform.FindKey(kHkeyCurrentUser, "Software")->denyWrite = true;
  EXPECT_EQ(RunSilently("[createreg]\r\nKEY=HCU\\Software\\Own\r\nSTRING=A,B\r\nend;\r\n"
                        "[deletefile]\r\nMissing.txt\r\nSAVEFOLDER\r\nend;\r\n"),
            1);
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 10u) << Log();
  EXPECT_EQ(lines[4], "  create key \"HKCU\\Software\\Own\": fails (error 5)");
  // The fatal error report that followed, with its text, and the exit code.
  EXPECT_EQ(lines[5], u8"  box \"ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ\", flags 0x2010 (error, OK, task-modal): not shown, answered OK");
  EXPECT_EQ(lines[6].rfind(u8"       ERegistryExceptionがﾓｼﾞｭｰﾙ QvUninst.exe の ", 0), 0u) << lines[6];
  EXPECT_EQ(lines[7], u8"       'A' の設定に失敗しました.");
  EXPECT_EQ(lines[8], "exit code 1: ended by the fatal error report (its text is above)");
  EXPECT_TRUE(product.platform.boxes.empty());
}

// What each way a silent run can end returns, shows and leaves behind.
TEST_F(Silent, ExitCodesTellHowTheRunEnded) {
  const test::FakePlatform before = product.platform;
  product.platform.mutexesHeldElsewhere.insert("ExampleMutex");
  EXPECT_EQ(RunSilently(), 2);
  EXPECT_NE(Log().find(u8"       Example が起動しています。"), std::string::npos) << Log();
  EXPECT_NE(Log().find("exit code 2: a program of the product is running"), std::string::npos);
  // Nothing changed but the script written for the run and the log.
  test::FakePlatform after = before;
  after.AddFile(test::Product::kScript, "//QV-Uninstaller\r\n" + std::string(kEveryStep));
  after.AddFile(kLog, product.platform.Find(kLog)->bytes);
  EXPECT_TRUE(after.SameFilesAndRegistry(product.platform));
  product.platform.mutexesHeldElsewhere.clear();

  EXPECT_EQ(Run("/s C:\\Nowhere\\"), 3);
  EXPECT_NE(Log().find(u8"       \" Uninst.inf \" が見つかりません。"), std::string::npos) << Log();
  product.platform.AddFile("C:\\Other\\Uninst.inf", "no signature");
  EXPECT_EQ(Run("/S C:\\Other\\"), 4);
  EXPECT_EQ(RunSilently("[deletefile]\r\nExample.exe\r\n"), 1);  // without its end;
  EXPECT_TRUE(product.platform.boxes.empty());
  EXPECT_EQ(LogLines().back(), "");
  EXPECT_EQ(LogLines()[LogLines().size() - 2], "exit code 1: ended by the fatal error report (its text is above)");
}

// A file in use is left to the restart: 3010. Without an administrator's rights the restart is
// refused too: the file stays, nothing is left to the restart, and the run is done.
TEST_F(Silent, AFileInUseGives3010OrStaysWhenTheRestartIsRefused) {
  const std::string file = std::string(test::Product::kFolder) + "\\Example.exe";
  const test::FakePlatform start = product.platform;
  for (const bool allowed : {true, false}) {
    product.platform = start;
    product.platform.restartAllowed = allowed;
    product.platform.AddFile(file).heldOpen = true;
    EXPECT_EQ(RunSilently(), allowed ? 3010 : 0);
    EXPECT_NE(Log().find(std::string("  leave \"C:\\Program Files\\Example\\EXAMPLE.EXE\" to the next start of "
                                     "Windows: ") +
                         (allowed ? "done" : "fails")),
              std::string::npos)
        << Log();
    EXPECT_EQ(Log().find(u8">>使用中のファイルは、Windowsの再起動後に削除されます。") != std::string::npos, allowed);
    EXPECT_TRUE(product.Has(file));
  }
}

// The interactive mode keeps its codes; "/s" alone shows the version box as "/u" alone does.
TEST_F(Silent, InteractiveCodesAndTheSwitchAloneStayAsTheyWere) {
  product.platform.mutexesHeldElsewhere.insert("ExampleMutex");
  EXPECT_EQ(product.Uninstall(kEveryStep), 0);
  EXPECT_EQ(product.platform.boxes.size(), 1u);
  EXPECT_EQ(Run("/s"), 0);
  ASSERT_EQ(product.platform.boxes.size(), 2u);
  EXPECT_EQ(product.platform.boxes[1].caption, "バージョン情報");
  EXPECT_EQ(product.platform.Find(kLog), nullptr);  // only a silent run writes a log
}

TEST_F(Silent, EachRunAppendsToTheLogAndALogThatCannotBeWrittenStopsNothing) {
  product.platform.environment["TEMP"] = std::string(kTemp) + "\\";
  EXPECT_EQ(Run("/s C:\\Nowhere\\"), 3);
  EXPECT_EQ(Run("/s C:\\Nowhere\\"), 3);
  const std::string& bytes = product.platform.Find(kLog)->bytes;
  EXPECT_EQ(bytes.rfind(kBom), 0u);   // one mark, at the start
  EXPECT_EQ(LogLines().size(), 14u);  // two runs of seven lines each

  product.platform.environment.clear();
  EXPECT_EQ(RunSilently(), 0);
  EXPECT_FALSE(product.Has(test::Product::kFolder));
}

// The second line names the account; run as SYSTEM, it says whose the per-user locations are.
TEST_F(Silent, TheLogNamesTheAccountAndWhatSystemsOwnLocationsAre) {
  const std::pair<const char*, const char*> accounts[] = {
      {"system",
       "account: system: HCU, STARTUP\\, DESKTOP\\, PROGRAMS\\, APPDATA\\ and LOCALAPPDATA\\ are this account's "
       "own, not a user's; use the COMMON_ prefixes and HLM for products deployed this way"},
      {"systemd", "account: systemd"}};
  for (const auto& [name, line] : accounts) {
    product.platform.userName = name;
    EXPECT_EQ(Run("/s C:\\Nowhere\\"), 3);
    EXPECT_EQ(LogLines().at(LogLines().size() - 6), line);
  }
}

TEST(RunLogText, Utf16BecomesUtf8) {
  EXPECT_EQ(Utf8FromUtf16(u"A\u00e9\u30a2"), u8"A\u00e9\u30a2");
  EXPECT_EQ(Utf8FromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace qv
