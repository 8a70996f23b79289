#include "script/script_file.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "fake_platform.h"

namespace qv {
namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const ScriptFile& script) {
  Lines lines;
  for (int i = 0; i < script.Count(); ++i) lines.push_back(script.Line(i));
  return lines;
}

Lines Cut(std::string_view bytes) { return LinesOf(ScriptFile::FromBytes(bytes)); }

TEST(ScriptCutting, CrLfCrAndLfAreOneBreakEach) {
  EXPECT_EQ(Cut("a\r\nb\r\nc"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(Cut("a\rb\rc"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(Cut("a\nb\nc"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(Cut("a\rb\r\nc\nd"), (Lines{"a", "b", "c", "d"}));
}

TEST(ScriptCutting, LfCrIsTwoBreaks) { EXPECT_EQ(Cut("a\n\rb"), (Lines{"a", "", "b"})); }

TEST(ScriptCutting, FinalBreakAddsNoEmptyLine) {
  EXPECT_EQ(Cut("a\r\n"), Lines{"a"});
  EXPECT_EQ(Cut("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(Cut(""), Lines{});
  EXPECT_EQ(Cut("\r\n"), Lines{""});
}

TEST(ScriptCutting, NulEndsTheText) {
  EXPECT_EQ(Cut(std::string("a\r\nb\0c\r\nd", 9)), (Lines{"a", "b"}));
  EXPECT_EQ(Cut(std::string("\0a", 2)), Lines{});
}

TEST(ScriptCutting, BlanksStayAndLongLinesAreWhole) {
  EXPECT_EQ(Cut(" a \t\r\nb"), (Lines{" a \t", "b"}));
  std::string longLine(100000, 'x');
  EXPECT_EQ(Cut(longLine + "\r\nend;"), (Lines{longLine, "end;"}));
}

TEST(ScriptFile, IndexOutOfRangeRaisesTheListIndexError) {
  ScriptFile script = ScriptFile::FromBytes("a\r\nb");
  try {
    script.Line(2);
    FAIL() << "no error";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.message(), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)");
  }
  EXPECT_THROW(script.Line(-1), EStringListError);
  EXPECT_THROW(ScriptFile::FromBytes("").Line(0), EStringListError);
}

TEST(ScriptFile, LoadReadsTheFileAndRaisesWhenItCannotBeOpened) {
  test::FakePlatform platform;
  platform.AddFile("C:\\App\\Uninst.inf", "//QV-Uninstaller\r\n[deletefile]\r\nend;\r\n");
  EXPECT_EQ(LinesOf(ScriptFile::Load(platform, "C:\\App\\Uninst.inf")),
            (Lines{"//QV-Uninstaller", "[deletefile]", "end;"}));

  platform.AddFile("C:\\App\\Locked.inf", "x").heldOpen = true;
  try {
    ScriptFile::Load(platform, "C:\\App\\Locked.inf");
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.message(), "ﾌｧｲﾙ C:\\App\\Locked.inf は開けません");
  }
  EXPECT_THROW(ScriptFile::Load(platform, "C:\\App\\Missing.inf"), EFOpenError);
  EXPECT_THROW(ScriptFile::Load(platform, "C:\\App"), EFOpenError);
}

TEST(ScriptMatching, HeaderMustBeTheWholeLineInAnyCase) {
  test::FakePlatform p;
  EXPECT_TRUE(IsHeader(p, "[DeleteFile]", "[deletefile]"));
  EXPECT_TRUE(IsHeader(p, "[DELETEFILE]", "[deletefile]"));
  EXPECT_FALSE(IsHeader(p, " [deletefile]", "[deletefile]"));
  EXPECT_FALSE(IsHeader(p, "[deletefile] ", "[deletefile]"));
  EXPECT_FALSE(IsHeader(p, "[deletefil]", "[deletefile]"));
}

TEST(ScriptMatching, Terminator) {
  test::FakePlatform p;
  EXPECT_TRUE(IsTerminator(p, "end;"));
  EXPECT_TRUE(IsTerminator(p, "END;"));
  EXPECT_FALSE(IsTerminator(p, "end"));
  EXPECT_FALSE(IsTerminator(p, "end; "));
  EXPECT_FALSE(IsTerminator(p, " end;"));
}

TEST(ScriptMatching, KeywordIsTheStartOfTheUpperCasedLineAndTheRestStaysAsWritten) {
  test::FakePlatform p;
  EXPECT_EQ(AfterKeyword(p, "key=HCU\\Software", "KEY="), "HCU\\Software");
  EXPECT_EQ(AfterKeyword(p, "KEY=", "KEY="), "");
  EXPECT_FALSE(AfterKeyword(p, " KEY=x", "KEY=").has_value());
  EXPECT_FALSE(AfterKeyword(p, "KEY", "KEY=").has_value());
  EXPECT_FALSE(AfterKeyword(p, "MUTEX=", "KEY=").has_value());
}

TEST(ScriptMatching, SignatureAnywhereOnTheLineInAnyCase) {
  test::FakePlatform p;
  EXPECT_TRUE(HasSignature(p, "//QV-Uninstaller"));
  EXPECT_TRUE(HasSignature(p, "; //qv-uninstaller for my product"));
  EXPECT_TRUE(HasSignature(p, "//Qv-UNINSTALLER"));
  EXPECT_FALSE(HasSignature(p, "/QV-Uninstaller"));
  EXPECT_FALSE(HasSignature(p, ""));
  // The second byte of a double-byte character is not mapped: "\x83\x76" stays, "V" would be 0x56.
  EXPECT_FALSE(HasSignature(p, "//q\x83v-uninstaller"));
}

}  // namespace
}  // namespace qv
