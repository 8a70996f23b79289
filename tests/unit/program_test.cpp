// The program as a whole against the in-memory platform: modes, script paths, the messages of
// the entry, the question to begin, the final reports and the fatal error report.
#include <gtest/gtest.h>

#include "entry/entry.h"
#include "entry/fatal_report.h"
#include "fake_system.h"
#include "script/script_paths.h"

namespace qv {
namespace {

constexpr char kTitle[] = "Quorvel Uninstaller 2.09";
constexpr char kAsk[] = "アンインストールを始めてよろしいですか?";
constexpr char kBothRemain[] =
    "アンインストールは無事終了しました。\r\n\r\n>>インストールした以外のファイルが、フォルダ内に残っています。\r\n>>設定情報は、残されました。";
constexpr char kNotFoundTail[] = " \" が見つかりません。\r\nアンインストール出来ませんでした。";
constexpr char kWrongScript[] = "アンインストールに使うファイルが違います\r\nアンインストール出来ませんでした。";
constexpr char kSignature[] = "//QV-Uninstaller\r\n";

class Program : public ::testing::Test {
 protected:
  int Run(const std::string& arguments) {
    platform.commandLine = "\"C:\\Tools\\QvUninst.exe\" " + arguments;
    return ProgramEntry(platform, platform);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : platform.boxes) texts.push_back(box.text);
    return texts;
  }
  test::FakePlatform platform;
};

TEST_F(Program, UninstallSwitchInAnyCaseAsksAndReports) {
  platform.AddFile("C:\\Example\\Uninst.inf", kSignature);
  for (const char* sw : {"/u", "/U"}) {
    platform.boxes.clear();
    EXPECT_EQ(Run(std::string(sw) + " C:\\Example\\"), 0);
    ASSERT_EQ(platform.boxes.size(), 2u) << sw;
    EXPECT_EQ(platform.boxes[0].text, kAsk);
    EXPECT_EQ(platform.boxes[0].caption, kTitle);
    EXPECT_EQ(platform.boxes[0].flags, 0x24u);
    EXPECT_EQ(platform.boxes[1].text, kBothRemain);
    EXPECT_EQ(platform.boxes[1].caption, kTitle);
    EXPECT_EQ(platform.boxes[1].flags, 0x40u);
  }
  EXPECT_TRUE(platform.shellNotifications.empty());
}

TEST_F(Program, OtherStartsShowTheVersionBoxAndEndWithZero) {
  platform.AddFile("C:\\Example\\Uninst.inf", kSignature);
  platform.AddFile("C:\\Tools\\QvUninst.exe");
  for (const char* arguments : {"", "/u", "-u C:\\Example\\", "C:\\Example\\ /u", "/uu C:\\Example\\"}) {
    platform.boxes.clear();
    EXPECT_EQ(Run(arguments), 0) << arguments;
    ASSERT_EQ(platform.boxes.size(), 1u) << arguments;
    EXPECT_EQ(platform.boxes[0].caption, "バージョン情報") << arguments;
    EXPECT_TRUE(platform.reads.empty()) << arguments;
  }
}

TEST_F(Program, AnsweringNoEndsWithoutReport) {
  platform.AddFile("C:\\Example\\Uninst.inf", kSignature);
  platform.answers = {win::kIdNo};
  EXPECT_EQ(Run("/u C:\\Example\\"), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{kAsk});
}

TEST_F(Program, UnquotedPathWithBlanksIsJoinedAgain) {
  platform.AddFile("C:\\Program Files\\Example\\Uninst.inf", kSignature);
  EXPECT_EQ(Run("/u C:\\Program Files\\Example\\"), 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{kAsk, kBothRemain}));
  EXPECT_EQ(platform.reads.front(), "C:\\Program Files\\Example\\Uninst.inf");
}

TEST_F(Program, QuotedPathWithBlanksAndAGivenScriptName) {
  platform.AddFile("C:\\Program Files\\Example\\setup.inf", kSignature);
  EXPECT_EQ(Run("/u \"C:\\Program Files\\Example\\setup.inf\""), 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{kAsk, kBothRemain}));
}

TEST_F(Program, MissingScriptNamesTheFileNameItLookedFor) {
  struct Case {
    const char* arguments;
    const char* named;
  } cases[] = {
      {"/u C:\\Example\\", "Uninst.inf"},
      {"/u C:\\Example", "ExampleUninst.inf"},
      {"/u C:\\Example 1.0", "Example 1.0"},
      {"/u C:\\Example\\other.inf", "other.inf"},
  };
  platform.AddFolder("C:\\Example 1.0");
  for (const Case& c : cases) {
    platform.boxes.clear();
    EXPECT_EQ(Run(c.arguments), 0);
    ASSERT_EQ(platform.boxes.size(), 1u) << c.arguments;
    EXPECT_EQ(platform.boxes[0].text, std::string("\" ") + c.named + kNotFoundTail) << c.arguments;
    EXPECT_EQ(platform.boxes[0].flags, 0x10u);
    EXPECT_EQ(platform.boxes[0].caption, kTitle);
  }
}

TEST_F(Program, AFolderIsNoScript) {
  platform.AddFolder("C:\\Example\\Uninst.inf");
  EXPECT_EQ(Run("/u C:\\Example\\"), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{std::string("\" Uninst.inf") + kNotFoundTail});
}

TEST_F(Program, ScriptDatedOutsideTheDosRangeIsStillFound) {
  platform.AddFile("C:\\Example\\Uninst.inf", kSignature).lastWriteTime = 116444736000000000ull;  // 1970
  EXPECT_EQ(Run("/u C:\\Example\\"), 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{kAsk, kBothRemain}));
}

TEST_F(Program, ScriptNameWithADoubleByteBackslashByte) {
  // The folder "表" ends in byte 0x5C; the script name is still everything after the real "\".
  platform.AddFolder("C:\\\x95\x5C");
  EXPECT_EQ(Run("/u C:\\\x95\x5C"), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{std::string("\" \x95\x5CUninst.inf") + kNotFoundTail});
}

TEST_F(Program, SignatureMustStandOnLineZero) {
  platform.AddFile("C:\\A\\Uninst.inf", "; //qv-UNINSTALLER for my product\r\n");
  platform.AddFile("C:\\B\\Uninst.inf", "first line\r\n//QV-Uninstaller\r\n");
  EXPECT_EQ(Run("/u C:\\A\\"), 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{kAsk, kBothRemain}));
  platform.boxes.clear();
  EXPECT_EQ(Run("/u C:\\B\\"), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{kWrongScript});
  EXPECT_EQ(platform.boxes[0].flags, 0x10u);
}

TEST_F(Program, EmptyScriptEndsInTheFatalErrorReport) {
  platform.AddFile("C:\\Example\\Uninst.inf", "");
  platform.moduleFileName = "C:\\Program Files\\Tools\\QvUninst.exe";
  EXPECT_EQ(Run("/u C:\\Example\\"), 1);
  ASSERT_EQ(platform.boxes.size(), 1u);
  const auto& box = platform.boxes[0];
  EXPECT_EQ(box.caption, "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ");
  EXPECT_EQ(box.flags, 0x2010u);
  const std::string head = "EStringListErrorがﾓｼﾞｭｰﾙ QvUninst.exe の ";
  const std::string tail = " で発生しました。\nﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0).";
  ASSERT_EQ(box.text.size(), head.size() + 8 + tail.size()) << box.text;
  EXPECT_EQ(box.text.substr(0, head.size()), head);
  EXPECT_EQ(box.text.substr(head.size() + 8), tail);
  for (char c : box.text.substr(head.size(), 8)) EXPECT_TRUE(std::isxdigit(c) && !std::islower(c)) << box.text;
}

TEST_F(Program, LockedScriptEndsInTheFatalErrorReport) {
  platform.AddFile("C:\\Example\\Uninst.inf", kSignature).heldOpen = true;
  EXPECT_EQ(Run("/u C:\\Example\\"), 1);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_NE(platform.boxes[0].text.find("EFOpenError"), std::string::npos);
  EXPECT_NE(platform.boxes[0].text.find("ﾌｧｲﾙ C:\\Example\\Uninst.inf は開けません."), std::string::npos);
}

// The report's text as a system of code page 932 shows it, for a message of the program.
std::string ReportText(const char* className, const std::string& modulePath, std::uint32_t address,
                       const std::string& message) {
  SystemInfo system;
  system.leadBytes = ShiftJisLeadBytes();
  return FatalReportText(className, modulePath, address, ProgramText(message), system).Bytes();
}

TEST(FatalReport, TextShapeAndFinalPeriod) {
  EXPECT_EQ(ReportText("EConvertError", "C:\\x\\QvUninst.exe", 0x1A2B, "abc"),
            "EConvertErrorがﾓｼﾞｭｰﾙ QvUninst.exe の 00001A2B で発生しました。\nabc.");
  // Already ending in ".": nothing added; ending in "。": a "." is still added; empty: nothing.
  EXPECT_EQ(ReportText("E", "a.exe", 0, "abc."), "Eがﾓｼﾞｭｰﾙ a.exe の 00000000 で発生しました。\nabc.");
  EXPECT_EQ(ReportText("E", "a.exe", 0, "終了。"), "Eがﾓｼﾞｭｰﾙ a.exe の 00000000 で発生しました。\n終了。.");
  EXPECT_EQ(ReportText("E", "a.exe", 0xFFFFFFFF, ""), "Eがﾓｼﾞｭｰﾙ a.exe の FFFFFFFF で発生しました。\n");
}

TEST(FatalReport, MessageIsDataNotFormat) {
  EXPECT_EQ(ReportText("E", "a.exe", 0, "'%s%p%n%d' x"), "Eがﾓｼﾞｭｰﾙ a.exe の 00000000 で発生しました。\n'%s%p%n%d' x.");
}

TEST(FatalReport, CutAt1024BytesWithoutSplittingACharacter) {
  const std::string head = ReportText("E", "a.exe", 0, "");
  // Place a double-byte character across the 1024th byte.
  std::string message(1023 - head.size(), 'x');
  message += "\x82\xa0" + std::string(2000, 'y');
  const std::string text = ReportText("E", "a.exe", 0, message);
  EXPECT_EQ(text.size(), 1023u);
  EXPECT_EQ(text, head + std::string(1023 - head.size(), 'x'));
  EXPECT_EQ(ReportText("E", "a.exe", 0, std::string(5000, 'z')).size(), 1024u);
}

TEST(ScriptPathBuilding, ExtensionDecidesWhetherTheDefaultNameIsAppended) {
  const LeadByteTable lead = ShiftJisLeadBytes();
  struct Case {
    const char* argument;
    const char* script;
    const char* folder;
  } cases[] = {
      {"C:\\Program Files\\Example\\", "C:\\Program Files\\Example\\Uninst.inf", "C:\\Program Files\\Example\\"},
      {"C:\\Example", "C:\\ExampleUninst.inf", "C:\\"},
      {"C:\\Example\\setup.inf", "C:\\Example\\setup.inf", "C:\\Example\\"},
      {"C:\\Example 1.0", "C:\\Example 1.0", "C:\\"},
      {"D:", "D:Uninst.inf", "D:"},
      {"setup.inf", "setup.inf", ""},
      // A lone lead byte at the end pairs with the default name's first byte, and the folder stays.
      {"C:\\\x95\x5C\\x\x81", "C:\\\x95\x5C\\x\x81Uninst.inf", "C:\\\x95\x5C\\"},
  };
  for (const Case& c : cases) {
    ScriptPaths paths = BuildScriptPaths(c.argument, lead);
    EXPECT_EQ(paths.scriptPath, c.script) << c.argument;
    EXPECT_EQ(paths.baseFolder, c.folder) << c.argument;
  }
  EXPECT_EQ(ScriptArgument({"C:\\Program", "Files\\Example\\"}), "C:\\Program Files\\Example\\");
  EXPECT_EQ(ScriptArgument({"a", "b", "c"}), "a b c");
}

}  // namespace
}  // namespace qv
