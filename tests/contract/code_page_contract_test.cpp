// Text conversion to UTF-16 with MB_ERR_INVALID_CHARS: what each code page the program reads
// takes as a character, and what it refuses.
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "world.h"

namespace qv::contract {
namespace {

class CodePageRules : public ::testing::Test {
 protected:
  std::optional<std::u16string> Convert(std::uint32_t codePage, const std::string& bytes) {
    return world_->platform().MultiByteToWideChar(codePage, bytes);
  }

 private:
  std::unique_ptr<World> world_ = NewWorld();
};

TEST_F(CodePageRules, CodePage932TakesShiftJisAndRefusesWhatIsNoCharacter) {
  // テスト, half-width ｱ, a second byte 0x5C (ソ), and ASCII with line breaks.
  EXPECT_EQ(Convert(932,
                    "\x83\x65\x83\x58\x83\x67\xB1\x83\x5C"
                    "a\r\n"),
            u"テストｱソa\r\n");
  EXPECT_EQ(Convert(932, "\x80"), u"\u0080");
  EXPECT_EQ(std::nullopt, Convert(932, "a\x85\x40z"));  // a pair that is not assigned
  EXPECT_EQ(std::nullopt, Convert(932, "ab\x83"));      // a lead byte at the end
  EXPECT_EQ(std::nullopt, Convert(932, "\x83\r\n"));    // a lead byte before a line break
  EXPECT_EQ(std::nullopt, Convert(932, "\xA0"));
}

TEST_F(CodePageRules, CodePage1252TakesEveryByte) {
  EXPECT_EQ(Convert(1252, "R\xE9sum\xE9 \x80\x81\x8D\x8F\x90\x9D\xFF"),
            u"R\u00E9sum\u00E9 \u20AC\u0081\u008D\u008F\u0090\u009D\u00FF");
}

TEST_F(CodePageRules, CodePage936TakesGbkAndRefusesWhatIsNoCharacter) {
  EXPECT_EQ(Convert(936, "\xD6\xD0\xCE\xC4.inf"), u"中文.inf");
  EXPECT_EQ(Convert(936, "\x80"), u"\u20AC");
  EXPECT_EQ(std::nullopt, Convert(936, "\xFF"));
  EXPECT_EQ(std::nullopt, Convert(936, "\x81\x7F"));
  EXPECT_EQ(std::nullopt, Convert(936, "a\xD6"));
}

TEST_F(CodePageRules, NoBytesOrAnUnknownCodePageGiveNothing) {
  EXPECT_EQ(std::nullopt, Convert(932, ""));
  EXPECT_EQ(std::nullopt, Convert(1252, ""));
  EXPECT_EQ(std::nullopt, Convert(12345, "a"));
}

}  // namespace
}  // namespace qv::contract
