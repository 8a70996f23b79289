#include "system/system_info.h"

#include <optional>

namespace qv {

namespace {

constexpr const char* kEnglishShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kEnglishLongMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                                "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kEnglishShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kEnglishLongDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};

constexpr std::uint32_t kLangChinese = 0x04;
constexpr std::uint32_t kLangJapanese = 0x11;
constexpr std::uint32_t kLangKorean = 0x12;
// Calendars that count years by era: Japanese, Taiwanese, Korean.
constexpr int kEraCalendars[] = {3, 4, 5};

std::string LocaleText(Platform& platform, std::uint32_t locale, std::uint32_t type, const char* fallback) {
  std::optional<std::string> value = platform.GetLocaleInfoA(locale, type);
  return value && !value->empty() ? *value : std::string(fallback);
}

bool HasEraCalendar(Platform& platform, std::uint32_t locale) {
  std::optional<std::string> value = platform.GetLocaleInfoA(locale, win::kLocaleICalendarType);
  if (!value || value->empty()) return false;
  int calendar = 0;
  for (char c : *value) {
    if (c < '0' || c > '9') break;
    calendar = calendar * 10 + (c - '0');
    if (calendar > 1000) break;
  }
  for (int era : kEraCalendars)
    if (calendar == era) return true;
  return false;
}

std::string WithoutEraCodes(const std::string& picture) {
  std::string result;
  for (char c : picture)
    if (c != 'g' && c != 'G') result += c;
  return result;
}

}  // namespace

LeadByteTable ReadLeadBytes(Platform& platform) {
  LeadByteTable table = NoLeadBytes();
  if (platform.GetSystemMetrics(win::kSmDbcsEnabled) == 0) return table;
  for (auto [first, last] : platform.GetCPInfoLeadBytes())
    for (int b = first; b <= last; ++b) table[b] = true;
  return table;
}

LocaleFormats ReadLocaleFormats(Platform& platform) {
  LocaleFormats formats;
  const std::uint32_t locale = platform.GetThreadLocale();
  for (int m = 0; m < 12; ++m) {
    formats.shortMonthNames[m] =
        LocaleText(platform, locale, win::kLocaleSAbbrevMonthName1 + m, kEnglishShortMonths[m]);
    formats.longMonthNames[m] = LocaleText(platform, locale, win::kLocaleSMonthName1 + m, kEnglishLongMonths[m]);
  }
  for (int d = 0; d < 7; ++d) {
    // The locale counts its day names from Monday (1) to Sunday (7).
    const std::uint32_t offset = (d + 6) % 7;
    formats.shortDayNames[d] = LocaleText(platform, locale, win::kLocaleSAbbrevDayName1 + offset, kEnglishShortDays[d]);
    formats.longDayNames[d] = LocaleText(platform, locale, win::kLocaleSDayName1 + offset, kEnglishLongDays[d]);
  }
  formats.shortDate = LocaleText(platform, locale, win::kLocaleSShortDate, "m/d/yy");
  formats.dateSeparator = LocaleText(platform, locale, win::kLocaleSDate, "/")[0];
  const std::uint32_t language = locale & 0x3FF;
  if ((language == kLangChinese || language == kLangJapanese || language == kLangKorean) &&
      !HasEraCalendar(platform, locale))
    formats.shortDate = WithoutEraCodes(formats.shortDate);
  return formats;
}

SystemInfo ReadSystemInfo(Platform& platform) { return ReadSystemInfo(platform, platform.GetACP()); }

SystemInfo ReadSystemInfo(Platform& platform, std::uint32_t ansiCodePage) {
  SystemInfo info;
  info.ansiCodePage = ansiCodePage;
  info.leadBytes = ReadLeadBytes(platform);
  info.locale = ReadLocaleFormats(platform);
  return info;
}

}  // namespace qv
