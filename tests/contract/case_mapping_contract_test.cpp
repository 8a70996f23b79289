// Case mapping under code page 932 (CharUpperBuffA, CharLowerBuffA): the ASCII letters and the
// full-width Latin letters change case, every other character stays, and no double-byte character
// is split or has its second byte mapped as a letter.
#include <gtest/gtest.h>
#include <string>

#include "world.h"

namespace qv::contract {
namespace {

bool IsLead(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

class CaseMappingRules : public testing::Test {
 protected:
  std::unique_ptr<World> world_ = NewWorld();
  Platform& platform_ = world_->platform();
};

TEST_F(CaseMappingRules, AsciiLettersOnly) {
  EXPECT_EQ("ABCXYZ09@[`{ ~", platform_.CharUpperBuffA("abcXYZ09@[`{ ~"));
  EXPECT_EQ("abcxyz09@[`{ ~", platform_.CharLowerBuffA("abcXYZ09@[`{ ~"));
  EXPECT_EQ("", platform_.CharUpperBuffA(""));
  // The whole length is mapped, also past a NUL.
  EXPECT_EQ(std::string("A\0B", 3), platform_.CharUpperBuffA(std::string("a\0b", 3)));
}

TEST_F(CaseMappingRules, SecondBytesThatLookLikeLettersStayUnmapped) {
  // ヂ is 0x83 0x61 ("a" as second byte), ア is 0x83 0x41 ("A").
  ASSERT_EQ("\x83\x61", std::string("ヂ"));
  ASSERT_EQ("\x83\x41", std::string("ア"));
  EXPECT_EQ("XヂYアZ", platform_.CharUpperBuffA("xヂyアz"));
  EXPECT_EQ("xヂyアz", platform_.CharLowerBuffA("XヂYアZ"));
  EXPECT_EQ("C:\\ﾃｽﾄ\\ソフト表\\A.TXT", platform_.CharUpperBuffA("c:\\ﾃｽﾄ\\ソフト表\\a.txt"));
}

TEST_F(CaseMappingRules, HalfWidthKatakanaUnchanged) {
  std::string kana;
  for (int b = 0xA1; b <= 0xDF; ++b) kana += static_cast<char>(b);
  EXPECT_EQ(kana, platform_.CharUpperBuffA(kana));
  EXPECT_EQ(kana, platform_.CharLowerBuffA(kana));
}

// Every double-byte code: the pair stays one character (the ASCII letter after it is mapped as
// such) and its second byte is never case-flipped as an ASCII letter would be.
TEST_F(CaseMappingRules, NoDoubleByteCharacterIsSplit) {
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(lead)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string upper = platform_.CharUpperBuffA(pair + "q");
      const std::string lower = platform_.CharLowerBuffA(pair + "Q");
      ASSERT_EQ(3u, upper.size());
      ASSERT_EQ('Q', upper[2]) << std::hex << lead << " " << trail;
      ASSERT_EQ('q', lower[2]) << std::hex << lead << " " << trail;
      if ((trail >= 'a' && trail <= 'z') || (trail >= 'A' && trail <= 'Z')) {
        const char flipped = static_cast<char>(trail ^ 0x20);
        EXPECT_FALSE(upper[0] == pair[0] && upper[1] == flipped) << std::hex << lead << " " << trail;
        EXPECT_FALSE(lower[0] == pair[0] && lower[1] == flipped) << std::hex << lead << " " << trail;
      }
      ++checked;
    }
  }
  EXPECT_EQ(60 * 188, checked);
}

// Full-width Latin letters change case as characters (ａ 0x82 0x81 becomes Ａ 0x82 0x60).
TEST_F(CaseMappingRules, FullWidthLettersMapAsWholeCharacters) {
  EXPECT_EQ("Ａ", platform_.CharUpperBuffA("ａ"));
  EXPECT_EQ("ａ", platform_.CharLowerBuffA("Ａ"));
  // A lead byte at the very end is left alone.
  EXPECT_EQ("AB\x83", platform_.CharUpperBuffA("ab\x83"));
}

}  // namespace
}  // namespace qv::contract
