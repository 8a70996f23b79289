// The version information box shown by a start without the uninstall switch: who made the
// program, when it was built (the date of its own file) and that it must not be deleted.
#pragma once

#include <cstdint>
#include <string>

#include "common/mixed_text.h"
#include "seam/platform.h"
#include "system/system_info.h"
#include "text/text.h"

namespace qv {

struct CalendarDateTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to the month's length
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// A file age (DOS date in the high 16 bits, DOS time in the low 16 bits) as a calendar date and
// time. The date is checked first, then the time; a value that is none raises EConvertError.
CalendarDateTime DecodeFileAge(std::int32_t age);

// The date formatted with a short date picture (letters in either case; y, m, d by how often
// they stand in a row; "/" is the locale's separator; quoted text is copied). At most 256 bytes,
// never ending inside a double-byte character.
std::string FormatShortDate(const std::string& picture, const CalendarDateTime& date, const LocaleFormats& formats,
                            const LeadByteTable& lead);

// The box's whole text around a formatted build date (made of the locale's strings).
MixedText VersionBoxText(const std::string& buildDate);

// Shows the box: the date of the program's own file in the locale's short date format, left
// empty when the file cannot be found.
void ShowVersionBox(Platform& platform, const SystemInfo& system);

}  // namespace qv
