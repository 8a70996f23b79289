// The Linux side of the script checker: a system that has files and the case mapping of code
// page 932, and nothing else (no registry, no boxes, no mutexes).
#pragma once

#include "seam/platform.h"

namespace qv {

class PosixPlatform final : public Platform {
 public:
  std::string GetCommandLineA() override { return {}; }
  std::string GetModuleFileNameA() override { return {}; }
  std::uintptr_t GetModuleBase() override { return 0; }
  int MessageBoxA(const std::string&, const std::string&, std::uint32_t) override { return 0; }
  std::string CharUpperBuffA(std::string text) override;
  std::string CharLowerBuffA(std::string text) override;
  std::uint32_t GetACP() override { return 932; }
  std::optional<std::u16string> MultiByteToWideChar(std::uint32_t, const std::string&) override { return std::nullopt; }
  int GetSystemMetrics(int index) override { return index == win::kSmDbcsEnabled ? 1 : 0; }
  std::vector<std::pair<std::uint8_t, std::uint8_t>> GetCPInfoLeadBytes() override;
  std::uint32_t GetThreadLocale() override { return 0x411; }
  std::optional<std::string> GetLocaleInfoA(std::uint32_t, std::uint32_t) override { return std::nullopt; }
  std::optional<FindData> FindFirstFileA(const std::string& path) override;
  std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t) override { return std::nullopt; }
  std::optional<DosDateTime> FileTimeToDosDateTime(std::uint64_t) override { return std::nullopt; }
  bool SetFileAttributesA(const std::string&, std::uint32_t) override { return false; }
  bool DeleteFileA(const std::string&) override { return false; }
  bool MoveFileA(const std::string&, const std::string&) override { return false; }
  bool RemoveDirectoryA(const std::string&) override { return false; }
  bool MoveFileExA(const std::string&, std::uint32_t) override { return false; }
  std::string GetWindowsDirectoryA() override { return {}; }
  std::string GetSystemDirectoryA() override { return {}; }
  std::optional<std::string> ReadWholeFile(const std::string& path) override;
  std::vector<FoundFile> FindFilesA(const std::string& pattern) override;
  ErrorCode TryOpenFileA(const std::string& path, std::uint32_t access) override;
  bool AppendToFileA(const std::string&, const std::string&, const std::string&) override { return false; }
  std::optional<std::string> GetEnvironmentVariableA(const std::string&) override { return std::nullopt; }
  LocalTime GetLocalTime() override { return {}; }
  ErrorCode CreateMutexA(const std::string&) override { return win::kErrorAccessDenied; }
  void SHChangeNotify(long, std::uint32_t) override {}
  ErrorCode RegOpenKeyExA(KeyHandle, const std::string&, std::uint32_t, KeyHandle&) override { return kNoRegistry; }
  ErrorCode RegCreateKeyExA(KeyHandle, const std::string&, std::uint32_t, std::uint32_t, KeyHandle&) override {
    return kNoRegistry;
  }
  ErrorCode RegCloseKey(KeyHandle) override { return win::kErrorInvalidHandle; }
  ErrorCode RegDeleteKeyA(KeyHandle, const std::string&) override { return kNoRegistry; }
  ErrorCode RegQueryInfoKeyA(KeyHandle, std::uint32_t&, std::uint32_t&) override { return kNoRegistry; }
  ErrorCode RegQueryValueCountA(KeyHandle, std::uint32_t&) override { return kNoRegistry; }
  ErrorCode RegEnumKeyExA(KeyHandle, std::uint32_t, std::uint32_t, std::string&) override { return kNoRegistry; }
  ErrorCode RegQueryValueExA(KeyHandle, const std::string&, std::uint32_t&, std::string*, std::uint32_t&) override {
    return kNoRegistry;
  }
  ErrorCode RegSetValueExA(KeyHandle, const std::string&, std::uint32_t, const std::string&) override {
    return kNoRegistry;
  }
  ErrorCode RegDeleteValueA(KeyHandle, const std::string&) override { return kNoRegistry; }

 private:
  static constexpr ErrorCode kNoRegistry = win::kErrorAccessDenied;
};

}  // namespace qv
