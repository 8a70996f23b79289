// The rules run against the real system, under Wine; with QV_WIDE_WORLD, against the wide calls'
// platform over it.
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include <windows.h>

#include "platforms/wide_platform.h"
#include "support.h"
#include "win32/win32_platform.h"
#include "world.h"

namespace qv::contract {

namespace {

class RealWorld : public World {
 public:
  RealWorld() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
  ~RealWorld() override {
    for (HANDLE held : held_) ::CloseHandle(held);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    EXPECT_FALSE(KeyExists(kTestKey));
  }
#ifdef QV_WIDE_WORLD
  Platform& platform() override { return wide_; }
#else
  Platform& platform() override { return platform_; }
#endif
  bool KeyExists(const std::string& path) override {
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
  }
  std::string NewFolder(const std::string& name) override {
    folders_.push_back(std::make_unique<wintest::ScratchFolder>("contract-" + name));
    return folders_.back()->path();
  }
  void WriteFile(const std::string& path, const std::string& bytes) override { wintest::WriteBytes(path, bytes); }
  void MakeFolder(const std::string& path) override { wintest::MakeFolder(path); }
  WideCalls* wide() override { return &platform_; }
  void HoldFile(const std::string& path) override {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    held_.push_back(file);
  }

 private:
  Win32Platform platform_;
  WidePlatform wide_{platform_, platform_};
  std::vector<std::unique_ptr<wintest::ScratchFolder>> folders_;
  std::vector<HANDLE> held_;  // closed before the folders go
};

}  // namespace

std::unique_ptr<World> NewWorld() { return std::make_unique<RealWorld>(); }

}  // namespace qv::contract
