// Arbitrary short date pictures and DOS dates: the decoder either gives a calendar date or
// raises EConvertError; the formatter stays within 256 bytes and never ends inside a character.
#include <cstdint>
#include <cstring>

#include "common/errors.h"
#include "entry/version_box.h"
#include "fuzz_support.h"
#include "system/system_info.h"
#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  std::int32_t age;
  std::memcpy(&age, data, 4);
  const bool doubleByte = data[4] & 1;
  const std::string picture(reinterpret_cast<const char*>(data + 5), size - 5);
  static const qv::LeadByteTable kShiftJis = qv::ShiftJisLeadBytes(), kNone = qv::NoLeadBytes();
  const qv::LeadByteTable& lead = doubleByte ? kShiftJis : kNone;

  qv::CalendarDateTime date;
  try {
    date = qv::DecodeFileAge(age);
  } catch (const qv::EConvertError&) {
    return 0;
  }
  QV_FUZZ_CHECK(date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31, "decoded date in range");
  QV_FUZZ_CHECK(date.hour < 24 && date.minute < 60 && date.second < 60, "decoded time in range");

  // Long month and day names, as a locale may have them, so the 256-byte cut is reached; made once.
  static const qv::LocaleFormats formats = [] {
    qv::LocaleFormats longNames;
    for (auto& name : longNames.longMonthNames) name = "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8 long month name";
    for (auto& name : longNames.longDayNames) name = "\x93\xfa\x97\x6a\x93\xfa day";
    return longNames;
  }();
  const std::string text = qv::FormatShortDate(picture, date, formats, lead);
  QV_FUZZ_CHECK(text.size() <= 256, "at most 256 bytes");
  QV_FUZZ_CHECK(qv::CutAtCharBoundary(text, text.size(), lead) == text, "ends on a character boundary");
  return 0;
}
