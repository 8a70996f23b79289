#include "script/script_file.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "common/errors.h"
#include "fake_system.h"
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

// The message of the error E that action raises.
template <typename E, typename Action>
std::string MessageOf(Action&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.message();
  }
  return "no error";
}

TEST(ScriptCutting, LinesAtEachBreakUpToNul) {
  const std::string longLine(100000, 'x');
  for (const auto& [row, bytes, lines] : std::vector<std::tuple<const char*, std::string, Lines>>{
           {"CR LF", "a\r\nb\r\nc", {"a", "b", "c"}},
           {"CR", "a\rb\rc", {"a", "b", "c"}},
           {"LF", "a\nb\nc", {"a", "b", "c"}},
           {"each a break", "a\rb\r\nc\nd", {"a", "b", "c", "d"}},
           {"LF CR is two breaks", "a\n\rb", {"a", "", "b"}},
           {"a final break adds no empty line", "a\r\n", {"a"}},
           {"a final empty line", "a\r\n\r\n", {"a", ""}},
           {"nothing", "", {}},
           {"a break alone", "\r\n", {""}},
           {"NUL ends the text", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
           {"NUL first", std::string("\0a", 2), {}},
           {"blanks stay", " a \t\r\nb", {" a \t", "b"}},
           {"long lines are whole", longLine + "\r\nend;", {longLine, "end;"}},
       }) {
    SCOPED_TRACE(row);
    EXPECT_EQ(Cut(bytes), lines);
  }
}

TEST(ScriptFile, IndexOutOfRangeRaisesTheListIndexError) {
  ScriptFile script = ScriptFile::FromBytes("a\r\nb");
  EXPECT_EQ(MessageOf<EStringListError>([&] { script.Line(2); }), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)");
  EXPECT_EQ(MessageOf<EStringListError>([&] { script.Line(-1); }), "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)");
  EXPECT_EQ(MessageOf<EStringListError>([] { ScriptFile::FromBytes("").Line(0); }),
            "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)");
}

TEST(ScriptFile, LoadReadsTheFileAndRaisesWhenItCannotBeOpened) {
  test::FakePlatform platform;
  platform.AddFile("C:\\App\\Uninst.inf", "//QV-Uninstaller\r\n[deletefile]\r\nend;\r\n");
  EXPECT_EQ(LinesOf(ScriptFile::Load(platform, "C:\\App\\Uninst.inf")),
            (Lines{"//QV-Uninstaller", "[deletefile]", "end;"}));
  platform.AddFile("C:\\App\\Locked.inf", "x").heldOpen = true;
  for (const char* path : {"C:\\App\\Locked.inf", "C:\\App\\Missing.inf", "C:\\App"}) {
    EXPECT_EQ(MessageOf<EFOpenError>([&] { ScriptFile::Load(platform, path); }),
              std::string("ﾌｧｲﾙ ") + path + " は開けません");
  }
}

TEST(ScriptMatching, HeaderAndTerminatorAreTheWholeLineAndTheSignatureAnywhereOnItInAnyCase) {
  using Matcher = bool (*)(Platform&, const std::string&);
  const Matcher header = [](Platform& p, const std::string& line) { return IsHeader(p, line, "[deletefile]"); };
  test::FakePlatform p;
  for (const auto& [row, matches, line, expected] : std::vector<std::tuple<const char*, Matcher, const char*, bool>>{
           {"header", header, "[DeleteFile]", true},
           {"header in capitals", header, "[DELETEFILE]", true},
           {"header after a blank", header, " [deletefile]", false},
           {"header before a blank", header, "[deletefile] ", false},
           {"another header", header, "[deletefil]", false},
           {"terminator", IsTerminator, "end;", true},
           {"terminator in capitals", IsTerminator, "END;", true},
           {"terminator without its semicolon", IsTerminator, "end", false},
           {"terminator before a blank", IsTerminator, "end; ", false},
           {"terminator after a blank", IsTerminator, " end;", false},
           {"signature", HasSignature, "//QV-Uninstaller", true},
           {"signature within the line", HasSignature, "; //qv-uninstaller for my product", true},
           {"signature in mixed case", HasSignature, "//Qv-UNINSTALLER", true},
           {"signature with one slash", HasSignature, "/QV-Uninstaller", false},
           {"empty line", HasSignature, "", false},
           // The second byte of a double-byte character is not mapped: "\x83\x76" stays, "V" would be 0x56.
           {"signature with a double-byte character", HasSignature, "//q\x83v-uninstaller", false},
       }) {
    SCOPED_TRACE(row);
    EXPECT_EQ(matches(p, line), expected) << line;
  }
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

}  // namespace
}  // namespace qv
