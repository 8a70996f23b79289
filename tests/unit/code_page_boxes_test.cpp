// Boxes on systems whose ANSI code page is not 932: shown in UTF-16, the program's and the
// script's texts read as code page 932, what the system gave read in its own code page.
#include <gtest/gtest.h>

#include "product.h"

namespace qv {
namespace {

using test::Product;

constexpr char16_t kNotFoundTail[] = u" \" が見つかりません。\r\nアンインストール出来ませんでした。";

// Every box of a run: its flags and answer, and its text and caption as UTF-16 (the bytes of a
// MessageBoxA box read as code page 932).
struct Seen {
  std::uint32_t flags;
  int answer;
  std::u16string text, caption;
  bool operator==(const Seen& o) const {
    return flags == o.flags && answer == o.answer && text == o.text && caption == o.caption;
  }
};

std::vector<Seen> SeenBoxes(test::FakePlatform& fake) {
  std::vector<Seen> seen;
  for (const test::ShownBox& box : fake.boxes) {
    if (box.wide)
      seen.push_back({box.flags, box.answer, box.wideText, box.wideCaption});
    else
      seen.push_back({box.flags, box.answer, *fake.MultiByteToWideChar(932, box.text),
                      *fake.MultiByteToWideChar(932, box.caption)});
  }
  return seen;
}

bool EndsWith(const std::u16string& text, const std::u16string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool AllWide(const test::FakePlatform& fake, bool wide) {
  for (const test::ShownBox& box : fake.boxes)
    if (box.wide != wide) return false;
  return !fake.boxes.empty();
}

// A run that shows the script's warning, both questions and the report, answered the same way
// on each system: the same boxes, flags, answers and effects.
TEST(CodePageBoxes, ARunShowsTheSameBoxesAndTakesTheSameAnswersOnEverySystem) {
  const std::string body =
      "[warning]\r\n注意：Ｅｘａｍｐｌｅ\r\n表示\\ソ\r\nend;\r\n"
      "[deletereg]\r\nKEY=HCU\\Software\\Quorvel\\Example\r\nend;\r\n[deletefile]\r\napp.exe\r\nend;\r\n";
  for (int deleteAnswer : {win::kIdYes, win::kIdNo}) {
    std::vector<Seen> on932;
    for (std::uint32_t codePage : {932u, 1252u, 936u}) {
      Product product;
      product.platform.UseAnsiCodePage(codePage);
      product.platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\Example");
      product.platform.AddFile("C:\\Program Files\\Example\\app.exe");
      product.platform.answers = {win::kIdOk, win::kIdYes, deleteAnswer};
      EXPECT_EQ(product.Uninstall(body), 0);
      EXPECT_TRUE(AllWide(product.platform, codePage != 932)) << codePage;
      EXPECT_EQ(product.platform.FindKey(kHkeyCurrentUser, "Software\\Quorvel\\Example") == nullptr,
                deleteAnswer == win::kIdYes);
      EXPECT_FALSE(product.Has("C:\\Program Files\\Example\\app.exe"));
      const std::vector<Seen> seen = SeenBoxes(product.platform);
      ASSERT_EQ(seen.size(), 4u) << codePage;
      EXPECT_EQ(seen[0].text, u"注意：Ｅｘａｍｐｌｅ\r\n表示\\ソ") << codePage;
      EXPECT_EQ(seen[0].caption, u"Quorvel Uninstaller 2.09") << codePage;
      if (codePage == 932)
        on932 = seen;
      else
        EXPECT_TRUE(seen == on932) << codePage;
    }
  }
}

TEST(CodePageBoxes, NoAnswerToBeginEndsTheRunOnAnotherSystemToo) {
  Product product;
  product.platform.UseAnsiCodePage(1252);
  product.platform.AddFile("C:\\Program Files\\Example\\app.exe");
  product.platform.answers = {win::kIdNo};
  EXPECT_EQ(product.Uninstall("[deletefile]\r\napp.exe\r\nend;\r\n"), 0);
  ASSERT_EQ(product.platform.boxes.size(), 1u);
  EXPECT_EQ(product.platform.boxes[0].wideText, u"アンインストールを始めてよろしいですか?");
  EXPECT_EQ(product.platform.boxes[0].flags, 0x24u);
  EXPECT_TRUE(product.Has("C:\\Program Files\\Example\\app.exe"));
}

// The command line's file name is the system's: é of 1252, 中文 of 936, and a byte that is no
// character of 936 (0xFF) as U+FFFD.
TEST(CodePageBoxes, TheNotFoundBoxReadsTheFileNameInTheSystemsCodePage) {
  const struct {
    std::uint32_t codePage;
    const char* name;
    std::u16string shown;
  } cases[] = {
      {1252, "R\xE9sum\xE9.inf", u"R\u00E9sum\u00E9.inf"},
      {936, "\xD6\xD0\xCE\xC4.inf", u"中文.inf"},
      {936, "\xFF\xD6\xD0.inf", u"\uFFFD中.inf"},
  };
  for (const auto& c : cases) {
    test::FakePlatform fake;
    fake.UseAnsiCodePage(c.codePage);
    fake.commandLine = std::string("QvUninst.exe /u C:\\Ex\\") + c.name;
    EXPECT_EQ(ProgramEntry(fake, fake), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].wideText, u"\" " + c.shown + kNotFoundTail);
    EXPECT_EQ(fake.boxes[0].flags, 0x10u);
  }
}

// The script's bytes that are no character of code page 932 show as U+FFFD: a pair that is not
// assigned, a lead byte before a line break (which stays), a lead byte at the very end.
TEST(CodePageBoxes, InvalidBytesOfTheScriptShowAsReplacementCharacters) {
  Product product;
  product.platform.UseAnsiCodePage(1252);
  product.platform.answers = {win::kIdOk, win::kIdNo};
  product.Uninstall("[warning]\r\nA\x85\x40Z\x85\x90\r\nテ\x83\r\n表\x83\r\nend;\r\n");
  ASSERT_EQ(product.platform.boxes.size(), 2u);
  EXPECT_EQ(product.platform.boxes[0].wideText, u"A\uFFFD@Z\uFFFD\r\nテ\uFFFD\r\n表\uFFFD");
}

// The report's parts: the class and texts of the program, the program file's name from the
// system, the message's parts as the error made them (the script's path from the command line,
// a value name from the script).
TEST(CodePageBoxes, TheFatalReportReadsEachPartInItsOwnCodePage) {
  const std::u16string head = u"がﾓｼﾞｭｰﾙ D\u00E9sinstaller.exe の ";
  {
    test::FakePlatform fake;
    fake.UseAnsiCodePage(1252);
    fake.moduleFileName = "C:\\Outils\\D\xE9sinstaller.exe";
    fake.AddFile(test::FakePlatform::Stored(u"C:\\Caf\u00E9\\Uninst.inf"), "//QV-Uninstaller\r\n").heldOpen = true;
    fake.commandLine = "QvUninst.exe /u C:\\Caf\xE9\\";
    EXPECT_EQ(ProgramEntry(fake, fake), 1);
    ASSERT_EQ(fake.boxes.size(), 1u);
    const std::u16string& text = fake.boxes[0].wideText;
    EXPECT_EQ(text.substr(0, 11 + head.size()), u"EFOpenError" + head);
    EXPECT_TRUE(EndsWith(text, u"\nﾌｧｲﾙ C:\\Caf\u00E9\\Uninst.inf は開けません.")) << text.size();
    EXPECT_EQ(fake.boxes[0].wideCaption, u"ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ");
    EXPECT_EQ(fake.boxes[0].flags, 0x2010u);
  }
  {
    Product product;
    product.platform.UseAnsiCodePage(936);
    EXPECT_EQ(product.Uninstall("[createreg]\r\nSTRING=名前,x\r\nend;\r\n"), 1);
    const std::u16string& text = product.platform.boxes.back().wideText;
    EXPECT_TRUE(EndsWith(text, u"\n'名前' の設定に失敗しました."));
  }
}

// The report is cut at 1024 bytes without splitting a character of the part it falls in: on a
// system of code page 1252 the lead byte of a double-byte character of the script's is no
// character of its own there, yet it leads one in the script's text.
TEST(CodePageBoxes, TheFatalReportsCutKeepsTheCharactersOfTheScriptWhole) {
  Product product;
  product.platform.UseAnsiCodePage(1252);
  const std::string head = "ERegistryExceptionがﾓｼﾞｭｰﾙ QvUninst.exe の 00000000 で発生しました。\n'";
  const std::string name = std::string(1023 - head.size(), 'n') + "名前";
  EXPECT_EQ(product.Uninstall("[createreg]\r\nSTRING=" + name + ",x\r\nend;\r\n"), 1);
  const std::u16string& text = product.platform.boxes.back().wideText;
  EXPECT_TRUE(EndsWith(text, u"nnn"));
  EXPECT_EQ(text.find(u'\uFFFD'), std::u16string::npos);
}

TEST(CodePageBoxes, TheVersionBoxReadsTheLocalesDateInTheSystemsCodePage) {
  test::FakePlatform fake;
  fake.UseAnsiCodePage(1252);
  fake.AddFile("C:\\Tools\\QvUninst.exe");  // 1 January 2000, 09:00 local time
  fake.localeInfo[win::kLocaleSShortDate] = "d MMMM yyyy";
  fake.localeInfo[win::kLocaleSMonthName1] = "J\xE4nner";
  EXPECT_EQ(ProgramEntry(fake, fake), 0);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].wideCaption, u"バージョン情報");
  EXPECT_NE(fake.boxes[0].wideText.find(u"\r\n制作日：1 J\u00E4nner 2000\r\n提供元："), std::u16string::npos);
}

}  // namespace
}  // namespace qv
