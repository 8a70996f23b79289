#include <gtest/gtest.h>

#include "text/text.h"

namespace qv {
namespace {

const LeadByteTable kSjis = ShiftJisLeadBytes();

TEST(PathParts, FolderFileNameAndExtension) {
  EXPECT_EQ(FolderPart("C:\\Program Files\\Example\\Uninst.inf", kSjis), "C:\\Program Files\\Example\\");
  EXPECT_EQ(FileNamePart("C:\\Program Files\\Example\\Uninst.inf", kSjis), "Uninst.inf");
  EXPECT_EQ(ExtensionPart("C:\\Example\\setup.inf", kSjis), ".inf");
  EXPECT_EQ(FolderPart("C:Uninst.inf", kSjis), "C:");
  EXPECT_EQ(FolderPart("Uninst.inf", kSjis), "");
  EXPECT_EQ(FileNamePart("Uninst.inf", kSjis), "Uninst.inf");
}

TEST(PathParts, ExtensionNeedsNoDelimiterAfterTheDot) {
  EXPECT_EQ(ExtensionPart("C:\\Example 1.0", kSjis), ".0");
  EXPECT_EQ(ExtensionPart("C:\\v1.0\\Example", kSjis), "");
  EXPECT_EQ(ExtensionPart("C:\\v1.0\\", kSjis), "");
  EXPECT_EQ(ExtensionPart("a.b:c", kSjis), "");
  EXPECT_EQ(ExtensionPart("name.", kSjis), ".");
}

TEST(PathParts, SecondByteOfADoubleByteCharacterIsNoDelimiter) {
  // "表" is 0x95 0x5C: its second byte is the byte of "\".
  const std::string folder = "C:\\\x95\x5C";
  EXPECT_EQ(FolderPart(folder, kSjis), "C:\\");
  EXPECT_EQ(FileNamePart(folder, kSjis), "\x95\x5C");
  // Without double-byte support the same byte is a delimiter.
  EXPECT_EQ(FolderPart(folder, NoLeadBytes()), folder);
  // A run of lead-byte values of even length before 0x5C: that 0x5C is a real "\".
  EXPECT_EQ(FolderPart("C:\\\x81\x81\x5Cx", kSjis), "C:\\\x81\x81\x5C");
  // Odd length: the 0x5C is the second byte of the last character.
  EXPECT_EQ(FolderPart("C:\\\x81\x81\x81\x5Cx", kSjis), "C:\\");
  // A dot as the second byte of a character never starts an extension ("\x82\x2E" is no character,
  // but the rule is byte-based).
  EXPECT_EQ(ExtensionPart("C:\\a\x82.", kSjis), "");
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

TEST(PathParts, LoneLeadByteAtTheEndIsOneCharacter) { EXPECT_EQ(FileNamePart("C:\\x\x81", kSjis), "x\x81"); }

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
