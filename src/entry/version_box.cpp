#include "entry/version_box.h"

#include <string>

#include "boxes/message_box.h"
#include "common/errors.h"
#include "common/texts.h"
#include "system/files.h"

namespace qv {

namespace {

constexpr std::size_t kDateLimit = 256;

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

// The value in decimal, its digits padded with zeros after any sign to the width in all.
std::string Digits(int value, int width) {
  std::string text = std::to_string(value);
  if (text.size() < static_cast<std::size_t>(width)) text.insert(value < 0 ? 1 : 0, width - text.size(), '0');
  return text;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// How often the letter at i stands in a row, in either case.
std::size_t RunLength(const std::string& picture, std::size_t i) {
  const char letter = LowerAscii(picture[i]);
  std::size_t end = i;
  while (end < picture.size() && LowerAscii(picture[end]) == letter) ++end;
  return end - i;
}

// The am/pm marker that stands at i, in either case; 0 when there is none.
std::size_t MarkerLength(const std::string& picture, std::size_t i) {
  for (std::string_view marker : {"am/pm", "a/p", "ampm"}) {
    std::size_t k = 0;
    while (k < marker.size() && i + k < picture.size() && LowerAscii(picture[i + k]) == marker[k]) ++k;
    if (k == marker.size()) return k;
  }
  return 0;
}

// Appends the text of a field letter (y, m or d in lower case) that stands run times in a row;
// false, and nothing appended, for any other letter or length, which is copied as it stands.
bool AppendField(std::string& out, char letter, std::size_t run, const CalendarDateTime& date,
                 const LocaleFormats& formats) {
  const int width = static_cast<int>(run);
  switch (letter) {
    case 'y':
      out += run <= 2 ? Digits(date.year % 100, 2) : Digits(date.year, 4);
      return true;
    case 'm':
      if (run <= 2)
        out += Digits(date.month, width);
      else
        out += (run == 3 ? formats.shortMonthNames : formats.longMonthNames)[date.month - 1];
      return true;
    case 'd':
      if (run <= 2) {
        out += Digits(date.day, width);
        return true;
      }
      if (run > 4) break;
      out += (run == 3 ? formats.shortDayNames : formats.longDayNames)[DayOfWeek(date.year, date.month, date.day)];
      return true;
  }
  return false;
}

// One pass over a short date picture, piece by piece: a double-byte character, a quoted stretch,
// a sign, an am/pm marker, or a letter with the letters like it that follow.
class ShortDateFormatter {
 public:
  ShortDateFormatter(const std::string& picture, const CalendarDateTime& date, const LocaleFormats& formats,
                     const LeadByteTable& lead)
      : picture_(picture), date_(date), formats_(formats), lead_(lead) {}

  std::string Format() {
    out_.reserve(2 * kDateLimit);  // a piece may still begin just below the limit
    for (std::size_t i = 0; i < picture_.size() && out_.size() <= kDateLimit;) i = Piece(i);
    return CutAtCharBoundary(out_, kDateLimit, lead_);
  }

 private:
  bool Leads(std::size_t i) const { return lead_[static_cast<unsigned char>(picture_[i])]; }

  // Formats the piece that starts at i; returns where the next one starts.
  std::size_t Piece(std::size_t i) {
    const char c = picture_[i];
    if (Leads(i)) {
      if (i + 1 < picture_.size()) out_.append(picture_, i, 2);
      return i + 2;
    }
    if (c == '\'' || c == '"') return Quoted(i);
    const char letter = LowerAscii(c);
    if (letter < 'a' || letter > 'z') {
      out_ += c == '/' ? formats_.dateSeparator : c;
      return i + 1;
    }
    if (const std::size_t marker = letter == 'a' ? MarkerLength(picture_, i) : 0) {
      out_.append(picture_, i, marker);  // an am/pm marker as a whole, its m no month
      return i + marker;
    }
    const std::size_t run = RunLength(picture_, i);
    if (!AppendField(out_, letter, run, date_, formats_))
      out_.append(picture_, i, run);  // any other letter, a run whole
    return i + run;
  }

  // The text between the quote at i and the next same quote (or the end), without the quotes.
  std::size_t Quoted(std::size_t i) {
    std::size_t j = i + 1;
    while (j < picture_.size() && picture_[j] != picture_[i]) {
      const std::size_t width = Leads(j) ? 2 : 1;
      if (j + width > picture_.size()) break;  // a lead byte alone at the end is left out
      out_.append(picture_, j, width);
      j += width;
    }
    return j + 1;
  }

  const std::string& picture_;
  const CalendarDateTime& date_;
  const LocaleFormats& formats_;
  const LeadByteTable& lead_;
  std::string out_;
};

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
  if (result.month < 1 || result.month > 12 || result.day < 1 || result.day > DaysInMonth(result.year, result.month))
    Raise<EConvertError>(texts::kInvalidDate, MixedText());
  if (result.hour >= 24 || result.minute >= 60 || result.second >= 60)
    Raise<EConvertError>(texts::kInvalidTime, MixedText());
  return result;
}

// The picture's letters in either case, by how often they stand in a row: y, m and d give the
// date's fields and names, "/" the locale's separator, quoted text is copied without its quotes.
// A short date picture is not expected to hold the formatter's further codes (time fields h, n,
// s, time pictures t, am/pm markers a, the combined picture c, era year e, era name g, the time
// separator ":", and d five or more times); the box shows only a date, so they are copied as
// text and never put a picture inside itself. A double-byte character is copied whole, so its
// second byte (the "N" of "年") is never read as a code; a lead byte alone at the end is left out.
std::string FormatShortDate(const std::string& picture, const CalendarDateTime& date, const LocaleFormats& formats,
                            const LeadByteTable& lead) {
  return ShortDateFormatter(picture, date, formats, lead).Format();
}

MixedText VersionBoxText(const std::string& buildDate) {
  return ProgramText(texts::kVersionHead) + SystemText(buildDate) + ProgramText(texts::kVersionTail);
}

void ShowVersionBox(Platform& platform, const SystemInfo& system) {
  const std::int32_t age = FileAge(platform, platform.GetModuleFileNameA());
  // A program file that cannot be found has no date to show; the box is shown all the same.
  std::string buildDate;
  if (age != -1)
    buildDate = FormatShortDate(system.locale.shortDate, DecodeFileAge(age), system.locale, system.leadBytes);
  ShowMessage(platform, VersionBoxText(buildDate), MessageKind::kInformation, texts::kVersionCaption);
}

}  // namespace qv
