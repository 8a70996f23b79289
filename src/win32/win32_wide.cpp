// The wide twins of the platform's calls: names pass in UTF-16, so that no name depends on the
// system's ANSI code page.
#include <windows.h>

#include "win32/handles.h"
#include "win32/win32_platform.h"
#include "win32/win32_values.h"

namespace qv {

using win32::FromHkey;
using win32::ToHkey;
using win32::ToUint64;
using win32::UpToNul;
using win32::Wide;

std::u16string Win32Platform::GetCommandLineW() {
  const wchar_t* line = ::GetCommandLineW();
  return line ? UpToNul(line, static_cast<std::size_t>(-1)) : std::u16string();
}

std::u16string Win32Platform::GetModuleFileNameW() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
  return UpToNul(buffer, length < MAX_PATH + 1 ? length : MAX_PATH);
}

std::u16string Win32Platform::GetWindowsDirectoryW() {
  wchar_t buffer[MAX_PATH];
  const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::u16string() : UpToNul(buffer, length);
}

std::u16string Win32Platform::GetSystemDirectoryW() {
  wchar_t buffer[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::u16string() : UpToNul(buffer, length);
}

std::optional<std::u16string> Win32Platform::GetLocaleInfoW(std::uint32_t locale, std::uint32_t type) {
  int size = ::GetLocaleInfoW(locale, type, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::u16string buffer(static_cast<std::size_t>(size), u'\0');
  size = ::GetLocaleInfoW(locale, type, Wide(buffer), size);
  if (size <= 0) return std::nullopt;
  return UpToNul(buffer.data(), static_cast<std::size_t>(size));
}

namespace {

// What WideCharToMultiByte takes for a code page. Most take WC_NO_BEST_FIT_CHARS and tell when the
// default character was written. UTF-8 and GB18030 (54936) write every character and refuse a
// lone surrogate when asked to; UTF-7, the ISO-2022 ones, ISCII and the symbol code page take no
// flag nor default-character pointer, so what they wrote is read back: a character without bytes
// of its own does not come back as itself.
struct Conversion {
  DWORD flags;
  bool toldDefault;
  bool readBack;
};

Conversion ConversionFor(UINT codePage) {
  if (codePage == CP_UTF8 || codePage == 54936) return {WC_ERR_INVALID_CHARS, false, false};
  for (UINT flagless : {42u, 50220u, 50221u, 50222u, 50225u, 50227u, 50229u, 52936u, 65000u})
    if (codePage == flagless) return {0, false, true};
  if (codePage >= 57002 && codePage <= 57011) return {0, false, true};
  return {WC_NO_BEST_FIT_CHARS, true, false};
}

bool ReadsBackAs(UINT codePage, const std::string& bytes, const std::u16string& text) {
  std::u16string back(text.size() + 1, u'\0');
  const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), Wide(back),
                                           static_cast<int>(back.size()));
  return length > 0 && static_cast<std::size_t>(length) == text.size() && back.compare(0, text.size(), text) == 0;
}

}  // namespace

std::optional<std::string> Win32Platform::WideCharToMultiByte(std::uint32_t codePage, const std::u16string& text) {
  if (text.empty()) return std::nullopt;
  const Conversion conversion = ConversionFor(codePage);
  // More than any code page needs for a UTF-16 unit; those that shift between sets need more.
  std::string buffer(conversion.readBack ? 8 * text.size() + 8 : 4 * text.size(), '\0');
  BOOL usedDefault = FALSE;
  const int length =
      ::WideCharToMultiByte(codePage, conversion.flags, Wide(text), static_cast<int>(text.size()), buffer.data(),
                            static_cast<int>(buffer.size()), nullptr, conversion.toldDefault ? &usedDefault : nullptr);
  if (length <= 0 || usedDefault) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(length));
  if (conversion.readBack && !ReadsBackAs(codePage, buffer, text)) return std::nullopt;
  return buffer;
}

std::optional<FindData> Win32Platform::FindFirstFileW(const std::u16string& path) {
  WIN32_FIND_DATAW data;
  FindHandle find(::FindFirstFileW(Wide(path), &data));
  if (!find) return std::nullopt;
  return FindData{data.dwFileAttributes, ToUint64(data.ftLastWriteTime)};
}

bool Win32Platform::SetFileAttributesW(const std::u16string& path, std::uint32_t attributes) {
  return ::SetFileAttributesW(Wide(path), attributes) != 0;
}

bool Win32Platform::DeleteFileW(const std::u16string& path) { return ::DeleteFileW(Wide(path)) != 0; }

bool Win32Platform::MoveFileW(const std::u16string& oldPath, const std::u16string& newPath) {
  return ::MoveFileW(Wide(oldPath), Wide(newPath)) != 0;
}

bool Win32Platform::RemoveDirectoryW(const std::u16string& path) { return ::RemoveDirectoryW(Wide(path)) != 0; }

bool Win32Platform::MoveFileExW(const std::u16string& path, std::uint32_t flags) {
  return ::MoveFileExW(Wide(path), nullptr, flags) != 0;
}

std::optional<std::string> Win32Platform::ReadWholeFileW(const std::u16string& path) {
  return win32::ReadOpenedFile(
      FileHandle(::CreateFileW(Wide(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

std::vector<FoundFileW> Win32Platform::FindFilesW(const std::u16string& pattern) {
  std::vector<FoundFileW> found;
  WIN32_FIND_DATAW data;
  FindHandle find(::FindFirstFileW(Wide(pattern), &data));
  if (!find) return found;
  do {
    found.push_back(
        {UpToNul(data.cFileName, MAX_PATH), FindData{data.dwFileAttributes, ToUint64(data.ftLastWriteTime)}});
  } while (::FindNextFileW(find.get(), &data));
  return found;
}

ErrorCode Win32Platform::TryOpenFileW(const std::u16string& path, std::uint32_t access) {
  FileHandle file(::CreateFileW(Wide(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file ? ERROR_SUCCESS : ::GetLastError();
}

bool Win32Platform::AppendToFileW(const std::u16string& path, const std::string& firstBytes, const std::string& bytes) {
  return win32::AppendToOpenedFile(FileHandle(::CreateFileW(Wide(path), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)),
                                   firstBytes, bytes);
}

std::optional<std::u16string> Win32Platform::GetEnvironmentVariableW(const std::u16string& name) {
  const DWORD size = ::GetEnvironmentVariableW(Wide(name), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::u16string value(size, u'\0');
  const DWORD length = ::GetEnvironmentVariableW(Wide(name), Wide(value), size);
  if (length == 0 || length >= size) return std::nullopt;
  value.resize(length);
  return value;
}

std::optional<std::u16string> Win32Platform::GetUserNameW() {
  wchar_t buffer[257];  // UNLEN + 1
  DWORD size = 257;
  if (!::GetUserNameW(buffer, &size)) return std::nullopt;
  return UpToNul(buffer, 257);
}

ErrorCode Win32Platform::CreateMutexW(const std::u16string& name) {
  // The handle is kept until the process ends, so the mutex exists for as long as we run.
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, Wide(name));
  return win32::MutexResult(mutex, ::GetLastError());
}

ErrorCode Win32Platform::RegOpenKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t access,
                                       KeyHandle& result) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExW(ToHkey(key), Wide(subKey), 0, access, &opened);
  if (status == ERROR_SUCCESS) result = FromHkey(opened);
  return status;
}

ErrorCode Win32Platform::RegCreateKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t options,
                                         std::uint32_t access, KeyHandle& result) {
  HKEY created = nullptr;
  const LONG status =
      ::RegCreateKeyExW(ToHkey(key), Wide(subKey), 0, nullptr, options, access, nullptr, &created, nullptr);
  if (status == ERROR_SUCCESS) result = FromHkey(created);
  return status;
}

ErrorCode Win32Platform::RegDeleteKeyW(KeyHandle key, const std::u16string& subKey) {
  return ::RegDeleteKeyW(ToHkey(key), Wide(subKey));
}

ErrorCode Win32Platform::RegEnumKeyExW(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                       std::u16string& name) {
  std::u16string buffer(nameBufferSize, u'\0');
  DWORD length = nameBufferSize;
  const LONG status = ::RegEnumKeyExW(ToHkey(key), index, Wide(buffer), &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name.assign(buffer.data(), length < nameBufferSize ? length : nameBufferSize);
  return status;
}

ErrorCode Win32Platform::RegQueryValueExW(KeyHandle key, const std::u16string& name, std::uint32_t& type,
                                          std::string& data) {
  DWORD valueType = 0, size = 0;
  LONG status = ::RegQueryValueExW(ToHkey(key), Wide(name), nullptr, &valueType, nullptr, &size);
  data.clear();
  // A value that grows between the two calls is read again, whole, a few times at most.
  for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
    data.assign(size, '\0');
    DWORD read = size;
    status =
        ::RegQueryValueExW(ToHkey(key), Wide(name), nullptr, &valueType, reinterpret_cast<BYTE*>(data.data()), &read);
    if (status == ERROR_SUCCESS) {
      data.resize(read <= size ? read : size);
      break;
    }
    data.clear();
    if (status == ERROR_MORE_DATA && attempt < 3) status = ERROR_SUCCESS;
    size = read;
  }
  type = valueType;
  return status;
}

ErrorCode Win32Platform::RegSetValueExW(KeyHandle key, const std::u16string& name, std::uint32_t type,
                                        const std::string& data) {
  return ::RegSetValueExW(ToHkey(key), Wide(name), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

ErrorCode Win32Platform::RegDeleteValueW(KeyHandle key, const std::u16string& name) {
  return ::RegDeleteValueW(ToHkey(key), Wide(name));
}

void Win32Platform::BroadcastSettingChangeW(const std::u16string& area) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(Wide(area)), SMTO_ABORTIFHUNG,
                        5000, &result);
}

}  // namespace qv
