// Where the system's ANSI code page is not 932, the program runs on this platform: to everything
// above it the system is one of code page 932, and below it every name and text goes through the
// wide calls. A name the program passes is made of its parts: what came from the system (the
// command line, the program's path, the Windows folders, the registry's values and key names, a
// folder's listing) comes back as the system gave it, in UTF-16, and what the script wrote is read
// as code page 932 (see program_text.h). The case mapping is code page 932's, whatever the system's.
#pragma once

#include "seam/forwarding_platform.h"
#include "seam/wide_calls.h"

namespace qv {

class WidePlatform final : public ForwardingPlatform {
 public:
  // The system's calls that take no name pass through as they are; the others become their wide twins.
  WidePlatform(Platform& system, WideCalls& wide) : ForwardingPlatform(system), wide_(wide) {}

  std::string GetCommandLineA() override;
  std::string GetModuleFileNameA() override;
  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  std::string CharUpperBuffA(std::string text) override;
  std::string CharLowerBuffA(std::string text) override;

  std::uint32_t GetACP() override;
  std::optional<std::u16string> MultiByteToWideChar(std::uint32_t codePage, const std::string& bytes) override;
  int GetSystemMetrics(int index) override;
  std::vector<std::pair<std::uint8_t, std::uint8_t>> GetCPInfoLeadBytes() override;
  std::optional<std::string> GetLocaleInfoA(std::uint32_t locale, std::uint32_t type) override;

  std::optional<FindData> FindFirstFileA(const std::string& path) override;
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
  ErrorCode CreateMutexA(const std::string& name) override;
  void BroadcastSettingChange(const std::string& area) override;
  std::optional<std::string> GetUserNameA() override;
  ErrorCode StopServiceA(const std::string& name) override;
  std::optional<std::uint32_t> QueryServiceStateA(const std::string& name) override;
  ErrorCode DeleteServiceA(const std::string& name) override;

  ErrorCode RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) override;
  ErrorCode RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override;
  ErrorCode RegDeleteKeyA(KeyHandle key, const std::string& subKey) override;
  ErrorCode RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize, std::string& name) override;
  ErrorCode RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                             std::uint32_t& size) override;
  ErrorCode RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                           const std::string& data) override;
  ErrorCode RegDeleteValueA(KeyHandle key, const std::string& name) override;

 private:
  WideCalls& wide_;

  // A text of the program as the wide calls take it, and one of the system's as the program reads it.
  std::u16string Wide(const std::string& text);
  std::string Narrow(const std::u16string& text);
  std::optional<std::string> Narrow(const std::optional<std::u16string>& text);
};

}  // namespace qv
