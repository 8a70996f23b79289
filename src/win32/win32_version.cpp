// The maker that a file's version resource names, through the ANSI calls or their wide twins.
#include <vector>

#include <windows.h>

#include "win32/win32_platform.h"
#include "win32/win32_values.h"

namespace qv {

namespace {

struct AnsiCalls {
  using Char = char;
  static DWORD Size(const char* path, DWORD* handle) { return ::GetFileVersionInfoSizeA(path, handle); }
  static BOOL Info(const char* path, DWORD size, void* block) { return ::GetFileVersionInfoA(path, 0, size, block); }
  static BOOL Query(const void* block, const char* item, void** value, UINT* length) {
    return ::VerQueryValueA(block, item, value, length);
  }
};

// UTF-16 held as char16_t, as the program holds it everywhere: no string of wchar_t is made.
struct WideCallsOfVersion {
  using Char = char16_t;
  static const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
  static DWORD Size(const char16_t* path, DWORD* handle) { return ::GetFileVersionInfoSizeW(W(path), handle); }
  static BOOL Info(const char16_t* path, DWORD size, void* block) {
    return ::GetFileVersionInfoW(W(path), 0, size, block);
  }
  static BOOL Query(const void* block, const char16_t* item, void** value, UINT* length) {
    return ::VerQueryValueW(block, W(item), value, length);
  }
};

// An ASCII text in the calls' characters.
template <class Char>
std::basic_string<Char> Ascii(const std::string& text) {
  return std::basic_string<Char>(text.begin(), text.end());
}

// The file's first translation ("040904B0": language and code page in hex), then the usual two.
template <class Calls>
std::vector<std::string> Translations(const void* block) {
  std::vector<std::string> translations;
  void* value = nullptr;
  UINT length = 0;
  if (Calls::Query(block, Ascii<typename Calls::Char>("\\VarFileInfo\\Translation").c_str(), &value, &length) &&
      value && length >= 2 * sizeof(WORD)) {
    const WORD* pair = static_cast<const WORD*>(value);
    std::string text;
    for (const WORD part : {pair[0], pair[1]})
      for (int shift = 12; shift >= 0; shift -= 4) text += "0123456789ABCDEF"[(part >> shift) & 0xF];
    translations.push_back(text);
  }
  translations.push_back("040904B0");
  translations.push_back("040904E4");
  return translations;
}

template <class Calls>
std::optional<std::basic_string<typename Calls::Char>> CompanyName(const typename Calls::Char* path) {
  using Char = typename Calls::Char;
  DWORD handle = 0;
  const DWORD size = Calls::Size(path, &handle);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> block(size);
  if (!Calls::Info(path, size, block.data())) return std::nullopt;
  for (const std::string& translation : Translations<Calls>(block.data())) {
    void* value = nullptr;
    UINT length = 0;
    const std::basic_string<Char> item = Ascii<Char>("\\StringFileInfo\\" + translation + "\\CompanyName");
    if (!Calls::Query(block.data(), item.c_str(), &value, &length) || !value || length == 0) continue;
    std::basic_string<Char> maker = win32::UpToNul<Char>(static_cast<const Char*>(value), length);
    if (!maker.empty()) return maker;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> Win32Platform::GetFileCompanyNameA(const std::string& path) {
  return CompanyName<AnsiCalls>(path.c_str());
}

std::optional<std::u16string> Win32Platform::GetFileCompanyNameW(const std::u16string& path) {
  return CompanyName<WideCallsOfVersion>(path.c_str());
}

}  // namespace qv
