#include "text/program_text.h"

#include <utility>

namespace qv {

namespace {

constexpr char kEscapeLead = '\x81';
constexpr char kEscapeSecond = '\x7F';
constexpr unsigned char kFirstDigit = 0xA1;  // digit 0; 0xB0 is digit 15
constexpr std::size_t kEscapeLength = 6;
constexpr char16_t kReplacement = 0xFFFD;

unsigned Digit(char c) { return static_cast<unsigned char>(c) - kFirstDigit; }

char16_t EscapedUnit(std::string_view bytes, std::size_t at) {
  unsigned unit = 0;
  for (std::size_t i = at + 2; i < at + kEscapeLength; ++i) unit = unit << 4 | Digit(bytes[i]);
  return static_cast<char16_t>(unit);
}

std::string Escape(char16_t unit) {
  std::string escape{kEscapeLead, kEscapeSecond};
  for (int shift = 12; shift >= 0; shift -= 4) escape += static_cast<char>(kFirstDigit + ((unit >> shift) & 0xF));
  return escape;
}

bool HasOwnBytes(WideCalls& system, char16_t unit) {
  return system.WideCharToMultiByte(kProgramCodePage, std::u16string(1, unit)).has_value();
}

bool Leads(const LeadByteTable& lead, char c) { return lead[static_cast<unsigned char>(c)]; }

}  // namespace

std::u16string Utf16Units(std::string_view bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    units +=
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  return units;
}

std::string Utf16Bytes(const std::u16string& units) {
  std::string bytes;
  for (char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::size_t EscapeLengthAt(std::string_view bytes, std::size_t at) {
  if (bytes.size() < at + kEscapeLength || bytes[at] != kEscapeLead || bytes[at + 1] != kEscapeSecond) return 0;
  for (std::size_t i = at + 2; i < at + kEscapeLength; ++i)
    if (Digit(bytes[i]) > 0xF) return 0;
  return kEscapeLength;
}

std::size_t BytesIn932(std::string_view text) {
  const LeadByteTable lead = ShiftJisLeadBytes();
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t escape = EscapeLengthAt(text, i)) {
      bytes += 2;
      i += escape;
      continue;
    }
    const std::size_t width = Leads(lead, text[i]) && i + 1 < text.size() ? 2 : 1;
    bytes += width;
    i += width;
  }
  return bytes;
}

std::string ProgramTextFromWide(WideCalls& system, const std::u16string& text) {
  if (text.empty()) return {};
  if (std::optional<std::string> whole = system.WideCharToMultiByte(kProgramCodePage, text)) return std::move(*whole);
  std::string out;
  for (char16_t unit : text) {
    std::optional<std::string> bytes = system.WideCharToMultiByte(kProgramCodePage, std::u16string(1, unit));
    out += bytes ? *bytes : Escape(unit);
  }
  return out;
}

std::optional<std::u16string> ReadProgramText(Platform& system, WideCalls& wide, std::string_view bytes) {
  const LeadByteTable lead = ShiftJisLeadBytes();
  std::u16string out;
  std::size_t plain = 0;  // where the bytes not yet converted begin
  auto convertPlain = [&](std::size_t end) {
    if (end == plain) return true;
    std::optional<std::u16string> part =
        system.MultiByteToWideChar(kProgramCodePage, std::string(bytes.substr(plain, end - plain)));
    if (part) out += *part;
    return part.has_value();
  };
  for (std::size_t i = 0; i < bytes.size();) {
    if (EscapeLengthAt(bytes, i) != 0 && !HasOwnBytes(wide, EscapedUnit(bytes, i))) {
      if (!convertPlain(i)) return std::nullopt;
      out += EscapedUnit(bytes, i);
      plain = i += kEscapeLength;
      continue;
    }
    i += Leads(lead, bytes[i]) && i + 1 < bytes.size() ? 2 : 1;
  }
  if (bytes.empty() || !convertPlain(bytes.size())) return std::nullopt;
  return out;
}

std::u16string WidenText(Platform& platform, std::uint32_t codePage, std::string_view bytes,
                         const LeadByteTable& lead) {
  if (bytes.empty()) return {};
  if (std::optional<std::u16string> whole = platform.MultiByteToWideChar(codePage, std::string(bytes)))
    return std::move(*whole);
  std::u16string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t escape = codePage == kProgramCodePage ? EscapeLengthAt(bytes, i) : 0;
    std::optional<std::u16string> one;
    if (escape != 0 && (one = platform.MultiByteToWideChar(codePage, std::string(bytes.substr(i, escape))))) {
      out += *one;
      i += escape;
      continue;
    }
    const std::size_t width = Leads(lead, bytes[i]) && i + 1 < bytes.size() ? 2 : 1;
    if ((one = platform.MultiByteToWideChar(codePage, std::string(bytes.substr(i, width))))) {
      out += *one;
      i += width;
      continue;
    }
    out += kReplacement;
    i += width == 2 && static_cast<unsigned char>(bytes[i + 1]) >= 0x80 ? 2 : 1;
  }
  return out;
}

}  // namespace qv
