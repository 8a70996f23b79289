// The wide twins of the platform's calls: the same calls with names and texts in UTF-16, as
// Windows holds them whatever its ANSI code page. Each behaves as its ANSI twin in Platform. Only
// the platform of wide calls (platforms/wide_platform.h) goes through this door: the logic above
// sees names in code page 932 alone, and a platform that wraps another (the plan's, say) wraps
// every call the logic can make.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "seam/platform.h"

namespace qv {

// An entry of a folder listing, as FindFirstFileW / FindNextFileW report it.
struct FoundFileW {
  std::u16string name;
  FindData data;
};

class WideCalls {
 public:
  virtual ~WideCalls() = default;

  virtual int MessageBoxW(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) = 0;
  virtual std::u16string GetCommandLineW() = 0;
  virtual std::u16string GetModuleFileNameW() = 0;
  virtual std::u16string GetWindowsDirectoryW() = 0;
  virtual std::u16string GetSystemDirectoryW() = 0;
  virtual std::optional<std::u16string> GetLocaleInfoW(std::uint32_t locale, std::uint32_t type) = 0;
  // WideCharToMultiByte with the flags the code page takes (WC_NO_BEST_FIT_CHARS and a used-default
  // check where Windows allows them; WC_ERR_INVALID_CHARS for UTF-8 and 54936; none for the code
  // pages that refuse every flag, whose result is read back instead): nothing when a character has
  // no bytes of its own in the code page (the system would write its default character, or a
  // look-alike), when the code page is unknown, or when there is no text.
  virtual std::optional<std::string> WideCharToMultiByte(std::uint32_t codePage, const std::u16string& text) = 0;

  virtual std::optional<FindData> FindFirstFileW(const std::u16string& path) = 0;
  virtual bool SetFileAttributesW(const std::u16string& path, std::uint32_t attributes) = 0;
  virtual bool DeleteFileW(const std::u16string& path) = 0;
  virtual bool MoveFileW(const std::u16string& oldPath, const std::u16string& newPath) = 0;
  virtual bool RemoveDirectoryW(const std::u16string& path) = 0;
  virtual bool MoveFileExW(const std::u16string& path, std::uint32_t flags) = 0;
  virtual std::optional<std::string> ReadWholeFileW(const std::u16string& path) = 0;
  // The maker in UTF-16, read with GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW.
  virtual std::optional<std::u16string> GetFileCompanyNameW(const std::u16string& path) = 0;
  virtual std::vector<FoundFileW> FindFilesW(const std::u16string& pattern) = 0;
  virtual ErrorCode TryOpenFileW(const std::u16string& path, std::uint32_t access) = 0;
  virtual bool AppendToFileW(const std::u16string& path, const std::string& firstBytes, const std::string& bytes) = 0;
  virtual std::optional<std::u16string> GetEnvironmentVariableW(const std::u16string& name) = 0;
  virtual ErrorCode CreateMutexW(const std::u16string& name) = 0;
  virtual std::optional<std::u16string> GetUserNameW() = 0;

  // The services' calls with OpenServiceW.
  virtual ErrorCode StopServiceW(const std::u16string& name) = 0;
  virtual std::optional<std::uint32_t> QueryServiceStateW(const std::u16string& name) = 0;
  virtual ErrorCode DeleteServiceW(const std::u16string& name) = 0;

  virtual ErrorCode RegOpenKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t access,
                                  KeyHandle& result) = 0;
  virtual ErrorCode RegCreateKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t options,
                                    std::uint32_t access, KeyHandle& result) = 0;
  virtual ErrorCode RegDeleteKeyW(KeyHandle key, const std::u16string& subKey) = 0;
  // Name of the subkey at index, read into a buffer of nameBufferSize UTF-16 units (NUL included).
  virtual ErrorCode RegEnumKeyExW(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                  std::u16string& name) = 0;
  // The value's type and all its bytes (RegQueryValueExW for the size, then for the data, again
  // while the value grows between the two); a text's bytes are UTF-16, its NUL included.
  virtual ErrorCode RegQueryValueExW(KeyHandle key, const std::u16string& name, std::uint32_t& type,
                                     std::string& data) = 0;
  // data holds exactly the bytes to store (for REG_SZ: the UTF-16 text and its NUL).
  virtual ErrorCode RegSetValueExW(KeyHandle key, const std::u16string& name, std::uint32_t type,
                                   const std::string& data) = 0;
  virtual ErrorCode RegDeleteValueW(KeyHandle key, const std::u16string& name) = 0;
  // SendMessageTimeoutW of WM_SETTINGCHANGE with the area in UTF-16, as its ANSI twin.
  virtual void BroadcastSettingChangeW(const std::u16string& area) = 0;
};

}  // namespace qv
