// The rules run against the in-memory platform; with QV_WIDE_WORLD, against the wide calls' platform
// over it, as a system of code page 1252.
#include "fake_system.h"
#include "platforms/wide_platform.h"
#include "world.h"

namespace qv::contract {

namespace {

class FakeWorld : public World {
 public:
  // Windows' own library, as the real system folder holds it.
  FakeWorld() {
    fake_.AddFile(fake_.systemFolder + "\\kernel32.dll").company = "Microsoft Corporation";
#ifdef QV_WIDE_WORLD
    fake_.UseAnsiCodePage(1252);
#endif
  }
#ifdef QV_WIDE_WORLD
  Platform& platform() override { return wide_; }
#else
  Platform& platform() override { return fake_; }
#endif
  bool KeyExists(const std::string& path) override { return fake_.FindKey(kHkeyCurrentUser, path) != nullptr; }
  std::string NewFolder(const std::string& name) override {
    const std::string path = "C:\\Contract\\" + name;
    fake_.AddFolder(path);
    return path;
  }
  void WriteFile(const std::string& path, const std::string& bytes) override { fake_.AddFile(path, bytes); }
  void MakeFolder(const std::string& path) override { fake_.AddFolder(path); }
  WideCalls* wide() override { return &fake_; }
  void HoldFile(const std::string& path) override {
    const std::string bytes = fake_.Find(path)->bytes;
    fake_.AddFile(path, bytes).heldOpen = true;
  }

 private:
  test::FakePlatform fake_;
  WidePlatform wide_{fake_, fake_};
};

}  // namespace

std::unique_ptr<World> NewWorld() { return std::make_unique<FakeWorld>(); }

}  // namespace qv::contract
