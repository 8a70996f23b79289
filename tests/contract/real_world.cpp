// The rules run against the real system, under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include "win32/win32_platform.h"
#include "world.h"

namespace qv::contract {

namespace {

class RealWorld : public World {
 public:
  RealWorld() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
  ~RealWorld() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    EXPECT_FALSE(KeyExists(kTestKey));
  }
  Platform& platform() override { return platform_; }
  bool KeyExists(const std::string& path) override {
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
  }

 private:
  Win32Platform platform_;
};

}  // namespace

std::unique_ptr<World> NewWorld() { return std::make_unique<RealWorld>(); }

}  // namespace qv::contract
