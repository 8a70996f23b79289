#include "version_box.h"

#include <cstdio>

#include "errors.h"
#include "platform/files.h"
#include "texts.h"

namespace qv {

namespace {

constexpr std::size_t kDateLimit = 256;
constexpr std::uint32_t kVersionBoxFlags = win::kMbIconInformation | win::kMbOk;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// 0 for Sunday to 6 for Saturday, in the Gregorian calendar.
int DayOfWeek(int year, int month, int day) {
  static constexpr int kMonthOffset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) --year;
  return (year + year / 4 - year / 100 + year / 400 + kMonthOffset[month - 1] + day) % 7;
}

std::string Digits(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// How often the letter at i stands in a row, in either case.
std::size_t RunLength(const std::string& picture, std::size_t i) {
  const char letter = LowerAscii(picture[i]);
  std::size_t end = i;
  while (end < picture.size() && LowerAscii(picture[end]) == letter) ++end;
  return end - i;
}

// Whether the picture holds the text at i, in either case.
bool StandsAt(const std::string& picture, std::size_t i, const char* text) {
  for (; *text; ++text, ++i)
    if (i >= picture.size() || LowerAscii(picture[i]) != *text) return false;
  return true;
}

}  // namespace

CalendarDateTime DecodeFileAge(std::int32_t age) {
  const auto bits = static_cast<std::uint32_t>(age);
  const std::uint32_t date = bits >> 16, time = bits & 0xFFFF;
  CalendarDateTime result;
  result.day = static_cast<int>(date & 0x1F);
  result.month = static_cast<int>((date >> 5) & 0x0F);
  result.year = 1980 + static_cast<int>(date >> 9);
  result.hour = static_cast<int>(time >> 11);
  result.minute = static_cast<int>((time >> 5) & 0x3F);
  result.second = static_cast<int>(time & 0x1F) * 2;
  if (result.month < 1 || result.month > 12 || result.day < 1 ||
      result.day > DaysInMonth(result.year, result.month))
    Raise<EConvertError>(texts::kInvalidDate, std::string());
  if (result.hour >= 24 || result.minute >= 60 || result.second >= 60)
    Raise<EConvertError>(texts::kInvalidTime, std::string());
  return result;
}

// The box shows only a date, so the picture's codes for other things are handled as follows
// (a short date picture is not expected to hold them, but the locale's picture can be set to
// anything):
// - time fields h, n, s, the time pictures t and tt, the am/pm markers ("am/pm", "a/p", "ampm";
//   a lone a) and the time separator ":" produce nothing; an m run right after an h run stands
//   for the minutes, as in "h:mm", and produces nothing too rather than a month;
// - the combined picture c and d five or more times (the short and long date pictures) produce
//   nothing: they would put the picture inside itself;
// - the era name g produces nothing (the program knows no era names) and the era year e gives the
//   four-digit year of the Gregorian calendar, so "gge/M/d" still shows a whole date.
// A double-byte character is copied whole, so its second byte is never read as a code; a lead
// byte with nothing after it at the end of the picture is left out.
std::string FormatShortDate(const std::string& picture, const CalendarDateTime& date, const LocaleFormats& formats,
                            const LeadByteTable& lead) {
  std::string out;
  bool afterHour = false;
  std::size_t i = 0;
  while (i < picture.size() && out.size() <= kDateLimit) {
    const char c = picture[i];
    if (lead[static_cast<unsigned char>(c)]) {
      if (i + 1 < picture.size()) out.append(picture, i, 2);
      i += 2;
      continue;
    }
    if (c == '\'' || c == '"') {
      std::size_t j = i + 1;
      while (j < picture.size() && picture[j] != c) {
        const bool pair = lead[static_cast<unsigned char>(picture[j])] && j + 1 < picture.size();
        out.append(picture, j, pair ? 2 : 1);
        j += pair ? 2 : 1;
      }
      i = j + 1;
      continue;
    }
    const char letter = LowerAscii(c);
    const std::size_t run = RunLength(picture, i);
    switch (letter) {
      case 'y':
        out += run <= 2 ? Digits(date.year % 100, 2) : Digits(date.year, 4);
        break;
      case 'm':
        if (afterHour) break;
        if (run == 1) out += Digits(date.month, 1);
        else if (run == 2) out += Digits(date.month, 2);
        else if (run == 3) out += formats.shortMonthNames[date.month - 1];
        else out += formats.longMonthNames[date.month - 1];
        break;
      case 'd':
        if (run == 1) out += Digits(date.day, 1);
        else if (run == 2) out += Digits(date.day, 2);
        else if (run == 3) out += formats.shortDayNames[DayOfWeek(date.year, date.month, date.day)];
        else if (run == 4) out += formats.longDayNames[DayOfWeek(date.year, date.month, date.day)];
        break;
      case 'e':
        out += Digits(date.year, 4);
        break;
      case 'a': {
        // The whole marker goes; a lone a is taken as a marker of its own.
        std::size_t length = 1;
        for (const char* marker : {"am/pm", "a/p", "ampm"})
          if (StandsAt(picture, i, marker)) {
            length = std::char_traits<char>::length(marker);
            break;
          }
        i += length;
        afterHour = false;
        continue;
      }
      case 'h': case 'n': case 's': case 't': case 'c': case 'g':
        break;
      case '/':
        out += formats.dateSeparator;
        break;
      case ':':
        break;
      default:
        // Other letters are copied as they stand, a run whole; any other byte on its own.
        if (letter >= 'a' && letter <= 'z') out.append(picture, i, run);
        else out += c;
        break;
    }
    const bool isLetter = letter >= 'a' && letter <= 'z';
    // An h run makes the next m run the minutes; any other letter ends that.
    if (isLetter) afterHour = letter == 'h';
    i += isLetter ? run : 1;
  }
  return CutAtCharBoundary(out, kDateLimit, lead);
}

std::string VersionBoxText(const std::string& buildDate) {
  return std::string(texts::kVersionHead) + buildDate + texts::kVersionTail;
}

void ShowVersionBox(Platform& platform, const SystemInfo& system) {
  const std::int32_t age = FileAge(platform, platform.GetModuleFileNameA());
  // A program file that cannot be found has no date to show; the box is shown all the same.
  std::string buildDate;
  if (age != -1)
    buildDate = FormatShortDate(system.locale.shortDate, DecodeFileAge(age), system.locale, system.leadBytes);
  platform.MessageBoxA(VersionBoxText(buildDate), texts::kVersionCaption, kVersionBoxFlags);
}

}  // namespace qv
