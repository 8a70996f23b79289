// What the registry tests share: the status codes they expect, and a fixture that works below the
// test key of a fresh world, closes the keys it opened and reads values whole.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "world.h"

namespace qv::contract {

constexpr ErrorCode kOk = win::kErrorSuccess;
constexpr ErrorCode kNotFound = win::kErrorFileNotFound;
constexpr ErrorCode kAccessDenied = win::kErrorAccessDenied;
constexpr ErrorCode kInvalidHandle = win::kErrorInvalidHandle;
constexpr ErrorCode kBadPathname = win::kErrorBadPathname;
constexpr ErrorCode kMoreData = win::kErrorMoreData;
constexpr ErrorCode kNoMoreItems = win::kErrorNoMoreItems;
constexpr ErrorCode kKeyDeleted = win::kErrorKeyDeleted;
constexpr KeyHandle kHkcu = kHkeyCurrentUser;
inline const std::string kBase = kTestKey;
inline const std::string kTesuto = "テスト";  // three characters, six bytes

class RegistryFixture : public testing::Test {
 protected:
  void TearDown() override {
    for (KeyHandle key : open_) platform_.RegCloseKey(key);
  }
  // Creates (or opens) a key below the test key; closed at the end of the test.
  KeyHandle Create(const std::string& path) {
    KeyHandle key = 0;
    EXPECT_EQ(kOk, platform_.RegCreateKeyExA(kHkcu, Below(path), 0, win::kKeyAllAccess, key)) << path;
    open_.push_back(key);
    return key;
  }
  KeyHandle Open(const std::string& path, std::uint32_t access) {
    KeyHandle key = 0;
    EXPECT_EQ(kOk, platform_.RegOpenKeyExA(kHkcu, Below(path), access, key)) << path;
    open_.push_back(key);
    return key;
  }
  static std::string Below(const std::string& path) { return path.empty() ? kBase : kBase + "\\" + path; }
  bool Exists(const std::string& path) { return world_->KeyExists(Below(path)); }
  std::string ReadValue(KeyHandle key, const std::string& name, std::uint32_t& type) {
    std::uint32_t size = 0;
    EXPECT_EQ(kOk, platform_.RegQueryValueExA(key, name, type, nullptr, size));
    std::string data;
    EXPECT_EQ(kOk, platform_.RegQueryValueExA(key, name, type, &data, size));
    EXPECT_EQ(size, data.size());
    return data;
  }

  std::unique_ptr<World> world_ = NewWorld();
  Platform& platform_ = world_->platform();
  std::vector<KeyHandle> open_;
};

}  // namespace qv::contract
