// A platform for planning an uninstall: reads go to the real system, changes are only written
// down. Each change is answered with the result the real call would give in the state the earlier
// changes would leave, and every later read sees that state, so a run on this platform goes the
// way the real run would, without changing anything. The files and the registry keep their own
// planned state (PlannedFiles, PlannedRegistry); this platform hands the calls to them and writes
// down each step the user would see or that would change the system.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plan/planned_files.h"
#include "plan/planned_registry.h"
#include "seam/forwarding_platform.h"
#include "steps/run_steps.h"
#include "text/text.h"

namespace qv {

class PlanningPlatform final : public ForwardingPlatform {
 public:
  // The run gets commandLine and moduleFileName as its own.
  PlanningPlatform(Platform& system, std::string commandLine, std::string moduleFileName);

  const std::vector<RunStep>& Steps() const { return steps_; }
  // The files as the steps so far would leave them.
  PlannedFiles& Files() { return files_; }
  // The registry as the steps so far would leave it.
  const PlannedRegistry& Registry() const { return registry_; }

  // The next value written is the Path value without these elements: its step says so.
  void ExpectPathRemoval(PathRemoval removal) { pathRemoval_ = std::move(removal); }

  std::string GetCommandLineA() override { return commandLine_; }
  std::string GetModuleFileNameA() override { return moduleFileName_; }
  // Recorded; a question is answered Yes, any other box OK.
  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  // Code page 932 whatever the system's, so that every box of the run comes to MessageBoxA with
  // the program's own bytes and is written down, never shown.
  std::uint32_t GetACP() override { return 932; }

  std::optional<FindData> FindFirstFileA(const std::string& path) override;
  bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override;
  bool DeleteFileA(const std::string& path) override;
  bool MoveFileA(const std::string& oldPath, const std::string& newPath) override;
  bool RemoveDirectoryA(const std::string& path) override;
  // Written down, never asked of the system: the run leaves the file to the next start of Windows.
  bool MoveFileExA(const std::string& path, std::uint32_t flags) override;
  std::optional<std::string> ReadWholeFile(const std::string& path) override;
  // The maker of the file that the path names in the planned state.
  std::optional<std::string> GetFileCompanyNameA(const std::string& path) override;
  std::vector<FoundFile> FindFilesA(const std::string& pattern) override;
  ErrorCode TryOpenFileA(const std::string& path, std::uint32_t access) override;
  // Refused: a plan writes nothing.
  bool AppendToFileA(const std::string&, const std::string&, const std::string&) override { return false; }

  // Made for real: the mutex only tells programs of the product that an uninstall is under way,
  // and it goes when this process ends. Recorded.
  ErrorCode CreateMutexA(const std::string& name) override;
  void SHChangeNotify(long event, std::uint32_t flags) override;
  // Written down, never sent.
  void BroadcastSettingChange(const std::string& area) override;

  // A stop and a deletion are written down and answered as the real call would answer in the
  // planned state: a service asked to stop is planned stopped, a stopped one that is deleted is
  // planned gone, a running one stays listed, marked for deletion. The state is read from the
  // system until the plan changes it; the run's waits take no time.
  ErrorCode StopServiceA(const std::string& name) override;
  std::optional<std::uint32_t> QueryServiceStateA(const std::string& name) override;
  ErrorCode DeleteServiceA(const std::string& name) override;
  void Sleep(std::uint32_t) override {}

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

 private:
  // The service and its key are planned gone.
  void Forget(const std::string& name);
  RunStep& Record(RunStep::Kind kind, std::string target, std::string state, bool succeeds, std::string detail = {});

  std::string commandLine_;
  std::string moduleFileName_;
  LeadByteTable lead_;
  PlannedFiles files_;
  PlannedRegistry registry_;
  std::vector<RunStep> steps_;
  std::optional<PathRemoval> pathRemoval_;
  // Services by upper-cased name, as the plan has left them.
  enum class PlannedService { kStopped, kMarked, kGone };
  std::map<std::string, PlannedService> services_;
};

}  // namespace qv
