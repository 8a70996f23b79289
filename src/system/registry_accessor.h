// All registry work goes through this accessor: a root, at most one open (current) key, the rules
// by which a path names a key, key tree deletion, and string values that end the program when
// they cannot be read or written.
#pragma once

#include <optional>
#include <string>

#include "seam/platform.h"
#include "system/unique_key.h"

namespace qv {

// The bytes a buffer needs for any subkey name of a key whose longest subkey name is longest
// characters long (as RegQueryInfoKeyA reports it): two bytes for each, a double-byte name's
// included, and the NUL.
constexpr std::uint32_t SubkeyNameBufferSize(std::uint32_t longest) { return 2 * longest + 1; }

// A value as stored: its type and every byte, a text's NUL included.
struct StoredValue {
  std::uint32_t type = 0;
  std::string bytes;
};

class RegistryAccessor {
 public:
  // Root HKEY_CURRENT_USER, no current key.
  explicit RegistryAccessor(Platform& platform);
  // Closes the current key.
  ~RegistryAccessor();
  RegistryAccessor(const RegistryAccessor&) = delete;
  RegistryAccessor& operator=(const RegistryAccessor&) = delete;

  // The same root changes nothing; another root closes the current key and replaces the root.
  void SelectRoot(RegistryRoot root);

  // A path beginning with "\" is taken from the root (that "\" dropped); any other path from the
  // current key when there is one, else from the root. An empty remainder opens a new handle to
  // that base key itself. create: RegCreateKeyExA (missing keys above are created too); otherwise
  // RegOpenKeyExA with KEY_ALL_ACCESS, then KEY_READ. On success the new key replaces the current
  // one; on failure nothing changes.
  bool OpenPath(const std::string& path, bool create);

  // Closes the current key (never flushed) and clears the current path.
  void CloseOpenKey();

  // Deletes the key named by path (same rule as OpenPath) with everything below it. The current
  // key is untouched. True only when the key itself was deleted; a missing key gives false.
  bool DeleteKeyTree(const std::string& path);

  // Deletes a value of the current key; true when it was there and is gone.
  bool DeleteValue(const std::string& name);

  // The string value of the current key; "" when it is missing or empty. Raises ERegistryException
  // when it cannot be read or is not REG_SZ / REG_EXPAND_SZ. Cut at the first NUL; not expanded.
  std::string ReadStringValue(const std::string& name);

  // A value of the current key whole, however long. Nothing when there is no current key, or the
  // value is missing or cannot be read.
  std::optional<StoredValue> ReadValue(const std::string& name);

  // Writes the value's bytes as they are into the current key; the system's result.
  ErrorCode WriteValue(const std::string& name, const StoredValue& value);

  // Writes a REG_SZ value into the current key; raises ERegistryException when that fails,
  // also when there is no current key.
  void WriteStringValue(const std::string& name, const std::string& data);

  // A value of the current key read as a number: a REG_DWORD of four bytes. kOther for a value of
  // another type or size, or one that cannot be read; kMissing when it is missing or there is no
  // current key.
  struct NumberValue {
    enum class State { kMissing, kNumber, kOther } state = State::kMissing;
    std::uint32_t number = 0;
  };
  NumberValue ReadNumberValue(const std::string& name);

  // Writes a REG_DWORD value into the current key; false when that fails or there is none.
  bool WriteNumberValue(const std::string& name, std::uint32_t number);

  RegistryRoot Root() const { return root_; }
  bool HasCurrentKey() const { return static_cast<bool>(current_); }
  const std::string& CurrentPath() const { return path_; }

 private:
  struct Target {
    KeyHandle base;        // root or current key
    std::string relative;  // below base; empty for base itself
    bool fromCurrent;
  };

  Target Resolve(const std::string& path) const;
  // RegOpenKeyExA with KEY_ALL_ACCESS, falling back to KEY_READ; empty when neither opens.
  UniqueKey OpenExisting(KeyHandle base, const std::string& relative);
  void DeleteSubkeys(KeyHandle key, int depth);
  // The size query, then reads until the value stops growing; measured is the size first reported.
  ErrorCode QueryWhole(const std::string& name, std::uint32_t& type, std::string& data, std::uint32_t& measured);

  Platform& platform_;
  RegistryRoot root_ = kHkeyCurrentUser;
  UniqueKey current_;
  std::string path_;
};

}  // namespace qv
