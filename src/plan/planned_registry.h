// The registry as a planned uninstall would leave it: the real system's keys and values, seen
// through the changes written down so far. It hands out key handles of its own; a change is only
// written down, with the result the real call would give in that state, and every later read
// through any handle sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seam/platform.h"
#include "steps/run_steps.h"
#include "system/unique_key.h"
#include "text/text.h"

namespace qv {

class PlannedRegistry {
 public:
  PlannedRegistry(Platform& system, const LeadByteTable& lead) : system_(system), lead_(lead) {}

  // What a change would do: the call's result, the key as the run named it (root's short name
  // first) and the target just before, in words.
  struct Outcome {
    ErrorCode status;
    std::string key;
    std::string state;
  };

  // The registry calls of the platform, in the planned state.
  ErrorCode Open(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result);
  Outcome Create(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result);
  ErrorCode Close(KeyHandle key);
  Outcome Delete(KeyHandle key, const std::string& subKey);
  ErrorCode QueryInfo(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength);
  ErrorCode QueryValueCount(KeyHandle key, std::uint32_t& values);
  ErrorCode EnumKey(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize, std::string& name);
  ErrorCode QueryValue(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                       std::uint32_t& size);
  Outcome SetValue(KeyHandle key, const std::string& name, std::uint32_t type, const std::string& data);
  Outcome DeleteValue(KeyHandle key, const std::string& name);
  // The key at path (below the root, upper-cased) and everything below it are gone, as when the
  // system itself removes them (a service's key, with the service).
  void Forget(RegistryRoot root, const std::string& path);
  // Calls f with the root and canonical path of the key that each change so far deletes, creates,
  // or sets or deletes a value of.
  template <typename F>
  void ForEachChangedKey(F f) const {
    for (const Change& change : changes_) f(change.root, change.path);
  }

 private:
  // A planned change of the registry. Paths are canonical key paths below the root.
  struct Change {
    enum class Kind { kDeleted, kCreated, kValue, kValueDeleted } kind;
    RegistryRoot root;
    std::string path;
    std::string name;  // a value's name as written
    std::uint32_t type = 0;
    std::string data;
  };
  enum class KeyState { kMissing, kReal, kCreated };
  // A key handle that this registry gave out.
  struct OpenKey {
    RegistryRoot root;
    std::string path;   // canonical
    std::string shown;  // as the run wrote it
    std::uint32_t access;
    std::size_t openedAt;  // the number of changes when it was opened
  };
  struct KeyName {
    std::string canonical;
    std::string shown;
  };

  // The names of a key path, as views into it.
  std::vector<std::string_view> KeySegments(const std::string& path);
  std::string Join(const std::string& base, const std::vector<std::string_view>& segments) const;
  // The key a handle stands for; on failure, what is known of it (for showing).
  ErrorCode Base(KeyHandle key, OpenKey& base);
  KeyState StateOf(RegistryRoot root, const std::string& path);
  std::vector<KeyName> Subkeys(RegistryRoot root, const std::string& path);
  // The value in the planned state: written by the plan, or the real one (nothing when missing).
  std::optional<Change> WrittenValue(RegistryRoot root, const std::string& path, const std::string& name,
                                     bool& fromReal);
  // The number of values in the planned state; the system's error when it cannot count the real ones.
  ErrorCode ValueCount(RegistryRoot root, const std::string& path, std::uint32_t& count);
  std::optional<std::string> ValueText(KeyHandle key, const std::string& name);
  // The key of the real system, opened for access; empty when it cannot be.
  UniqueKey RealKey(RegistryRoot root, const std::string& path, std::uint32_t access, ErrorCode& status);
  // Whether the real system would open the key for access now.
  ErrorCode OpenReal(RegistryRoot root, const std::string& path, std::uint32_t access);
  std::vector<KeyName> RealSubkeys(RegistryRoot root, const std::string& path);
  KeyHandle NewHandle(const OpenKey& key);
  std::string KeyText(RegistryRoot root, const std::string& shown) const;

  Platform& system_;
  const LeadByteTable& lead_;
  std::vector<Change> changes_;
  std::map<KeyHandle, OpenKey> handles_;
  KeyHandle nextHandle_ = 0x10000;
};

}  // namespace qv
