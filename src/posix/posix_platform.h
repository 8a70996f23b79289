// The Linux side of the script checker: a system that has files and the case mapping of code
// page 932, and nothing else: every other call fails (no registry, no boxes, no mutexes).
#pragma once

#include "seam/platform.h"

namespace qv {

class PosixPlatform final : public Platform {
 public:
  std::string CharUpperBuffA(std::string text) override;
  std::string CharLowerBuffA(std::string text) override;
  std::uint32_t GetACP() override { return 932; }
  int GetSystemMetrics(int index) override { return index == win::kSmDbcsEnabled ? 1 : 0; }
  std::vector<std::pair<std::uint8_t, std::uint8_t>> GetCPInfoLeadBytes() override;
  std::uint32_t GetThreadLocale() override { return 0x411; }
  std::optional<FindData> FindFirstFileA(const std::string& path) override;
  std::optional<std::string> ReadWholeFile(const std::string& path) override;
  std::vector<FoundFile> FindFilesA(const std::string& pattern) override;
  ErrorCode TryOpenFileA(const std::string& path, std::uint32_t access) override;
};

}  // namespace qv
