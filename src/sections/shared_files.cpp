#include "sections/shared_files.h"

#include "guard/guard.h"
#include "script/locations.h"
#include "system/registry_accessor.h"

namespace qv {

bool ReleaseSharedFile(RunContext& run, const std::string& path, const std::string& line, int index) {
  using State = RegistryAccessor::NumberValue::State;
  RegistryAccessor registry(run.platform);
  registry.SelectRoot(kHkeyLocalMachine);
  if (!registry.OpenPath(kSharedFilesKey, false)) return true;  // no file has a count
  // Value names compare without regard to case: the path's spelling finds the installer's.
  const RegistryAccessor::NumberValue count = registry.ReadNumberValue(path);
  if (count.state == State::kMissing) return true;
  if (count.state == State::kOther) {
    run.observer.EntryPassedOver({Refusal{Family::kFile, Reason::kUnreadCount, path}, index, line});
    return false;
  }
  if (count.number > 1) {
    registry.WriteNumberValue(path, count.number - 1);
    return false;
  }
  // A count that cannot be deleted keeps its file: the two stay together.
  return registry.DeleteValue(path);
}

}  // namespace qv
