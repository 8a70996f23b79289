// How the platform's values meet Windows' own types: key handles, file times, UTF-16 texts, and
// what an opened file or a new mutex tells.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <windows.h>

#include "seam/platform.h"
#include "system/unique_key.h"
#include "win32/handles.h"

namespace qv::win32 {

// Windows defines the predefined roots sign-extended, (HKEY)(ULONG_PTR)(LONG)0x80000000; the
// platform names them by their 32-bit value. A handle the system opened passes as it is, both ways.
inline HKEY ToHkey(KeyHandle key) {
  if (!IsPredefinedKey(key)) return reinterpret_cast<HKEY>(key);
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<DWORD>(key))));
}
inline KeyHandle FromHkey(HKEY key) {
  const auto value = reinterpret_cast<ULONG_PTR>(key);
  const auto low = static_cast<DWORD>(value);
  return IsPredefinedKey(low) && ToHkey(low) == key ? low : value;
}

inline std::uint64_t ToUint64(const FILETIME& t) {
  return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// UTF-16 as the wide calls take it: wchar_t is char16_t's size here, so the units pass as they are.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline wchar_t* Wide(std::u16string& text) { return reinterpret_cast<wchar_t*>(text.data()); }

// The text of a buffer of the given size, up to its NUL.
template <class Char>
std::basic_string<Char> UpToNul(const Char* buffer, std::size_t size) {
  std::size_t n = 0;
  while (n < size && buffer[n] != 0) ++n;
  return std::basic_string<Char>(buffer, n);
}

inline std::u16string UpToNul(const wchar_t* buffer, std::size_t size) {
  return UpToNul(reinterpret_cast<const char16_t*>(buffer), size);
}

// The whole of a file opened for reading; nothing when it is not open, its size cannot be had or
// is 4 GiB or more, or ReadFile fails or delivers less.
std::optional<std::string> ReadOpenedFile(const FileHandle& file);
// Writes firstBytes when the opened file is empty, then bytes at its end.
bool AppendToOpenedFile(const FileHandle& file, const std::string& firstBytes, const std::string& bytes);
// What CreateMutex's handle and GetLastError tell: 0, 183 when the mutex existed, or the error.
ErrorCode MutexResult(HANDLE mutex, DWORD error);

}  // namespace qv::win32
