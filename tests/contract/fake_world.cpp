// The rules run against the in-memory platform.
#include "fake_platform.h"
#include "world.h"

namespace qv::contract {

namespace {

class FakeWorld : public World {
 public:
  Platform& platform() override { return fake_; }
  bool KeyExists(const std::string& path) override { return fake_.FindKey(kHkeyCurrentUser, path) != nullptr; }

 private:
  test::FakePlatform fake_;
};

}  // namespace

std::unique_ptr<World> NewWorld() { return std::make_unique<FakeWorld>(); }

}  // namespace qv::contract
