// The version information box: the date decoder and its checks, the short date formatter, the
// locale's picture as read at start-up, and the box as a start without the switch shows it.
#include "entry/version_box.h"

#include <gtest/gtest.h>

#include "common/version.h"
#include "entry/entry.h"
#include "fake_platform.h"
#include "system/system_info.h"

namespace qv {
namespace {

constexpr char kInvalidDate[] = "日付に変換できない値が渡されました";
constexpr char kInvalidTime[] = "時刻に変換できない値が渡されました";

// 3 April 1999, 03:34:56 UTC: 12:34:56 local time for the fake (UTC + 9).
constexpr std::uint64_t k3April1999 = 125675840960000000ull;

std::int32_t Age(int year, int month, int day, int hour = 12, int minute = 34, int second = 56) {
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

TEST(DecodeFileAge, FieldsOfADosDateAndTime) {
  const CalendarDateTime t = DecodeFileAge(Age(1999, 4, 3, 12, 34, 56));
  EXPECT_EQ(t.year, 1999);
  EXPECT_EQ(t.month, 4);
  EXPECT_EQ(t.day, 3);
  EXPECT_EQ(t.hour, 12);
  EXPECT_EQ(t.minute, 34);
  EXPECT_EQ(t.second, 56);
  // The ends of the range and of a day.
  const CalendarDateTime last = DecodeFileAge(Age(2107, 12, 31, 23, 59, 58));
  EXPECT_EQ(last.year, 2107);
  EXPECT_EQ(last.second, 58);
  EXPECT_EQ(DecodeFileAge(Age(1980, 1, 1, 0, 0, 0)).year, 1980);
}

TEST(DecodeFileAge, DateThatIsNoCalendarDate) {
  EXPECT_EQ(ConvertErrorOf(Age(1999, 13, 1)), kInvalidDate);
  EXPECT_EQ(ConvertErrorOf(Age(1999, 0, 1)), kInvalidDate);
  EXPECT_EQ(ConvertErrorOf(Age(1999, 4, 0)), kInvalidDate);
  EXPECT_EQ(ConvertErrorOf(Age(1999, 4, 31)), kInvalidDate);
  EXPECT_EQ(ConvertErrorOf(Age(1999, 2, 30)), kInvalidDate);
  // Leap years: every fourth, not a century unless divisible by 400.
  EXPECT_EQ(ConvertErrorOf(Age(1999, 2, 29)), kInvalidDate);
  EXPECT_EQ(ConvertErrorOf(Age(2000, 2, 29)), "");
  EXPECT_EQ(ConvertErrorOf(Age(2004, 2, 29)), "");
  EXPECT_EQ(ConvertErrorOf(Age(2100, 2, 29)), kInvalidDate);
  EXPECT_EQ(ConvertErrorOf(Age(1999, 12, 31)), "");
  // -1, no file: its high half reads as month 15.
  EXPECT_EQ(ConvertErrorOf(-1), kInvalidDate);
}

TEST(DecodeFileAge, TimeThatIsNoTimeOfDay) {
  EXPECT_EQ(ConvertErrorOf(Age(1999, 4, 3, 24, 0, 0)), kInvalidTime);
  EXPECT_EQ(ConvertErrorOf(Age(1999, 4, 3, 31, 0, 0)), kInvalidTime);
  EXPECT_EQ(ConvertErrorOf(Age(1999, 4, 3, 12, 60, 0)), kInvalidTime);
  EXPECT_EQ(ConvertErrorOf(Age(1999, 4, 3, 12, 0, 60)), kInvalidTime);  // seconds field 30
  EXPECT_EQ(ConvertErrorOf(Age(1999, 4, 3, 23, 59, 58)), "");
  // The date is checked first.
  EXPECT_EQ(ConvertErrorOf(Age(1999, 13, 3, 24, 60, 60)), kInvalidDate);
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

TEST_F(ShortDate, PicturesOfTheUsualLocales) {
  EXPECT_EQ(Format("yyyy/MM/dd"), "1999/04/03");
  EXPECT_EQ(Format("m/d/yy"), "4/3/99");
  EXPECT_EQ(Format("yyyy/M/d"), "1999/4/3");
  EXPECT_EQ(Format("dd/MM/yyyy", 2005, 12, 25), "25/12/2005");
  EXPECT_EQ(Format("YYYY/mm/DD"), "1999/04/03");
}

TEST_F(ShortDate, YearByCount) {
  EXPECT_EQ(Format("y"), "99");
  EXPECT_EQ(Format("yy"), "99");
  EXPECT_EQ(Format("yyy"), "1999");
  EXPECT_EQ(Format("yyyy"), "1999");
  EXPECT_EQ(Format("yyyyy"), "1999");
  EXPECT_EQ(Format("yy", 2005), "05");
  EXPECT_EQ(Format("y", 2000), "00");
}

// A number is padded with zeros after its sign to the field's width, and never cut to it.
TEST_F(ShortDate, NumbersPaddedToTheirWidthAndNeverCut) {
  EXPECT_EQ(Format("yyyy", 5), "0005");
  EXPECT_EQ(Format("yyyy", 12345), "12345");
  EXPECT_EQ(Format("yy", 12345), "45");
  EXPECT_EQ(Format("yyyy", -5), "-005");
  EXPECT_EQ(Format("yy", -7), "-7");
  EXPECT_EQ(Format("yyyy", -12345), "-12345");
  EXPECT_EQ(Format("d/dd", 1999, 4, 123), "123/123");
}

TEST_F(ShortDate, MonthAndDayByCountWithTheirNames) {
  EXPECT_EQ(Format("m|mm|mmm|mmmm|mmmmm"), "4|04|Apr|April|April");
  EXPECT_EQ(Format("M", 1999, 11, 3), "11");
  // 3 April 1999 was a Saturday; 29 February 2000 a Tuesday; 1 January 1980 a Tuesday.
  EXPECT_EQ(Format("d|dd|ddd|dddd"), "3|03|Sat|Saturday");
  EXPECT_EQ(Format("dddd", 2000, 2, 29), "Tuesday");
  EXPECT_EQ(Format("ddd", 1980, 1, 1), "Tue");
  EXPECT_EQ(Format("ddd", 2107, 12, 31), "Sat");
  EXPECT_EQ(Format("dddd mmmm", 2023, 1, 1), "Sunday January");

  // The locale's own names.
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

TEST_F(ShortDate, QuotedTextIsCopiedWithoutItsQuotes) {
  EXPECT_EQ(Format("'Date: 'yyyy"), "Date: 1999");
  EXPECT_EQ(Format("\"d\"d"), "d3");
  EXPECT_EQ(Format("'a\"b'\"c'd\""), "a\"bc'd");
  EXPECT_EQ(Format("''yy"), "99");
  // Without its closing quote the text runs to the end.
  EXPECT_EQ(Format("yy 'mm/dd"), "99 mm/dd");
  // A double-byte character inside quotes stays whole.
  EXPECT_EQ(Format("'【y】'y"), "【y】99");
}

TEST_F(ShortDate, DoubleByteCharactersAreCopiedWhole) {
  // "年" is 0x94 0x4E: its second byte is the byte of "N", a time code if read alone.
  EXPECT_EQ(Format("yyyy年M月d日"), "1999年4月3日");
  // "【" is 0x81 0x79 ("y"), "Ｅ" 0x82 0x64 ("d"), "ノ" 0x83 0x6D ("m").
  EXPECT_EQ(Format("【yyyy】ＥノM"), "【1999】Ｅノ4");
  // A lead byte with nothing after it is left out, not joined with what follows the date.
  EXPECT_EQ(Format("yyyy\x94"), "1999");
  EXPECT_EQ(Format("yyyy'\x94"), "1999");
  // On a system without double-byte support the same bytes are single characters.
  EXPECT_EQ(FormatShortDate("\x81y", DecodeFileAge(Age(1999, 4, 3)), formats, NoLeadBytes()),
            "\x81"
            "99");
}

TEST_F(ShortDate, CodesForAnythingButTheDateAreCopiedAsText) {
  EXPECT_EQ(Format("yyyy/MM/dd hh:mm:ss"), "1999/04/03 hh:04:ss");
  EXPECT_EQ(Format("d n s nn ss t tt"), "3 n s nn ss t tt");
  EXPECT_EQ(Format("yy am/pm a/p AMPM"), "99 am/pm a/p AMPM");
  EXPECT_EQ(Format("c|ddddd|dddddd|dddd"), "c|ddddd|dddddd|Saturday");
  EXPECT_EQ(Format("gg e/M/d"), "gg e/4/3");
  // Letters that are no codes are copied, a run whole.
  EXPECT_EQ(Format("(wkk) yy"), "(wkk) 99");
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
  struct Case {
    std::int32_t age;
    const char* message;
  };
  for (const Case& c :
       {Case{Age(1999, 13, 3), kInvalidDate}, Case{Age(1999, 2, 30), kInvalidDate}, Case{Age(1999, 4, 0), kInvalidDate},
        Case{Age(1999, 4, 3, 24, 0, 0), kInvalidTime}, Case{Age(1999, 4, 3, 12, 60, 0), kInvalidTime},
        Case{Age(1999, 4, 3, 12, 0, 60), kInvalidTime}}) {
    CorruptDosTimePlatform platform;
    platform.AddFile(platform.moduleFileName);
    platform.dos.date = static_cast<std::uint16_t>(static_cast<std::uint32_t>(c.age) >> 16);
    platform.dos.time = static_cast<std::uint16_t>(c.age & 0xFFFF);
    EXPECT_EQ(ProgramEntry(platform, platform), 1);
    ASSERT_EQ(platform.boxes.size(), 1u) << c.message;  // the version box is not shown
    EXPECT_EQ(platform.boxes[0].caption, "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ");
    const std::string& text = platform.boxes[0].text;
    EXPECT_EQ(text.rfind("EConvertErrorがﾓｼﾞｭｰﾙ QvUninst.exe の ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.find('\n') + 1), std::string(c.message) + ".");
  }
}

}  // namespace
}  // namespace qv
