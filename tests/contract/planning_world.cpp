// The rules run against the planning platform over the in-memory one: each change it only writes
// down must answer as the real call would, and every later read must see the state it leaves.
#include "fake_system.h"
#include "plan/planning_platform.h"
#include "system/unique_key.h"
#include "world.h"

namespace qv::contract {

namespace {

class PlanningWorld : public World {
 public:
  // Windows' own library, as the real system folder holds it.
  PlanningWorld() { system_.AddFile(system_.systemFolder + "\\kernel32.dll").company = "Microsoft Corporation"; }
  Platform& platform() override { return planning_; }
  // The planned state is known only to the planning platform: the key is looked for through it.
  bool KeyExists(const std::string& path) override {
    KeyHandle key = 0;
    const ErrorCode status = planning_.RegOpenKeyExA(kHkeyCurrentUser, path, win::kKeyRead, key);
    const UniqueKey owner(planning_, status == win::kErrorSuccess ? key : UniqueKey::kEmpty);
    return status == win::kErrorSuccess;
  }
  // Files are made on the system below, which the planning platform reads.
  std::string NewFolder(const std::string& name) override {
    const std::string path = "C:\\Contract\\" + name;
    system_.AddFolder(path);
    return path;
  }
  void WriteFile(const std::string& path, const std::string& bytes) override { system_.AddFile(path, bytes); }
  void MakeFolder(const std::string& path) override { system_.AddFolder(path); }
  void HoldFile(const std::string& path) override {
    const std::string bytes = system_.Find(path)->bytes;
    system_.AddFile(path, bytes).heldOpen = true;
  }
  WideCalls* wide() override { return nullptr; }

 private:
  test::FakePlatform system_;
  PlanningPlatform planning_{system_, "", ""};
};

}  // namespace

std::unique_ptr<World> NewWorld() { return std::make_unique<PlanningWorld>(); }

}  // namespace qv::contract
