// Case mapping beyond the contract rules, lead bytes and locale formats of the Japanese prefix
// (code page 932).
#include <gtest/gtest.h>
#include <string>

#include "support.h"
#include "system/system_info.h"
#include "win32/win32_platform.h"

namespace qv::wintest {
namespace {

bool IsLead(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The rules of case mapping that the fake copies are in tests/contract. Observed under Wine beyond
// them: the mapping works on whole characters, so Greek letters change case too, and an
// unassigned double-byte code comes back as ・ (0x81 0x45). The fake does neither.
TEST(CaseMappingTest, DoubleByteLettersMapAsWholeCharacters) {
  Win32Platform platform;
  EXPECT_EQ("Α", platform.CharUpperBuffA("α"));
  EXPECT_EQ("\x81\x45", platform.CharUpperBuffA("\x85\x40"));
}

TEST(LeadByteTest, CodePage932Ranges) {
  Win32Platform platform;
  EXPECT_NE(0, platform.GetSystemMetrics(win::kSmDbcsEnabled));
  using Ranges = std::vector<std::pair<std::uint8_t, std::uint8_t>>;
  EXPECT_EQ((Ranges{{0x81, 0x9F}, {0xE0, 0xFC}}), platform.GetCPInfoLeadBytes());
  const LeadByteTable table = ReadLeadBytes(platform);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(IsLead(b), table[b]) << std::hex << b;
}

// UTF-7 takes no flag (the contract's rules keep to the code pages the fake knows).
TEST(ConversionTest, Utf7IsAskedForWithoutFlags) {
  EXPECT_EQ("a+AOk-", Win32Platform().WideCharToMultiByte(65000, u"a\u00E9"));
}

TEST(LocaleTest, JapaneseFormats) {
  Win32Platform platform;
  EXPECT_EQ(0x411u, platform.GetThreadLocale());
  const LocaleFormats formats = ReadLocaleFormats(platform);
  EXPECT_EQ("yyyy/M/d", formats.shortDate);
  EXPECT_EQ('/', formats.dateSeparator);
  for (int m = 0; m < 12; ++m) {
    EXPECT_EQ(std::to_string(m + 1) + "月", formats.longMonthNames[m]);
    EXPECT_EQ(std::to_string(m + 1) + "月", formats.shortMonthNames[m]);
  }
  // Sunday first, although the locale counts from Monday.
  const char* longDays[7] = {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};
  const char* shortDays[7] = {"日", "月", "火", "水", "木", "金", "土"};
  for (int d = 0; d < 7; ++d) {
    EXPECT_EQ(longDays[d], formats.longDayNames[d]);
    EXPECT_EQ(shortDays[d], formats.shortDayNames[d]);
  }
}

// The user's own short date picture under HKCU\Control Panel\International is honoured by a
// process started after it was set; era codes are dropped for the Gregorian calendar.
class LocaleOverrideTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_ALL_ACCESS, &key_));
    char buffer[128];
    DWORD size = sizeof buffer, type = 0;
    hadValue_ =
        ::RegQueryValueExA(key_, "sShortDate", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    if (hadValue_) old_.assign(buffer, size);
  }
  void TearDown() override {
    if (hadValue_)
      ::RegSetValueExA(key_, "sShortDate", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.data()),
                       static_cast<DWORD>(old_.size()));
    else
      ::RegDeleteValueA(key_, "sShortDate");
    ::RegCloseKey(key_);
  }
  void SetPicture(const std::string& picture) {
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetValueExA(key_, "sShortDate", 0, REG_SZ, reinterpret_cast<const BYTE*>(picture.c_str()),
                               static_cast<DWORD>(picture.size() + 1)));
  }
  HKEY key_ = nullptr;
  bool hadValue_ = false;
  std::string old_;
};

TEST_F(LocaleOverrideTest, UserPictureWithEraCodesDropped) {
  ScratchFolder folder("locale");
  SetPicture("gg yy-MM-dd");
  EXPECT_EQ(" yy-MM-dd", ShortDateInChild(folder.path()));
  SetPicture("d.M.yyyy");
  EXPECT_EQ("d.M.yyyy", ShortDateInChild(folder.path()));
}

}  // namespace
}  // namespace qv::wintest
