#include <cstring>
#include <optional>

#include "guard/guard.h"
#include "sections/entries.h"
#include "sections/sections.h"

namespace qv {

namespace {

// How long a service is given to stop, and then to leave the manager's list, and how often it is
// looked at meanwhile.
constexpr std::uint32_t kStopWaitMs = 30000;
constexpr std::uint32_t kRemovalWaitMs = 10000;
constexpr std::uint32_t kPollMs = 250;

// Asks the service to stop and waits for it: true once it is stopped or gone. A service that
// refuses the request is waited for only while it is stopping already.
bool StopService(Platform& platform, const std::string& name) {
  const ErrorCode asked = platform.StopServiceA(name);
  for (std::uint32_t waited = 0;; waited += kPollMs) {
    const std::optional<std::uint32_t> state = platform.QueryServiceStateA(name);
    if (!state || *state == win::kServiceStopped) return true;
    if (asked != win::kErrorSuccess && *state != win::kServiceStopPending) return false;
    if (waited >= kStopWaitMs) return false;
    platform.Sleep(kPollMs);
  }
}

// Waits until the manager no longer lists the service: true when it is gone.
bool WaitUntilGone(Platform& platform, const std::string& name) {
  for (std::uint32_t waited = 0;; waited += kPollMs) {
    if (!platform.QueryServiceStateA(name)) return true;
    if (waited >= kRemovalWaitMs) return false;
    platform.Sleep(kPollMs);
  }
}

}  // namespace

void RemoveService(RunContext& run, RegistryRoot root, const std::string& path, int index, const std::string& line) {
  Platform& platform = run.platform;
  if (const std::optional<Refusal> refusal = KeyRefusal(platform, run.system.leadBytes, root, path, run.product))
    return run.observer.EntryPassedOver({*refusal, index, line});
  // The name as written; a service that does not exist is nothing to do.
  const std::string name = line.substr(std::strlen(kServiceKeyword));
  if (!platform.QueryServiceStateA(name)) return;
  const bool stopped = StopService(platform, name);
  // One that cannot be deleted (no administrator's rights) stays, as a key that cannot be deleted.
  const ErrorCode deleted = platform.DeleteServiceA(name);
  if (deleted != win::kErrorSuccess && deleted != win::kErrorServiceMarkedForDelete) return;
  // Still running, or held open elsewhere: marked for deletion, Windows removes it when it next starts.
  if (!stopped || !WaitUntilGone(platform, name)) run.state.servicesLeftToRestart.push_back(name);
}

}  // namespace qv
