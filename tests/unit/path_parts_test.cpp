#include <gtest/gtest.h>
#include <tuple>

#include "text/text.h"

namespace qv {
namespace {

const LeadByteTable kSjis = ShiftJisLeadBytes();

// Every part of each path; "表" is 0x95 0x5C: its second byte is the byte of "\".
TEST(PathParts, FolderFileNameAndExtensionWhereTheSecondByteOfACharacterIsNoDelimiter) {
  const LeadByteTable none = NoLeadBytes();
  for (const auto& [row, path, lead, folder, file, extension] :
       std::vector<std::tuple<const char*, const char*, const LeadByteTable*, const char*, const char*, const char*>>{
           {"a path", "C:\\Program Files\\Example\\Uninst.inf", &kSjis, "C:\\Program Files\\Example\\", "Uninst.inf",
            ".inf"},
           {"a shorter path", "C:\\Example\\setup.inf", &kSjis, "C:\\Example\\", "setup.inf", ".inf"},
           {"a drive and a name", "C:Uninst.inf", &kSjis, "C:", "Uninst.inf", ".inf"},
           {"a name alone", "Uninst.inf", &kSjis, "", "Uninst.inf", ".inf"},
           {"an extension with a blank before it", "C:\\Example 1.0", &kSjis, "C:\\", "Example 1.0", ".0"},
           {"a dot in the folder", "C:\\v1.0\\Example", &kSjis, "C:\\v1.0\\", "Example", ""},
           {"a dot in the folder and no name", "C:\\v1.0\\", &kSjis, "C:\\v1.0\\", "", ""},
           {"a dot before a colon", "a.b:c", &kSjis, "a.b:", "c", ""},
           {"a final dot", "name.", &kSjis, "", "name.", "."},
           {"a double-byte name", "C:\\\x95\x5C", &kSjis, "C:\\", "\x95\x5C", ""},
           // Without double-byte support the same byte is a delimiter.
           {"a double-byte name on a system without", "C:\\\x95\x5C", &none, "C:\\\x95\x5C", "", ""},
           // A run of lead-byte values of even length before 0x5C: that 0x5C is a real "\".
           {"an even run of lead bytes", "C:\\\x81\x81\x5Cx", &kSjis, "C:\\\x81\x81\x5C", "x", ""},
           // Odd length: the 0x5C is the second byte of the last character.
           {"an odd run of lead bytes", "C:\\\x81\x81\x81\x5Cx", &kSjis, "C:\\", "\x81\x81\x81\x5Cx", ""},
           // The rule is byte-based: "\x82\x2E" is no character, yet its dot starts no extension.
           {"a dot as a second byte", "C:\\a\x82.", &kSjis, "C:\\", "a\x82.", ""},
           {"a lone lead byte at the end is one character", "C:\\x\x81", &kSjis, "C:\\", "x\x81", ""},
       }) {
    SCOPED_TRACE(row);
    EXPECT_EQ(FolderPart(path, *lead), folder);
    EXPECT_EQ(FileNamePart(path, *lead), file);
    EXPECT_EQ(ExtensionPart(path, *lead), extension);
  }
}

TEST(PathParts, NamesBetweenSeparatorsKeepDoubleByteCharactersWhole) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(SplitPathNames("\\Software\\\\Quorvel\\", "\\", kSjis), (Names{"Software", "Quorvel"}));
  EXPECT_EQ(SplitPathNames("\x95\x5C\\x\x81\x81\x5Cy", "\\", kSjis), (Names{"\x95\x5C", "x\x81\x81", "y"}));
  EXPECT_EQ(SplitPathNames("\x95\x5C", "\\", NoLeadBytes()), Names{"\x95"});
  EXPECT_EQ(SplitPathNames("a/b\\c\x81", "\\/", kSjis), (Names{"a", "b", "c\x81"}));
  EXPECT_EQ(SplitPathNames("\\\\", "\\", kSjis), Names{});
}

TEST(PathParts, TrailingBlanksAndDotsAreDropped) {
  EXPECT_EQ(WithoutTrailingBlanksAndDots("app.exe. . "), "app.exe");
  EXPECT_EQ(WithoutTrailingBlanksAndDots(" .."), "");
  EXPECT_EQ(WithoutTrailingBlanksAndDots(".profile"), ".profile");
  EXPECT_EQ(WithoutTrailingBlanksAndDots(""), "");
}

TEST(PathParts, LongTextIsScannedInOnePass) {
  // 100,000 lead bytes and a final "\": answered at once, and correctly (even run: a real "\").
  std::string s(100000, '\x81');
  s += '\\';
  EXPECT_EQ(LastDelimiter(s, "\\", kSjis), 100000u);
}

TEST(CutAtCharBoundary, NeverSplitsADoubleByteCharacter) {
  EXPECT_EQ(CutAtCharBoundary("ab\x82\xa0", 3, kSjis), "ab");
  EXPECT_EQ(CutAtCharBoundary("ab\x82\xa0", 4, kSjis), "ab\x82\xa0");
  EXPECT_EQ(CutAtCharBoundary("abc", 10, kSjis), "abc");
  EXPECT_EQ(CutAtCharBoundary("ab\x82\xa0", 3, NoLeadBytes()), "ab\x82");
}

}  // namespace
}  // namespace qv
