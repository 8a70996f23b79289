// Move-only owner of one open registry key handle; closing goes through the platform seam.
#pragma once

#include <utility>

#include "seam/platform.h"

namespace qv {

// The predefined root values (HKEY_CLASSES_ROOT 0x80000000 and the ones after it) are not
// handles we opened: some systems hand one back from an open with an empty subkey, and closing
// it would be wrong. The owner never closes a value from this range.
constexpr bool IsPredefinedKey(KeyHandle key) { return key >= 0x80000000u && key <= 0x800000FFu; }

class UniqueKey {
 public:
  static constexpr KeyHandle kEmpty = 0;

  UniqueKey() = default;
  UniqueKey(Platform& platform, KeyHandle key) : platform_(&platform), key_(key) {}
  UniqueKey(UniqueKey&& other) noexcept : platform_(other.platform_), key_(std::exchange(other.key_, kEmpty)) {}
  UniqueKey& operator=(UniqueKey&& other) noexcept {
    if (this != &other) {
      Reset();
      platform_ = other.platform_;
      key_ = std::exchange(other.key_, kEmpty);
    }
    return *this;
  }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  ~UniqueKey() { Reset(); }

  KeyHandle get() const { return key_; }
  explicit operator bool() const { return key_ != kEmpty; }

  // Closes the key (RegCloseKey) and leaves the owner empty.
  void Reset() {
    if (key_ != kEmpty && platform_ && !IsPredefinedKey(key_)) platform_->RegCloseKey(key_);
    key_ = kEmpty;
  }

 private:
  Platform* platform_ = nullptr;
  KeyHandle key_ = kEmpty;
};

}  // namespace qv
