#include "script/script_file.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "fake_platform.h"
#include "script/section_index.h"

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

TEST(SectionIndex, HeadersFromTheSecondLineEachBodyToTheFirstTerminatorAfterIt) {
  test::FakePlatform p;
  const ScriptFile script = ScriptFile::FromBytes(
      "[warning]\r\n"          // 0: the signature's line is never a header
      "[RenameFile]\r\n"       // 1
      "a,b\r\n"                // 2
      "[deletefile]\r\n"       // 3: a header inside another body starts a section too
      "End;\r\n"               // 4: ends both bodies
      " [warning]\r\nend\r\n"  // 5, 6: neither a header nor a terminator
      "[execution]\r\n"        // 7: no terminator
      "MUTEX=M\r\n");
  const std::vector<Section> sections = IndexSections(p, script);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_TRUE(sections[0].kind == SectionKind::kRenameFile && sections[0].header == 1 && sections[0].terminator == 4);
  EXPECT_TRUE(sections[1].kind == SectionKind::kDeleteFile && sections[1].header == 3 && sections[1].terminator == 4);
  EXPECT_TRUE(sections[2].kind == SectionKind::kExecution && sections[2].header == 7 &&
              sections[2].terminator == kNoTerminator);
  for (const SectionKindRow& row : kSectionKinds) EXPECT_STREQ(HeaderOf(row.kind), row.header);

  Lines body;
  ForEachBodyLine(script, sections[0], [&](const std::string& line, int) { body.push_back(line); });
  EXPECT_EQ(body, (Lines{"a,b", "[deletefile]"}));
  // A body without terminator is read up to the line after the last, which is no line.
  body.clear();
  EXPECT_THROW(ForEachBodyLine(script, sections[2], [&](const std::string& line, int) { body.push_back(line); }),
               EStringListError);
  EXPECT_EQ(body, Lines{"MUTEX=M"});
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
