// The platform of a silent run: every call goes to the real system, and each one that changes
// it (or tells the product's programs that an uninstall runs) is written to the run's log with
// its real result. No box is shown: each is written to the log with the answer of a user who
// wants the product removed, Yes to a question and OK to any other box.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "seam/forwarding_platform.h"
#include "steps/run_log.h"

namespace qv {

class RecordingPlatform final : public ForwardingPlatform {
 public:
  RecordingPlatform(Platform& system, RunLog& log) : ForwardingPlatform(system), log_(log) {}

  // The next value written is the Path value without these elements: its step says so.
  void ExpectPathRemoval(PathRemoval removal) { pathRemoval_ = std::move(removal); }

  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  ErrorCode CreateMutexA(const std::string& name) override;
  void SHChangeNotify(long event, std::uint32_t flags) override;
  void BroadcastSettingChange(const std::string& area) override;

  bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override;
  bool DeleteFileA(const std::string& path) override;
  bool MoveFileA(const std::string& oldPath, const std::string& newPath) override;
  bool RemoveDirectoryA(const std::string& path) override;
  bool MoveFileExA(const std::string& path, std::uint32_t flags) override;

  ErrorCode StopServiceA(const std::string& name) override;
  ErrorCode DeleteServiceA(const std::string& name) override;

  // Opening, creating and closing keys keeps each handle's name for the lines that use it.
  ErrorCode RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) override;
  ErrorCode RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override;
  ErrorCode RegCloseKey(KeyHandle key) override;
  ErrorCode RegDeleteKeyA(KeyHandle key, const std::string& subKey) override;
  ErrorCode RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                           const std::string& data) override;
  ErrorCode RegDeleteValueA(KeyHandle key, const std::string& name) override;

 private:
  // The key as the run named it, the root's short name first.
  std::string KeyName(KeyHandle key, const std::string& subKey) const;
  void Record(RunStep step);
  void RecordFile(RunStep::Kind kind, const std::string& path, bool succeeds, std::uint32_t number = 0);
  void RecordKey(RunStep::Kind kind, std::string key, ErrorCode status, std::string detail = {});

  RunLog& log_;
  std::map<KeyHandle, std::string> keyNames_;
  std::optional<PathRemoval> pathRemoval_;
};

}  // namespace qv
