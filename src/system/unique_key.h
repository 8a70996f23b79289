// Move-only owner of one open registry key handle; closing goes through the platform seam.
#pragma once

#include <utility>

#include "seam/platform.h"

namespace qv {

// The predefined root values (HKEY_CLASSES_ROOT 0x80000000 and the ones after it) are not
// handles we opened: some systems hand one back from an open with an empty subkey, and closing
// it would be wrong. The owner never closes a value from this range.
constexpr bool IsPredefinedKey(RegKey key) { return key >= 0x80000000u && key <= 0x800000FFu; }

class RegistryKey {
 public:
  static constexpr RegKey kEmpty = 0;

  RegistryKey() = default;
  RegistryKey(Platform& platform, RegKey key) : platform_(&platform), key_(key) {}
  RegistryKey(RegistryKey&& other) noexcept
      : platform_(other.platform_), key_(std::exchange(other.key_, kEmpty)) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
      Reset();
      platform_ = other.platform_;
      key_ = std::exchange(other.key_, kEmpty);
    }
    return *this;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { Reset(); }

  RegKey get() const { return key_; }
  explicit operator bool() const { return key_ != kEmpty; }

  // Closes the key (RegCloseKey) and leaves the owner empty.
  void Reset() {
    if (key_ != kEmpty && platform_ && !IsPredefinedKey(key_)) platform_->RegCloseKey(key_);
    key_ = kEmpty;
  }

 private:
  Platform* platform_ = nullptr;
  RegKey key_ = kEmpty;
};

}  // namespace qv
