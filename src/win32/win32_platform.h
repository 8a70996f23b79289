// The real platform: one Windows call per operation, the ANSI ones and their wide twins.
#pragma once

#include "seam/platform.h"
#include "seam/wide_calls.h"

namespace qv {

class Win32Platform final : public Platform, public WideCalls {
 public:
  std::string GetCommandLineA() override;
  std::string GetModuleFileNameA() override;
  std::uintptr_t GetModuleBase() override;

  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  int MessageBoxW(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) override;
  std::string CharUpperBuffA(std::string text) override;
  std::string CharLowerBuffA(std::string text) override;

  std::uint32_t GetACP() override;
  std::optional<std::u16string> MultiByteToWideChar(std::uint32_t codePage, const std::string& bytes) override;
  int GetSystemMetrics(int index) override;
  std::vector<std::pair<std::uint8_t, std::uint8_t>> GetCPInfoLeadBytes() override;
  std::uint32_t GetThreadLocale() override;
  std::optional<std::string> GetLocaleInfoA(std::uint32_t locale, std::uint32_t type) override;

  std::optional<FindData> FindFirstFileA(const std::string& path) override;
  std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t fileTime) override;
  std::optional<DosDateTime> FileTimeToDosDateTime(std::uint64_t fileTime) override;
  bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override;
  bool DeleteFileA(const std::string& path) override;
  bool MoveFileA(const std::string& oldPath, const std::string& newPath) override;
  bool RemoveDirectoryA(const std::string& path) override;
  bool MoveFileExA(const std::string& path, std::uint32_t flags) override;
  std::string GetWindowsDirectoryA() override;
  std::string GetSystemDirectoryA() override;
  std::optional<std::string> ReadWholeFile(const std::string& path) override;
  std::optional<std::string> GetFileCompanyNameA(const std::string& path) override;
  std::vector<FoundFile> FindFilesA(const std::string& pattern) override;
  ErrorCode TryOpenFileA(const std::string& path, std::uint32_t access) override;

  bool AppendToFileA(const std::string& path, const std::string& firstBytes, const std::string& bytes) override;
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override;
  LocalTime GetLocalTime() override;
  std::optional<std::string> GetUserNameA() override;

  ErrorCode CreateMutexA(const std::string& name) override;
  void SHChangeNotify(long event, std::uint32_t flags) override;
  void BroadcastSettingChange(const std::string& area) override;

  ErrorCode StopServiceA(const std::string& name) override;
  std::optional<std::uint32_t> QueryServiceStateA(const std::string& name) override;
  ErrorCode DeleteServiceA(const std::string& name) override;
  void Sleep(std::uint32_t milliseconds) override;

  ErrorCode RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) override;
  ErrorCode RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override;
  ErrorCode RegCloseKey(KeyHandle key) override;
  ErrorCode RegDeleteKeyA(KeyHandle key, const std::string& subKey) override;
  ErrorCode RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) override;
  ErrorCode RegQueryValueCountA(KeyHandle key, std::uint32_t& values) override;
  ErrorCode RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize, std::string& name) override;
  ErrorCode RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                             std::uint32_t& size) override;
  ErrorCode RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                           const std::string& data) override;
  ErrorCode RegDeleteValueA(KeyHandle key, const std::string& name) override;

  std::u16string GetCommandLineW() override;
  std::u16string GetModuleFileNameW() override;
  std::u16string GetWindowsDirectoryW() override;
  std::u16string GetSystemDirectoryW() override;
  std::optional<std::u16string> GetLocaleInfoW(std::uint32_t locale, std::uint32_t type) override;
  std::optional<std::string> WideCharToMultiByte(std::uint32_t codePage, const std::u16string& text) override;
  std::optional<FindData> FindFirstFileW(const std::u16string& path) override;
  bool SetFileAttributesW(const std::u16string& path, std::uint32_t attributes) override;
  bool DeleteFileW(const std::u16string& path) override;
  bool MoveFileW(const std::u16string& oldPath, const std::u16string& newPath) override;
  bool RemoveDirectoryW(const std::u16string& path) override;
  bool MoveFileExW(const std::u16string& path, std::uint32_t flags) override;
  std::optional<std::string> ReadWholeFileW(const std::u16string& path) override;
  std::optional<std::u16string> GetFileCompanyNameW(const std::u16string& path) override;
  std::vector<FoundFileW> FindFilesW(const std::u16string& pattern) override;
  ErrorCode TryOpenFileW(const std::u16string& path, std::uint32_t access) override;
  bool AppendToFileW(const std::u16string& path, const std::string& firstBytes, const std::string& bytes) override;
  std::optional<std::u16string> GetEnvironmentVariableW(const std::u16string& name) override;
  ErrorCode CreateMutexW(const std::u16string& name) override;
  std::optional<std::u16string> GetUserNameW() override;
  ErrorCode StopServiceW(const std::u16string& name) override;
  std::optional<std::uint32_t> QueryServiceStateW(const std::u16string& name) override;
  ErrorCode DeleteServiceW(const std::u16string& name) override;
  ErrorCode RegOpenKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t access,
                          KeyHandle& result) override;
  ErrorCode RegCreateKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override;
  ErrorCode RegDeleteKeyW(KeyHandle key, const std::u16string& subKey) override;
  ErrorCode RegEnumKeyExW(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                          std::u16string& name) override;
  ErrorCode RegQueryValueExW(KeyHandle key, const std::u16string& name, std::uint32_t& type,
                             std::string& data) override;
  ErrorCode RegSetValueExW(KeyHandle key, const std::u16string& name, std::uint32_t type,
                           const std::string& data) override;
  ErrorCode RegDeleteValueW(KeyHandle key, const std::u16string& name) override;
  void BroadcastSettingChangeW(const std::u16string& area) override;
};

}  // namespace qv
