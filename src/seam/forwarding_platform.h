// A platform that hands every call to another one; a wrapper overrides only what it changes.
#pragma once

#include "seam/platform.h"

namespace qv {

class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

  std::string GetCommandLineA() override { return inner_.GetCommandLineA(); }
  std::string GetModuleFileNameA() override { return inner_.GetModuleFileNameA(); }
  std::uintptr_t GetModuleBase() override { return inner_.GetModuleBase(); }

  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override {
    return inner_.MessageBoxA(text, caption, flags);
  }
  std::string CharUpperBuffA(std::string text) override { return inner_.CharUpperBuffA(std::move(text)); }
  std::string CharLowerBuffA(std::string text) override { return inner_.CharLowerBuffA(std::move(text)); }

  std::uint32_t GetACP() override { return inner_.GetACP(); }
  std::optional<std::u16string> MultiByteToWideChar(std::uint32_t codePage, const std::string& bytes) override {
    return inner_.MultiByteToWideChar(codePage, bytes);
  }
  int GetSystemMetrics(int index) override { return inner_.GetSystemMetrics(index); }
  std::vector<std::pair<std::uint8_t, std::uint8_t>> GetCPInfoLeadBytes() override {
    return inner_.GetCPInfoLeadBytes();
  }
  std::uint32_t GetThreadLocale() override { return inner_.GetThreadLocale(); }
  std::optional<std::string> GetLocaleInfoA(std::uint32_t locale, std::uint32_t type) override {
    return inner_.GetLocaleInfoA(locale, type);
  }

  std::optional<FindData> FindFirstFileA(const std::string& path) override { return inner_.FindFirstFileA(path); }
  std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t fileTime) override {
    return inner_.FileTimeToLocalFileTime(fileTime);
  }
  std::optional<DosDateTime> FileTimeToDosDateTime(std::uint64_t fileTime) override {
    return inner_.FileTimeToDosDateTime(fileTime);
  }
  bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override {
    return inner_.SetFileAttributesA(path, attributes);
  }
  bool DeleteFileA(const std::string& path) override { return inner_.DeleteFileA(path); }
  bool MoveFileA(const std::string& oldPath, const std::string& newPath) override {
    return inner_.MoveFileA(oldPath, newPath);
  }
  bool RemoveDirectoryA(const std::string& path) override { return inner_.RemoveDirectoryA(path); }
  bool MoveFileExA(const std::string& path, std::uint32_t flags) override { return inner_.MoveFileExA(path, flags); }
  std::string GetWindowsDirectoryA() override { return inner_.GetWindowsDirectoryA(); }
  std::string GetSystemDirectoryA() override { return inner_.GetSystemDirectoryA(); }
  std::optional<std::string> ReadWholeFile(const std::string& path) override { return inner_.ReadWholeFile(path); }
  std::vector<FoundFile> FindFilesA(const std::string& pattern) override { return inner_.FindFilesA(pattern); }
  ErrorCode TryOpenFileA(const std::string& path, std::uint32_t access) override {
    return inner_.TryOpenFileA(path, access);
  }

  bool AppendToFileA(const std::string& path, const std::string& firstBytes, const std::string& bytes) override {
    return inner_.AppendToFileA(path, firstBytes, bytes);
  }
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override {
    return inner_.GetEnvironmentVariableA(name);
  }
  LocalTime GetLocalTime() override { return inner_.GetLocalTime(); }

  ErrorCode CreateMutexA(const std::string& name) override { return inner_.CreateMutexA(name); }
  void SHChangeNotify(long event, std::uint32_t flags) override { inner_.SHChangeNotify(event, flags); }

  ErrorCode RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) override {
    return inner_.RegOpenKeyExA(key, subKey, access, result);
  }
  ErrorCode RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override {
    return inner_.RegCreateKeyExA(key, subKey, options, access, result);
  }
  ErrorCode RegCloseKey(KeyHandle key) override { return inner_.RegCloseKey(key); }
  ErrorCode RegDeleteKeyA(KeyHandle key, const std::string& subKey) override {
    return inner_.RegDeleteKeyA(key, subKey);
  }
  ErrorCode RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) override {
    return inner_.RegQueryInfoKeyA(key, subKeys, maxSubKeyLength);
  }
  ErrorCode RegQueryValueCountA(KeyHandle key, std::uint32_t& values) override {
    return inner_.RegQueryValueCountA(key, values);
  }
  ErrorCode RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                          std::string& name) override {
    return inner_.RegEnumKeyExA(key, index, nameBufferSize, name);
  }
  ErrorCode RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                             std::uint32_t& size) override {
    return inner_.RegQueryValueExA(key, name, type, data, size);
  }
  ErrorCode RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                           const std::string& data) override {
    return inner_.RegSetValueExA(key, name, type, data);
  }
  ErrorCode RegDeleteValueA(KeyHandle key, const std::string& name) override {
    return inner_.RegDeleteValueA(key, name);
  }

 protected:
  Platform& inner_;
};

}  // namespace qv
