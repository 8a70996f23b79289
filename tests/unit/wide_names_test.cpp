// Names on a system whose ANSI code page is not 932: the escapes that carry the system's
// characters through the program's code page 932, the case mapping there, and a Japanese product
// removed the same way on every system.
#include <gtest/gtest.h>

#include "platforms/wide_platform.h"
#include "product.h"
#include "text/case_mapping.h"
#include "text/program_text.h"
#include "text/text.h"

namespace qv {
namespace {

using test::FakePlatform;

std::u16string AsciiUpper(std::u16string text) {
  for (char16_t& unit : text)
    if (unit >= u'a' && unit <= u'z') unit -= 32;
  return text;
}

std::size_t Count(const std::u16string& text, char16_t unit) {
  std::size_t n = 0;
  for (char16_t c : text) n += c == unit;
  return n;
}

// What the system gave comes back as it gave it; on the way, every rule that reads a path sees an
// escaped character as an ordinary one: no delimiter, no wildcard, no blank or dot, no letter. A
// script cannot write a character those rules did not see: its escape of "\\", ".", a letter or
// NUL (which code page 932 has bytes for) is none, and names nothing.
TEST(WideNames, EscapesCarryTheSystemsNamesAndNothingElse) {
  FakePlatform fake;
  fake.UseAnsiCodePage(1252);
  const LeadByteTable lead = ShiftJisLeadBytes();
  for (const std::u16string name : {u"C:\\Users\\Jos\u00E9 \u5F20\u4F1F\\Desktop", u"\u00A5\uF8F1\u0080 ｱ\\\u00E9.",
                                    u"\xD800 a\\\xDC00 \U0001F600", u"\uAE40\\\u00C9t\u00C9 *.txt"}) {
    const std::string narrow = ProgramTextFromWide(fake, name);
    EXPECT_EQ(ReadProgramText(fake, fake, narrow), name);
    EXPECT_EQ(ProgramTextFromWide(fake, AsciiUpper(name)), UpperCase932(narrow, lead));
    EXPECT_EQ(SplitPathNames(narrow, "\\", lead).size(), Count(name, u'\\') + 1);
    EXPECT_EQ(HasWildcard(narrow), Count(name, u'*') > 0);
  }
  EXPECT_EQ(WithoutTrailingBlanksAndDots(ProgramTextFromWide(fake, u"\u00E9 .")), ProgramTextFromWide(fake, u"\u00E9"));
  EXPECT_EQ(BytesIn932(ProgramTextFromWide(fake, u"a\u00E9表")), 5u);
  for (const char* escape : {"\x81\x7F\xA1\xA1\xA6\xAD", "\x81\x7F\xA1\xA1\xA3\xAF", "\x81\x7F\xA1\xA1\xA5\xA2",
                             "\x81\x7F\xA1\xA1\xA1\xA1"}) {
    EXPECT_EQ(ReadProgramText(fake, fake, std::string("C:\\a") + escape), std::nullopt);
    const std::u16string shown = WidenText(fake, kProgramCodePage, std::string("a") + escape, lead);
    EXPECT_EQ(Count(shown, u'\\') + Count(shown, u'.') + Count(shown, u'\0'), 0u);
  }
}

// A product in a Japanese folder, with a Japanese file, subfolder, settings key, entry in the list
// of installed programs, mutex, value and desktop shortcut, removed on every system, each with a
// user's desktop whose name only its own code page (or none but UTF-8) can write: the same boxes
// and the same end, and no name ever passed to an ANSI call where the code page is not 932. The
// case mapping is code page 932's on each: the system's own would change a second byte 0x61 (ヂ)
// under 1252, and read a half-width katakana as a lead byte under 936 and 949.
TEST(WideNames, AJapaneseProductIsRemovedTheSameWayOnEverySystem) {
  const std::string script =
      "//QV-Uninstaller\r\n[execution]\r\nMUTEX=サンプル表\r\nAPPNAME=サンプル表\r\nend;\r\n"
      "[deletereg]\r\nUNINST=サンプル表\r\nKEY=HCU\\Software\\Quorvel\\サンプル表\r\nSERVICE=サンプル表\r\nend;\r\n"
      "[createreg]\r\nKEY=HCU\\Software\\Quorvel\\共有\r\nSTRING=最後の製品,サンプル表\r\nend;\r\n"
      "[deletefile]\r\n説明書.txt\r\nソース\\表.c\r\nソース\\\r\nDESKTOP\\サンプル表.lnk\r\nUninst.inf\r\nend;\r\n";
  const std::pair<std::uint32_t, std::u16string> systems[] = {{932, u"C:\\Users\\山田\\Desktop"},
                                                              {1252, u"C:\\Users\\Jos\u00E9\\Desktop"},
                                                              {936, u"C:\\Users\\\u5F20\u4F1F\\Desktop"},
                                                              {949, u"C:\\Users\\\uAE40\\Desktop"},
                                                              {65001, u"C:\\Users\\Jos\u00E9 山田\\Desktop"}};
  const std::string folder = "C:\\QvApps\\サンプル表";
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\サンプル表";
  std::vector<std::u16string> reportsOn932;
  for (const auto& [codePage, desktop] : systems) {
    FakePlatform fake;
    fake.UseAnsiCodePage(codePage);
    fake.SetValue(kHkeyCurrentUser, test::Product::kShellFolders, "Desktop", FakePlatform::Stored(desktop));
    fake.AddFile(FakePlatform::Stored(desktop + u"\\サンプル表.lnk"));
    fake.AddFile(folder + "\\Uninst.inf", script);
    fake.AddFile(folder + "\\説明書.txt");
    fake.AddFile(folder + "\\ソース\\表.c");
    fake.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\サンプル表\\設定");
    fake.AddKey(kHkeyLocalMachine, uninstall);
    fake.AddService("サンプル表", folder + "\\説明書.txt");
    fake.wideCommandLine = u"QvUninst.exe /u C:\\QvApps\\サンプル表\\";
    ASSERT_EQ(ProgramEntry(fake, fake), 0) << codePage;
    WidePlatform wide(fake, fake);
    EXPECT_EQ(wide.CharUpperBuffA("\x83\x61 \xB1z \x82\x81 e\xE9"), "\x83\x61 \xB1Z \x82\x60 E\xE9") << codePage;
    EXPECT_EQ(wide.CharLowerBuffA("\x83\x61 \xB1Z \x82\x60 E\xE9"), "\x83\x61 \xB1z \x82\x81 e\xE9") << codePage;

    EXPECT_FALSE(fake.Exists(folder)) << codePage;
    EXPECT_FALSE(fake.Exists(FakePlatform::Stored(desktop + u"\\サンプル表.lnk"))) << codePage;
    EXPECT_EQ(fake.FindKey(kHkeyCurrentUser, "Software\\Quorvel\\サンプル表"), nullptr) << codePage;
    EXPECT_EQ(fake.FindKey(kHkeyLocalMachine, uninstall), nullptr) << codePage;
    const test::FakeKey* shared = fake.FindKey(kHkeyCurrentUser, "Software\\Quorvel\\共有");
    ASSERT_NE(shared, nullptr) << codePage;
    EXPECT_EQ(shared->values.at(UpperCase932("最後の製品", ShiftJisLeadBytes())).data,
              std::string("サンプル表") + '\0');
    EXPECT_EQ(fake.mutexesCreated, std::vector<std::string>{"サンプル表"}) << codePage;
    EXPECT_TRUE(fake.services.empty()) << codePage;
    EXPECT_EQ(fake.ansiNameCalls, 0u) << codePage;
    ASSERT_FALSE(fake.boxes.empty());
    const test::ShownBox& report = fake.boxes.back();
    const std::u16string text = report.wide ? report.wideText : *fake.MultiByteToWideChar(932, report.text);
    if (codePage == 932) reportsOn932.push_back(text);
    EXPECT_EQ(text, reportsOn932.at(0)) << codePage;
    EXPECT_EQ(report.wide, codePage != 932) << codePage;
  }
  EXPECT_EQ(reportsOn932.at(0), *FakePlatform().MultiByteToWideChar(932, test::shown::kAllRemoved));
}

}  // namespace
}  // namespace qv
