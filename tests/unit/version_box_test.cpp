// The version information box: the date decoder and its checks, the short date formatter, the
// locale's picture as read at start-up, and the box as a start without the switch shows it.
#include "entry/version_box.h"

#include <gtest/gtest.h>

#include "common/version.h"
#include "entry/entry.h"
#include "fake_system.h"
#include "system/system_info.h"

namespace qv {
namespace {

constexpr char kInvalidDate[] = "日付に変換できない値が渡されました";
constexpr char kInvalidTime[] = "時刻に変換できない値が渡されました";

// 3 April 1999, 03:34:56 UTC: 12:34:56 local time for the fake (UTC + 9).
constexpr std::uint64_t k3April1999 = 125675840960000000ull;

constexpr std::int32_t Age(int year, int month, int day, int hour = 12, int minute = 34, int second = 56) {
  const std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const std::uint32_t time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return static_cast<std::int32_t>((date << 16) | time);
}

// The message of the EConvertError that decoding raises; empty when it raises none.
std::string ConvertErrorOf(std::int32_t age) {
  try {
    DecodeFileAge(age);
  } catch (const EConvertError& error) {
    return error.message();
  }
  return "";
}

// A DOS date and time by its fields, and the error decoding it raises (none: it gives the fields).
struct AgeRow {
  const char* name;
  int year, month, day, hour, minute, second;
  const char* error;
  std::int32_t age() const { return Age(year, month, day, hour, minute, second); }
};

const AgeRow kAges[] = {
    {"a date and time", 1999, 4, 3, 12, 34, 56, ""},
    {"the end of the range and of a day", 2107, 12, 31, 23, 59, 58, ""},
    {"the start of the range and of a day", 1980, 1, 1, 0, 0, 0, ""},
    {"month 13", 1999, 13, 1, 12, 34, 56, kInvalidDate},
    {"month 13 on the 3rd", 1999, 13, 3, 12, 34, 56, kInvalidDate},
    {"month 0", 1999, 0, 1, 12, 34, 56, kInvalidDate},
    {"day 0", 1999, 4, 0, 12, 34, 56, kInvalidDate},
    {"31 April", 1999, 4, 31, 12, 34, 56, kInvalidDate},
    {"30 February", 1999, 2, 30, 12, 34, 56, kInvalidDate},
    {"29 February of a common year", 1999, 2, 29, 12, 34, 56, kInvalidDate},
    {"29 February of a century divisible by 400", 2000, 2, 29, 12, 34, 56, ""},
    {"29 February of every fourth year", 2004, 2, 29, 12, 34, 56, ""},
    {"29 February of another century", 2100, 2, 29, 12, 34, 56, kInvalidDate},
    {"31 December", 1999, 12, 31, 12, 34, 56, ""},
    // -1, no file: every bit set, so its high half reads as month 15.
    {"-1", 2107, 15, 31, 31, 63, 62, kInvalidDate},
    {"hour 24", 1999, 4, 3, 24, 0, 0, kInvalidTime},
    {"hour 31", 1999, 4, 3, 31, 0, 0, kInvalidTime},
    {"minute 60", 1999, 4, 3, 12, 60, 0, kInvalidTime},
    {"seconds field 30", 1999, 4, 3, 12, 0, 60, kInvalidTime},
    {"the last time of a day", 1999, 4, 3, 23, 59, 58, ""},
    {"the date is checked first", 1999, 13, 3, 24, 60, 60, kInvalidDate},
};
static_assert(Age(2107, 15, 31, 31, 63, 62) == -1);

TEST(DecodeFileAge, FieldsOfACalendarDateAndTimeOrTheErrorOfTheFirstThatIsNone) {
  for (const AgeRow& row : kAges) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ConvertErrorOf(row.age()), row.error);
    if (*row.error) continue;
    const CalendarDateTime t = DecodeFileAge(row.age());
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}),
              std::vector<int>({row.year, row.month, row.day, row.hour, row.minute, row.second}));
  }
}

class ShortDate : public ::testing::Test {
 protected:
  ShortDate() {
    // The English names, as a locale without names of its own gives them.
    test::FakePlatform platform;
    formats = ReadLocaleFormats(platform);
  }
  std::string Format(const std::string& picture, int year = 1999, int month = 4, int day = 3) {
    CalendarDateTime date;
    date.year = year;
    date.month = month;
    date.day = day;
    return FormatShortDate(picture, date, formats, lead);
  }
  LocaleFormats formats;
  LeadByteTable lead = ShiftJisLeadBytes();
};

// A picture, what it shows of a date (3 April 1999 unless the row says otherwise) and the case it
// stands for.
struct PictureRow {
  const char* name;
  const char* picture;
  const char* shown;
  int year = 1999, month = 4, day = 3;
};

const PictureRow kPictures[] = {
    {"usual locales", "yyyy/MM/dd", "1999/04/03"},
    {"usual locales", "m/d/yy", "4/3/99"},
    {"usual locales", "yyyy/M/d", "1999/4/3"},
    {"usual locales", "dd/MM/yyyy", "25/12/2005", 2005, 12, 25},
    {"usual locales", "YYYY/mm/DD", "1999/04/03"},
    {"year by count", "y", "99"},
    {"year by count", "yy", "99"},
    {"year by count", "yyy", "1999"},
    {"year by count", "yyyy", "1999"},
    {"year by count", "yyyyy", "1999"},
    {"year by count", "yy", "05", 2005},
    {"year by count", "y", "00", 2000},
    // A number is padded with zeros after its sign to the field's width, and never cut to it.
    {"padded, never cut", "yyyy", "0005", 5},
    {"padded, never cut", "yyyy", "12345", 12345},
    {"padded, never cut", "yy", "45", 12345},
    {"padded, never cut", "yyyy", "-005", -5},
    {"padded, never cut", "yy", "-7", -7},
    {"padded, never cut", "yyyy", "-12345", -12345},
    {"padded, never cut", "d/dd", "123/123", 1999, 4, 123},
    // 3 April 1999 was a Saturday; 29 February 2000 a Tuesday; 1 January 1980 a Tuesday.
    {"month and day by count", "m|mm|mmm|mmmm|mmmmm", "4|04|Apr|April|April"},
    {"month and day by count", "M", "11", 1999, 11, 3},
    {"month and day by count", "d|dd|ddd|dddd", "3|03|Sat|Saturday"},
    {"month and day by count", "dddd", "Tuesday", 2000, 2, 29},
    {"month and day by count", "ddd", "Tue", 1980, 1, 1},
    {"month and day by count", "ddd", "Sat", 2107, 12, 31},
    {"month and day by count", "dddd mmmm", "Sunday January", 2023, 1, 1},
    {"quoted text without its quotes", "'Date: 'yyyy", "Date: 1999"},
    {"quoted text without its quotes", "\"d\"d", "d3"},
    {"quoted text without its quotes", "'a\"b'\"c'd\"", "a\"bc'd"},
    {"quoted text without its quotes", "''yy", "99"},
    {"quoted text without its closing quote runs to the end", "yy 'mm/dd", "99 mm/dd"},
    {"a double-byte character inside quotes stays whole", "'【y】'y", "【y】99"},
    // "年" is 0x94 0x4E: its second byte is the byte of "N", a time code if read alone.
    {"double-byte characters whole", "yyyy年M月d日", "1999年4月3日"},
    // "【" is 0x81 0x79 ("y"), "Ｅ" 0x82 0x64 ("d"), "ノ" 0x83 0x6D ("m").
    {"double-byte characters whole", "【yyyy】ＥノM", "【1999】Ｅノ4"},
    // A lead byte with nothing after it is left out, not joined with what follows the date.
    {"a lone lead byte at the end", "yyyy\x94", "1999"},
    {"a lone lead byte at the end", "yyyy'\x94", "1999"},
    {"codes for anything but the date as text", "yyyy/MM/dd hh:mm:ss", "1999/04/03 hh:04:ss"},
    {"codes for anything but the date as text", "d n s nn ss t tt", "3 n s nn ss t tt"},
    {"codes for anything but the date as text", "yy am/pm a/p AMPM", "99 am/pm a/p AMPM"},
    {"codes for anything but the date as text", "c|ddddd|dddddd|dddd", "c|ddddd|dddddd|Saturday"},
    {"codes for anything but the date as text", "gg e/M/d", "gg e/4/3"},
    {"letters that are no codes, a run whole", "(wkk) yy", "(wkk) 99"},
};

TEST_F(ShortDate, EachCodeByItsCountAndAnythingElseAsText) {
  for (const PictureRow& row : kPictures) {
    SCOPED_TRACE(std::string(row.name) + ": " + row.picture);
    EXPECT_EQ(Format(row.picture, row.year, row.month, row.day), row.shown);
  }
}

TEST_F(ShortDate, TheLocalesOwnNames) {
  formats.shortMonthNames[3] = "4月";
  formats.longMonthNames[3] = "四月";
  formats.shortDayNames[6] = "土";
  formats.longDayNames[6] = "土曜日";
  EXPECT_EQ(Format("mmm|mmmm|ddd|dddd"), "4月|四月|土|土曜日");
}

TEST_F(ShortDate, SlashIsTheLocaleSeparator) {
  formats.dateSeparator = '.';
  EXPECT_EQ(Format("yyyy/MM/dd"), "1999.04.03");
  EXPECT_EQ(Format("dd-MM-yyyy"), "03-04-1999");  // another character is copied as it stands
  EXPECT_EQ(Format("'/'"), "/");                  // quoted: not the separator
}

TEST_F(ShortDate, WithoutDoubleByteSupportTheSameBytesAreSingleCharacters) {
  EXPECT_EQ(FormatShortDate("\x81y", DecodeFileAge(Age(1999, 4, 3)), formats, NoLeadBytes()),
            "\x81"
            "99");
}

TEST_F(ShortDate, AtMost256BytesWithoutSplittingACharacter) {
  EXPECT_EQ(Format(std::string(300, 'x')), std::string(256, 'x'));
  std::string longName;
  for (int i = 0; i < 200; ++i) longName += "あ";
  formats.longMonthNames[3] = longName;
  // "x" and 127 characters of two bytes make 255 bytes; the 128th would end past byte 256.
  const std::string cut = Format("xmmmm");
  EXPECT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut, "x" + longName.substr(0, 254));
  EXPECT_EQ(Format("xxmmmm").size(), 256u);
}

TEST(LocalePicture, EraCodesRemovedForCjkLocalesWithoutAnEraCalendar) {
  test::FakePlatform platform;
  platform.localeInfo[win::kLocaleSShortDate] = "gg yyyy/M/d G";
  platform.localeInfo[win::kLocaleICalendarType] = "1";  // Gregorian
  for (std::uint32_t locale : {0x411u, 0x804u, 0x412u}) {
    platform.threadLocale = locale;
    EXPECT_EQ(ReadLocaleFormats(platform).shortDate, " yyyy/M/d ") << locale;
  }
  platform.threadLocale = 0x411;
  platform.localeInfo[win::kLocaleICalendarType] = "3";  // Japanese eras
  EXPECT_EQ(ReadLocaleFormats(platform).shortDate, "gg yyyy/M/d G");
  platform.threadLocale = 0x409;
  platform.localeInfo[win::kLocaleICalendarType] = "1";
  EXPECT_EQ(ReadLocaleFormats(platform).shortDate, "gg yyyy/M/d G");
}

// The whole box as a start without the uninstall switch shows it.
class VersionBox : public ::testing::Test {
 protected:
  VersionBox() {
    platform.moduleFileName = "C:\\Program Files\\Tools\\QvUninst.exe";
    platform.AddFile(platform.moduleFileName).lastWriteTime = k3April1999;
  }
  int Run(const std::string& arguments = "") {
    platform.commandLine = "QvUninst.exe " + arguments;
    return ProgramEntry(platform, platform);
  }
  std::string ShownDate() const {
    const std::string& text = platform.boxes.at(0).text;
    const std::size_t start = text.find("制作日：") + std::string("制作日：").size();
    return text.substr(start, text.find("\r\n", start) - start);
  }
  test::FakePlatform platform;
};

std::string ExpectedText(const std::string& date) {
  return "Quorvel Uninstaller Ver2.09\r\n\r\n制作者：" QV_AUTHOR "\r\n制作日：" + date +
         "\r\n提供元：Quorvel Software\r\n\r\n" QV_CREDITS
         "\r\n\r\nこのファイルは、制作者の作ったアプリケーションの\r\nアンインストールに必要な共有ファイルなので、"
         "削除しないで下さい。";
}

TEST_F(VersionBox, WholeTextCaptionAndFlags) {
  platform.localeInfo[win::kLocaleSShortDate] = "yyyy/MM/dd";
  platform.localeInfo[win::kLocaleSDate] = "/";
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, ExpectedText("1999/04/03"));
  EXPECT_EQ(platform.boxes[0].caption, "バージョン情報");
  EXPECT_EQ(platform.boxes[0].flags, 0x40u);
  EXPECT_TRUE(platform.reads.empty());
  // The author is the team and the credit line names the compiler.
  EXPECT_STREQ(QV_AUTHOR, "Quorvel Software 開発チーム");
  EXPECT_EQ(std::string(QV_CREDITS).rfind("開発ツール：", 0), 0u);
  EXPECT_NE(std::string(QV_CREDITS).find(__VERSION__), std::string::npos);
}

TEST_F(VersionBox, DateInTheLocalesPicture) {
  EXPECT_EQ(Run("/u"), 0);  // no picture: "m/d/yy"
  EXPECT_EQ(ShownDate(), "4/3/99");

  platform.boxes.clear();
  platform.localeInfo[win::kLocaleSShortDate] = "yyyy/M/d";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ShownDate(), "1999/4/3");

  // The local date, not the UTC one: 20:00 UTC on 2 April is 3 April here.
  platform.boxes.clear();
  platform.AddFile(platform.moduleFileName).lastWriteTime = k3April1999 - 27296ull * 10000000ull;
  platform.localeInfo[win::kLocaleSShortDate] = "dd.MM.yyyy";
  platform.localeInfo[win::kLocaleSDate] = "-";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ShownDate(), "03.04.1999");
}

TEST_F(VersionBox, ProgramFileNotFoundLeavesTheDateEmpty) {
  platform.moduleFileName = "C:\\Elsewhere\\QvUninst.exe";
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, ExpectedText(""));
}

// A platform whose conversion gives a DOS date and time that are no calendar values, as a
// corrupt file time could.
class CorruptDosTimePlatform : public test::FakePlatform {
 public:
  std::optional<DosDateTime> FileTimeToDosDateTime(std::uint64_t) override { return dos; }
  DosDateTime dos;
};

TEST(VersionBoxFatal, DateOrTimeThatIsNoCalendarValueEndsInTheFatalReport) {
  for (const AgeRow& row : kAges) {
    if (!*row.error || row.age() == -1) continue;  // -1 reads as no file: the date is left empty
    SCOPED_TRACE(row.name);
    CorruptDosTimePlatform platform;
    platform.AddFile(platform.moduleFileName);
    platform.dos.date = static_cast<std::uint16_t>(static_cast<std::uint32_t>(row.age()) >> 16);
    platform.dos.time = static_cast<std::uint16_t>(row.age() & 0xFFFF);
    EXPECT_EQ(ProgramEntry(platform, platform), 1);
    ASSERT_EQ(platform.boxes.size(), 1u);  // the version box is not shown
    EXPECT_EQ(platform.boxes[0].caption, "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ");
    const std::string& text = platform.boxes[0].text;
    EXPECT_EQ(text.rfind("EConvertErrorがﾓｼﾞｭｰﾙ QvUninst.exe の ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.find('\n') + 1), std::string(row.error) + ".");
  }
}

}  // namespace
}  // namespace qv
