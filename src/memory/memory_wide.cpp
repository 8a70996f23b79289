// The in-memory system's names in every code page: the ANSI calls read and give names in the system's ANSI
// code page, the wide calls in UTF-16, and both reach the same names as the in-memory system holds them.
#include <cstdio>

#include "memory/memory_code_pages.h"
#include "memory/memory_platform.h"
#include "text/case_mapping.h"
#include "text/program_text.h"

namespace qv {

namespace {

constexpr char kEscape = '\xFF';
constexpr std::size_t kEscapeLength = 7;  // \xFF { four hex digits }
constexpr char16_t kReplacement = 0xFFFD;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// The escape of one unit at the byte, if one starts there.
std::optional<char16_t> EscapeAt(const std::string& stored, std::size_t at) {
  if (stored.size() < at + kEscapeLength || stored[at] != kEscape || stored[at + 1] != '{' || stored[at + 6] != '}')
    return std::nullopt;
  unsigned unit = 0;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    if (!IsHex(stored[i])) return std::nullopt;
    unit = unit << 4 | static_cast<unsigned>(stored[i] <= '9' ? stored[i] - '0' : stored[i] - 'A' + 10);
  }
  return static_cast<char16_t>(unit);
}

// The bytes read in the code page, character by character, U+FFFD for each that is not valid.
std::u16string DecodeLeniently(std::uint32_t codePage, const std::string& bytes) {
  if (bytes.empty()) return {};
  if (std::optional<std::u16string> whole = DecodeCodePage(codePage, bytes)) return *whole;
  const LeadByteTable lead = LeadBytesOfCodePage(codePage);
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t width = lead[static_cast<unsigned char>(bytes[i])] && i + 1 < bytes.size() ? 2 : 1;
    std::optional<std::u16string> one = DecodeCodePage(codePage, bytes.substr(i, width));
    out += one ? *one : std::u16string(1, kReplacement);
    i += width;
  }
  return out;
}

// The text written in the code page, "?" for each unit it has no bytes of its own for.
std::string EncodeLeniently(std::uint32_t codePage, const std::u16string& text) {
  if (text.empty()) return {};
  if (std::optional<std::string> whole = EncodeCodePage(codePage, text)) return *whole;
  std::string out;
  for (char16_t unit : text) {
    std::optional<std::string> one = EncodeCodePage(codePage, std::u16string(1, unit));
    out += one ? *one : std::string("?");
  }
  return out;
}

// Code page 1252's letters beyond ASCII: (lower, upper) pairs that CharUpperBuffA and
// CharLowerBuffA exchange.
bool LatinPair(unsigned char c, bool toUpper, unsigned char& mapped) {
  static constexpr std::pair<unsigned char, unsigned char> kOddPairs[] = {
      {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
  for (auto [lower, upper] : kOddPairs)
    if (c == (toUpper ? lower : upper)) return mapped = toUpper ? upper : lower, true;
  const unsigned char from = toUpper ? 0xE0 : 0xC0;
  if (c >= from && c <= from + 0x1E && c != from + 0x17) return mapped = toUpper ? c - 0x20 : c + 0x20, true;
  return false;
}

bool IsText(std::uint32_t type) { return type == win::kRegSz || type == win::kRegExpandSz || type == win::kRegMultiSz; }

}  // namespace

std::string MemoryPlatform::Stored(const std::u16string& name) {
  if (name.empty()) return {};
  if (std::optional<std::string> whole = EncodeCodePage(932, name)) return *whole;
  std::string out;
  for (char16_t unit : name) {
    if (std::optional<std::string> one = EncodeCodePage(932, std::u16string(1, unit))) {
      out += *one;
    } else {
      char escape[kEscapeLength + 1];
      std::snprintf(escape, sizeof escape, "\xFF{%04X}", static_cast<unsigned>(unit));
      out += escape;
    }
  }
  return out;
}

std::u16string MemoryPlatform::Unstored(const std::string& stored) {
  std::u16string out;
  std::size_t plain = 0, i = 0;
  while (i < stored.size()) {
    const std::optional<char16_t> escaped = EscapeAt(stored, i);
    if (!escaped) {
      ++i;
      continue;
    }
    out += DecodeLeniently(932, stored.substr(plain, i - plain)) + *escaped;
    plain = i += kEscapeLength;
  }
  return out + DecodeLeniently(932, stored.substr(plain));
}

std::string MemoryPlatform::FromAnsi(const std::string& bytes) const {
  if (ansiCodePage == 932) return bytes;
  ++ansiNameCalls;
  return Stored(DecodeLeniently(ansiCodePage, bytes));
}

std::string MemoryPlatform::ToAnsi(const std::string& stored) const {
  return ansiCodePage == 932 ? stored : EncodeLeniently(ansiCodePage, Unstored(stored));
}

std::u16string MemoryPlatform::SystemText(const std::string& bytes) const {
  return DecodeLeniently(ansiCodePage, bytes);
}

std::string MemoryPlatform::Upper(std::string stored) const { return UpperCase932(std::move(stored), lead_); }

// Code page 932: the ASCII letters and the full-width Latin letters as whole characters. Another
// code page: the ASCII letters, and 1252's own letters; a double-byte code page's pairs (by its
// own lead bytes) stay as they are.
std::string MemoryPlatform::CharUpperBuffA(std::string text) {
  if (ansiCodePage == 932) return UpperCase932(std::move(text), lead_);
  const LeadByteTable lead = LeadBytesOfCodePage(ansiCodePage);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    unsigned char mapped = c;
    if (lead[c] && i + 1 < text.size())
      ++i;
    else if (c >= 'a' && c <= 'z')
      text[i] = static_cast<char>(c - 32);
    else if (ansiCodePage == 1252 && LatinPair(c, true, mapped))
      text[i] = static_cast<char>(mapped);
  }
  return text;
}

std::string MemoryPlatform::CharLowerBuffA(std::string text) {
  if (ansiCodePage == 932) return LowerCase932(std::move(text), lead_);
  const LeadByteTable lead = LeadBytesOfCodePage(ansiCodePage);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    unsigned char mapped = c;
    if (lead[c] && i + 1 < text.size())
      ++i;
    else if (c >= 'A' && c <= 'Z')
      text[i] = static_cast<char>(c + 32);
    else if (ansiCodePage == 1252 && LatinPair(c, false, mapped))
      text[i] = static_cast<char>(mapped);
  }
  return text;
}

// ---------------------------------------------------------------- the ANSI calls

std::string MemoryPlatform::GetCommandLineA() {
  return wideCommandLine.empty() ? commandLine : EncodeLeniently(ansiCodePage, wideCommandLine);
}

std::optional<FindData> MemoryPlatform::FindFirstFileA(const std::string& path) {
  return FindFirstFileStored(FromAnsi(path));
}
bool MemoryPlatform::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesStored(FromAnsi(path), attributes);
}
bool MemoryPlatform::DeleteFileA(const std::string& path) { return DeleteFileStored(FromAnsi(path)); }
bool MemoryPlatform::MoveFileA(const std::string& oldPath, const std::string& newPath) {
  return MoveFileStored(FromAnsi(oldPath), FromAnsi(newPath));
}
bool MemoryPlatform::RemoveDirectoryA(const std::string& path) { return RemoveDirectoryStored(FromAnsi(path)); }
bool MemoryPlatform::MoveFileExA(const std::string& path, std::uint32_t flags) {
  return MoveFileExStored(FromAnsi(path), flags);
}
std::optional<std::string> MemoryPlatform::ReadWholeFile(const std::string& path) {
  return ReadWholeFileStored(FromAnsi(path));
}
std::optional<std::string> MemoryPlatform::GetFileCompanyNameA(const std::string& path) {
  return CompanyStored(FromAnsi(path));
}
std::vector<FoundFile> MemoryPlatform::FindFilesA(const std::string& pattern) {
  std::vector<FoundFile> found = FindFilesStored(FromAnsi(pattern));
  for (FoundFile& file : found) file.name = ToAnsi(file.name);
  return found;
}
ErrorCode MemoryPlatform::TryOpenFileA(const std::string& path, std::uint32_t access) {
  return TryOpenFileStored(FromAnsi(path), access);
}
bool MemoryPlatform::AppendToFileA(const std::string& path, const std::string& firstBytes, const std::string& bytes) {
  return AppendToFileStored(FromAnsi(path), firstBytes, bytes);
}
ErrorCode MemoryPlatform::CreateMutexA(const std::string& name) { return CreateMutexStored(FromAnsi(name)); }

ErrorCode MemoryPlatform::RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access,
                                        KeyHandle& result) {
  return RegOpenKeyExStored(key, FromAnsi(subKey), access, result);
}
ErrorCode MemoryPlatform::RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options,
                                          std::uint32_t access, KeyHandle& result) {
  return RegCreateKeyExStored(key, FromAnsi(subKey), options, access, result);
}
ErrorCode MemoryPlatform::RegDeleteKeyA(KeyHandle key, const std::string& subKey) {
  return RegDeleteKeyStored(key, FromAnsi(subKey));
}
ErrorCode MemoryPlatform::RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                        std::string& name) {
  if (ansiCodePage == 932) return RegEnumKeyExStored(key, index, nameBufferSize, name);
  std::string stored;
  const ErrorCode status = RegEnumKeyExStored(key, index, UINT32_MAX, stored);
  if (status != win::kErrorSuccess) return status;
  const std::string shown = ToAnsi(stored);
  if (shown.size() + 1 > nameBufferSize) return win::kErrorMoreData;
  name = shown;
  return status;
}
ErrorCode MemoryPlatform::RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type,
                                           std::string* data, std::uint32_t& size) {
  if (ansiCodePage == 932) return RegQueryValueExStored(key, name, type, data, size);
  std::string stored;
  std::uint32_t all = UINT32_MAX;
  const ErrorCode status = RegQueryValueExStored(key, FromAnsi(name), type, &stored, all);
  if (status != win::kErrorSuccess) return status;
  const std::string shown = IsText(type) ? ToAnsi(stored) : stored;
  const std::uint32_t room = size;
  size = static_cast<std::uint32_t>(shown.size());
  if (!data) return win::kErrorSuccess;
  if (shown.size() > room) return win::kErrorMoreData;
  *data = shown;
  return win::kErrorSuccess;
}
ErrorCode MemoryPlatform::RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                                         const std::string& data) {
  return RegSetValueExStored(key, FromAnsi(name), type, IsText(type) ? FromAnsi(data) : data);
}
ErrorCode MemoryPlatform::RegDeleteValueA(KeyHandle key, const std::string& name) {
  return RegDeleteValueStored(key, FromAnsi(name));
}

// ---------------------------------------------------------------- the wide calls

std::u16string MemoryPlatform::GetCommandLineW() {
  return wideCommandLine.empty() ? SystemText(commandLine) : wideCommandLine;
}
std::u16string MemoryPlatform::GetModuleFileNameW() { return SystemText(moduleFileName); }
std::u16string MemoryPlatform::GetWindowsDirectoryW() { return SystemText(windowsFolder); }
std::u16string MemoryPlatform::GetSystemDirectoryW() { return SystemText(systemFolder); }

std::optional<std::u16string> MemoryPlatform::GetLocaleInfoW(std::uint32_t locale, std::uint32_t type) {
  std::optional<std::string> value = GetLocaleInfoA(locale, type);
  if (!value) return std::nullopt;
  return SystemText(*value);
}

std::optional<std::string> MemoryPlatform::WideCharToMultiByte(std::uint32_t codePage, const std::u16string& text) {
  return EncodeCodePage(codePage, text);
}

std::optional<FindData> MemoryPlatform::FindFirstFileW(const std::u16string& path) {
  return FindFirstFileStored(Stored(path));
}
bool MemoryPlatform::SetFileAttributesW(const std::u16string& path, std::uint32_t attributes) {
  return SetFileAttributesStored(Stored(path), attributes);
}
bool MemoryPlatform::DeleteFileW(const std::u16string& path) { return DeleteFileStored(Stored(path)); }
bool MemoryPlatform::MoveFileW(const std::u16string& oldPath, const std::u16string& newPath) {
  return MoveFileStored(Stored(oldPath), Stored(newPath));
}
bool MemoryPlatform::RemoveDirectoryW(const std::u16string& path) { return RemoveDirectoryStored(Stored(path)); }
bool MemoryPlatform::MoveFileExW(const std::u16string& path, std::uint32_t flags) {
  return MoveFileExStored(Stored(path), flags);
}
std::optional<std::string> MemoryPlatform::ReadWholeFileW(const std::u16string& path) {
  return ReadWholeFileStored(Stored(path));
}
std::optional<std::u16string> MemoryPlatform::GetFileCompanyNameW(const std::u16string& path) {
  const std::optional<std::string> maker = CompanyStored(Stored(path));
  if (!maker) return std::nullopt;
  return SystemText(*maker);
}
std::vector<FoundFileW> MemoryPlatform::FindFilesW(const std::u16string& pattern) {
  std::vector<FoundFileW> found;
  for (const FoundFile& file : FindFilesStored(Stored(pattern))) found.push_back({Unstored(file.name), file.data});
  return found;
}
ErrorCode MemoryPlatform::TryOpenFileW(const std::u16string& path, std::uint32_t access) {
  return TryOpenFileStored(Stored(path), access);
}
bool MemoryPlatform::AppendToFileW(const std::u16string& path, const std::string& firstBytes,
                                   const std::string& bytes) {
  return AppendToFileStored(Stored(path), firstBytes, bytes);
}
std::optional<std::u16string> MemoryPlatform::GetEnvironmentVariableW(const std::u16string& name) {
  std::optional<std::string> value = GetEnvironmentVariableA(EncodeLeniently(ansiCodePage, name));
  if (!value) return std::nullopt;
  return SystemText(*value);
}
ErrorCode MemoryPlatform::CreateMutexW(const std::u16string& name) { return CreateMutexStored(Stored(name)); }
std::optional<std::u16string> MemoryPlatform::GetUserNameW() {
  if (!userName) return std::nullopt;
  return SystemText(*userName);
}

ErrorCode MemoryPlatform::RegOpenKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t access,
                                        KeyHandle& result) {
  return RegOpenKeyExStored(key, Stored(subKey), access, result);
}
ErrorCode MemoryPlatform::RegCreateKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t options,
                                          std::uint32_t access, KeyHandle& result) {
  return RegCreateKeyExStored(key, Stored(subKey), options, access, result);
}
ErrorCode MemoryPlatform::RegDeleteKeyW(KeyHandle key, const std::u16string& subKey) {
  return RegDeleteKeyStored(key, Stored(subKey));
}
ErrorCode MemoryPlatform::RegEnumKeyExW(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                        std::u16string& name) {
  std::string stored;
  const ErrorCode status = RegEnumKeyExStored(key, index, UINT32_MAX, stored);
  if (status != win::kErrorSuccess) return status;
  const std::u16string wide = Unstored(stored);
  if (wide.size() + 1 > nameBufferSize) return win::kErrorMoreData;
  name = wide;
  return status;
}

ErrorCode MemoryPlatform::RegQueryValueExW(KeyHandle key, const std::u16string& name, std::uint32_t& type,
                                           std::string& data) {
  std::uint32_t size = UINT32_MAX;
  const ErrorCode status = RegQueryValueExStored(key, Stored(name), type, &data, size);
  if (status == win::kErrorSuccess && IsText(type)) data = Utf16Bytes(Unstored(data));
  return status;
}
ErrorCode MemoryPlatform::RegSetValueExW(KeyHandle key, const std::u16string& name, std::uint32_t type,
                                         const std::string& data) {
  return RegSetValueExStored(key, Stored(name), type, IsText(type) ? Stored(Utf16Units(data)) : data);
}
ErrorCode MemoryPlatform::RegDeleteValueW(KeyHandle key, const std::u16string& name) {
  return RegDeleteValueStored(key, Stored(name));
}

}  // namespace qv
