// What the program reads of the system once at start-up: the ANSI code page and its lead bytes,
// and the locale's date formats.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "seam/platform.h"
#include "text/text.h"

namespace qv {

struct LocaleFormats {
  std::string shortDate = "m/d/yy";
  char dateSeparator = '/';
  std::array<std::string, 12> shortMonthNames;  // January first
  std::array<std::string, 12> longMonthNames;
  std::array<std::string, 7> shortDayNames;  // Sunday first
  std::array<std::string, 7> longDayNames;
};

struct SystemInfo {
  std::uint32_t ansiCodePage = 932;
  LeadByteTable leadBytes = NoLeadBytes();
  LocaleFormats locale;
};

LeadByteTable ReadLeadBytes(Platform& platform);
LocaleFormats ReadLocaleFormats(Platform& platform);
SystemInfo ReadSystemInfo(Platform& platform);
// The same, with the ANSI code page already read (GetACP).
SystemInfo ReadSystemInfo(Platform& platform, std::uint32_t ansiCodePage);

}  // namespace qv
