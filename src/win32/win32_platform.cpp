#include "win32/win32_platform.h"

#include <windows.h>

#include <shlobj.h>

#include "win32/handles.h"
#include "win32/win32_values.h"

namespace qv {

using win32::FromHkey;
using win32::ToHkey;
using win32::ToUint64;
using win32::UpToNul;
using win32::Wide;

namespace {

FILETIME ToFiletime(std::uint64_t t) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(t);
  result.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return result;
}

}  // namespace

std::string Win32Platform::GetCommandLineA() {
  const char* line = ::GetCommandLineA();
  return line ? std::string(line) : std::string();
}

std::string Win32Platform::GetModuleFileNameA() {
  char buffer[261];
  DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
}

std::uintptr_t Win32Platform::GetModuleBase() { return reinterpret_cast<std::uintptr_t>(::GetModuleHandleA(nullptr)); }

int Win32Platform::MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) {
  return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

int Win32Platform::MessageBoxW(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) {
  return ::MessageBoxW(nullptr, Wide(text), Wide(caption), flags);
}

std::string Win32Platform::CharUpperBuffA(std::string text) {
  if (!text.empty()) ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string Win32Platform::CharLowerBuffA(std::string text) {
  if (!text.empty()) ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::uint32_t Win32Platform::GetACP() { return ::GetACP(); }

std::optional<std::u16string> Win32Platform::MultiByteToWideChar(std::uint32_t codePage, const std::string& bytes) {
  // Two UTF-16 units for each byte: more than 932 or any ANSI code page needs.
  std::u16string buffer(2 * bytes.size(), u'\0');
  const int length = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                           reinterpret_cast<wchar_t*>(buffer.data()), static_cast<int>(buffer.size()));
  if (length <= 0) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(length));
  return buffer;
}

int Win32Platform::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

std::vector<std::pair<std::uint8_t, std::uint8_t>> Win32Platform::GetCPInfoLeadBytes() {
  std::vector<std::pair<std::uint8_t, std::uint8_t>> ranges;
  CPINFO info;
  if (!::GetCPInfo(CP_ACP, &info)) return ranges;
  for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] | info.LeadByte[i + 1]) != 0; i += 2)
    ranges.emplace_back(info.LeadByte[i], info.LeadByte[i + 1]);
  return ranges;
}

std::uint32_t Win32Platform::GetThreadLocale() { return ::GetThreadLocale(); }

std::optional<std::string> Win32Platform::GetLocaleInfoA(std::uint32_t locale, std::uint32_t type) {
  int size = ::GetLocaleInfoA(locale, type, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::string buffer(static_cast<std::size_t>(size), '\0');
  size = ::GetLocaleInfoA(locale, type, buffer.data(), size);
  if (size <= 0) return std::nullopt;
  return UpToNul(buffer.data(), static_cast<std::size_t>(size));
}

std::optional<FindData> Win32Platform::FindFirstFileA(const std::string& path) {
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA(path.c_str(), &data));
  if (!find) return std::nullopt;
  return FindData{data.dwFileAttributes, ToUint64(data.ftLastWriteTime)};
}

std::optional<std::uint64_t> Win32Platform::FileTimeToLocalFileTime(std::uint64_t fileTime) {
  FILETIME in = ToFiletime(fileTime), out;
  if (!::FileTimeToLocalFileTime(&in, &out)) return std::nullopt;
  return ToUint64(out);
}

std::optional<DosDateTime> Win32Platform::FileTimeToDosDateTime(std::uint64_t fileTime) {
  FILETIME in = ToFiletime(fileTime);
  WORD date = 0, time = 0;
  if (!::FileTimeToDosDateTime(&in, &date, &time)) return std::nullopt;
  return DosDateTime{date, time};
}

bool Win32Platform::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool Win32Platform::DeleteFileA(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool Win32Platform::MoveFileA(const std::string& oldPath, const std::string& newPath) {
  return ::MoveFileA(oldPath.c_str(), newPath.c_str()) != 0;
}

bool Win32Platform::RemoveDirectoryA(const std::string& path) { return ::RemoveDirectoryA(path.c_str()) != 0; }

bool Win32Platform::MoveFileExA(const std::string& path, std::uint32_t flags) {
  return ::MoveFileExA(path.c_str(), nullptr, flags) != 0;
}

std::string Win32Platform::GetWindowsDirectoryA() {
  char buffer[MAX_PATH];
  UINT length = ::GetWindowsDirectoryA(buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : UpToNul(buffer, length);
}

std::string Win32Platform::GetSystemDirectoryA() {
  char buffer[MAX_PATH];
  UINT length = ::GetSystemDirectoryA(buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : UpToNul(buffer, length);
}

std::optional<std::string> Win32Platform::ReadWholeFile(const std::string& path) {
  return win32::ReadOpenedFile(
      FileHandle(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

std::vector<FoundFile> Win32Platform::FindFilesA(const std::string& pattern) {
  std::vector<FoundFile> found;
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find) return found;
  do {
    found.push_back({UpToNul(data.cFileName, sizeof data.cFileName),
                     FindData{data.dwFileAttributes, ToUint64(data.ftLastWriteTime)}});
  } while (::FindNextFileA(find.get(), &data));
  return found;
}

ErrorCode Win32Platform::TryOpenFileA(const std::string& path, std::uint32_t access) {
  FileHandle file(::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file ? ERROR_SUCCESS : ::GetLastError();
}

bool Win32Platform::AppendToFileA(const std::string& path, const std::string& firstBytes, const std::string& bytes) {
  return win32::AppendToOpenedFile(FileHandle(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)),
                                   firstBytes, bytes);
}

std::optional<std::string> Win32Platform::GetEnvironmentVariableA(const std::string& name) {
  const DWORD size = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::string value(size, '\0');
  const DWORD length = ::GetEnvironmentVariableA(name.c_str(), value.data(), size);
  if (length == 0 || length >= size) return std::nullopt;
  value.resize(length);
  return value;
}

LocalTime Win32Platform::GetLocalTime() {
  SYSTEMTIME time;
  ::GetLocalTime(&time);
  return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

std::optional<std::string> Win32Platform::GetUserNameA() {
  char buffer[257];  // UNLEN + 1
  DWORD size = sizeof buffer;
  if (!::GetUserNameA(buffer, &size)) return std::nullopt;
  return win32::UpToNul(buffer, sizeof buffer);
}

ErrorCode Win32Platform::CreateMutexA(const std::string& name) {
  // The handle is kept until the process ends, so the mutex exists for as long as we run.
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name.c_str());
  return win32::MutexResult(mutex, ::GetLastError());
}

void Win32Platform::SHChangeNotify(long event, std::uint32_t flags) {
  ::SHChangeNotify(event, flags, nullptr, nullptr);
}

void Win32Platform::BroadcastSettingChange(const std::string& area) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(area.c_str()), SMTO_ABORTIFHUNG,
                        5000, &result);
}

ErrorCode Win32Platform::RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access,
                                       KeyHandle& result) {
  HKEY opened = nullptr;
  LONG status = ::RegOpenKeyExA(ToHkey(key), subKey.c_str(), 0, access, &opened);
  if (status == ERROR_SUCCESS) result = FromHkey(opened);
  return status;
}

ErrorCode Win32Platform::RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options,
                                         std::uint32_t access, KeyHandle& result) {
  HKEY created = nullptr;
  LONG status = ::RegCreateKeyExA(ToHkey(key), subKey.c_str(), 0, nullptr, options, access, nullptr, &created, nullptr);
  if (status == ERROR_SUCCESS) result = FromHkey(created);
  return status;
}

ErrorCode Win32Platform::RegCloseKey(KeyHandle key) { return ::RegCloseKey(ToHkey(key)); }

ErrorCode Win32Platform::RegDeleteKeyA(KeyHandle key, const std::string& subKey) {
  return ::RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

ErrorCode Win32Platform::RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) {
  DWORD count = 0, longest = 0;
  LONG status = ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr);
  subKeys = count;
  maxSubKeyLength = longest;
  return status;
}

ErrorCode Win32Platform::RegQueryValueCountA(KeyHandle key, std::uint32_t& values) {
  DWORD count = 0;
  LONG status = ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                                   nullptr, nullptr, nullptr);
  values = count;
  return status;
}

ErrorCode Win32Platform::RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                       std::string& name) {
  std::string buffer(nameBufferSize, '\0');
  DWORD length = nameBufferSize;
  LONG status = ::RegEnumKeyExA(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name.assign(buffer.data(), length < nameBufferSize ? length : nameBufferSize);
  return status;
}

ErrorCode Win32Platform::RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type,
                                          std::string* data, std::uint32_t& size) {
  DWORD valueType = 0, valueSize = size;
  LONG status;
  if (!data) {
    status = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &valueType, nullptr, &valueSize);
  } else {
    data->assign(size, '\0');
    status = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &valueType, reinterpret_cast<BYTE*>(data->data()),
                                &valueSize);
    data->resize(status == ERROR_SUCCESS && valueSize <= size ? valueSize : 0);
  }
  type = valueType;
  size = valueSize;
  return status;
}

ErrorCode Win32Platform::RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                                        const std::string& data) {
  return ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

ErrorCode Win32Platform::RegDeleteValueA(KeyHandle key, const std::string& name) {
  return ::RegDeleteValueA(ToHkey(key), name.c_str());
}

}  // namespace qv
