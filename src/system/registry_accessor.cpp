#include "system/registry_accessor.h"

#include <vector>

#include "common/errors.h"
#include "common/texts.h"

namespace qv {

namespace {

// The system nests keys at most this deep; a deeper walk would only mean a broken registry.
constexpr int kMaxKeyDepth = 512;
// A value may grow between the size query and the read; try again with the new size this often.
constexpr int kMaxReadAttempts = 4;

}  // namespace

RegistryAccessor::RegistryAccessor(Platform& platform) : platform_(platform) {}

RegistryAccessor::~RegistryAccessor() = default;

void RegistryAccessor::SelectRoot(RegistryRoot root) {
  if (root == root_) return;
  CloseOpenKey();
  root_ = root;
}

RegistryAccessor::Target RegistryAccessor::Resolve(const std::string& path) const {
  if (!path.empty() && path[0] == '\\') return {static_cast<KeyHandle>(root_), path.substr(1), false};
  if (current_) return {current_.get(), path, true};
  return {static_cast<KeyHandle>(root_), path, false};
}

UniqueKey RegistryAccessor::OpenExisting(KeyHandle base, const std::string& relative) {
  for (std::uint32_t access : {win::kKeyAllAccess, win::kKeyRead}) {
    KeyHandle opened = UniqueKey::kEmpty;
    if (platform_.RegOpenKeyExA(base, relative, access, opened) == win::kErrorSuccess)
      return UniqueKey(platform_, opened);
  }
  return UniqueKey();
}

bool RegistryAccessor::OpenPath(const std::string& path, bool create) {
  const Target target = Resolve(path);
  UniqueKey opened;
  if (create) {
    KeyHandle created = UniqueKey::kEmpty;
    if (platform_.RegCreateKeyExA(target.base, target.relative, 0, win::kKeyAllAccess, created) == win::kErrorSuccess)
      opened = UniqueKey(platform_, created);
  } else {
    opened = OpenExisting(target.base, target.relative);
  }
  if (!opened) return false;
  // The new key was opened relative to the old one, so the old one is closed only now.
  path_ = target.fromCurrent ? path_ + "\\" + path : path;
  current_ = std::move(opened);
  return true;
}

void RegistryAccessor::CloseOpenKey() {
  current_.Reset();
  path_.clear();
}

bool RegistryAccessor::DeleteValue(const std::string& name) {
  return current_ && platform_.RegDeleteValueA(current_.get(), name) == win::kErrorSuccess;
}

bool RegistryAccessor::DeleteKeyTree(const std::string& path) {
  const Target target = Resolve(path);
  {
    UniqueKey key = OpenExisting(target.base, target.relative);
    if (key) DeleteSubkeys(key.get(), 1);
  }  // closed before the key itself goes
  return platform_.RegDeleteKeyA(target.base, target.relative) == win::kErrorSuccess;
}

// Deletes every subkey of key, depth first. The names are collected before anything is deleted,
// so a subkey that resists deletion is passed over once instead of being met again and again.
void RegistryAccessor::DeleteSubkeys(KeyHandle key, int depth) {
  if (depth > kMaxKeyDepth) return;
  std::uint32_t count = 0, longest = 0;
  if (platform_.RegQueryInfoKeyA(key, count, longest) != win::kErrorSuccess) return;
  const std::uint32_t bufferSize = SubkeyNameBufferSize(longest);
  std::vector<std::string> names;
  for (std::uint32_t index = 0; index < count; ++index) {
    std::string name;
    const ErrorCode status = platform_.RegEnumKeyExA(key, index, bufferSize, name);
    if (status == win::kErrorNoMoreItems) break;
    // A name that does not fit appeared after the count was taken: it stays, and so does key.
    if (status == win::kErrorSuccess) names.push_back(std::move(name));
  }
  for (const std::string& name : names) {
    {
      UniqueKey subkey = OpenExisting(key, name);
      if (subkey) DeleteSubkeys(subkey.get(), depth + 1);
    }
    platform_.RegDeleteKeyA(key, name);
  }
}

ErrorCode RegistryAccessor::QueryWhole(const std::string& name, std::uint32_t& type, std::string& data,
                                       std::uint32_t& measured) {
  std::uint32_t size = 0;
  ErrorCode status = platform_.RegQueryValueExA(current_.get(), name, type, nullptr, size);
  measured = size;
  if (status != win::kErrorSuccess || size == 0) return status;
  for (int attempt = 1;; ++attempt) {
    std::uint32_t delivered = size;
    status = platform_.RegQueryValueExA(current_.get(), name, type, &data, delivered);
    if (status != win::kErrorMoreData || attempt == kMaxReadAttempts) {
      if (status == win::kErrorSuccess && delivered < data.size()) data.resize(delivered);
      return status;
    }
    size = delivered > size ? delivered : 2 * size;  // grew since it was measured
  }
}

// Reading without a current key, or a size query that fails for any reason but a missing value,
// raises the read error: only a value known to be missing or empty may read as "", so a caller
// never carries on with an empty text that stands for a failure.
std::string RegistryAccessor::ReadStringValue(const std::string& name) {
  if (!current_) Raise<ERegistryException>(texts::kRegistryReadError, ProgramText(name));
  std::uint32_t type = 0, measured = 0;
  std::string data;
  // Missing when measured, or deleted between the size query and the read: it is missing now.
  const ErrorCode status = QueryWhole(name, type, data, measured);
  if (status == win::kErrorFileNotFound) return "";
  if (status != win::kErrorSuccess) Raise<ERegistryException>(texts::kRegistryReadError, ProgramText(name));
  if (measured == 0) return "";
  if (type != win::kRegSz && type != win::kRegExpandSz)
    Raise<ERegistryException>(texts::kRegistryTypeError, ProgramText(name));
  const std::size_t end = data.find('\0');
  if (end != std::string::npos) data.resize(end);
  return data;
}

std::optional<StoredValue> RegistryAccessor::ReadValue(const std::string& name) {
  if (!current_) return std::nullopt;
  StoredValue value;
  std::uint32_t measured = 0;
  if (QueryWhole(name, value.type, value.bytes, measured) != win::kErrorSuccess) return std::nullopt;
  return value;
}

ErrorCode RegistryAccessor::WriteValue(const std::string& name, const StoredValue& value) {
  if (!current_) return win::kErrorInvalidHandle;
  return platform_.RegSetValueExA(current_.get(), name, value.type, value.bytes);
}

RegistryAccessor::NumberValue RegistryAccessor::ReadNumberValue(const std::string& name) {
  NumberValue value;
  if (!current_) return value;
  std::string data;
  std::uint32_t type = 0, size = 4;
  const ErrorCode status = platform_.RegQueryValueExA(current_.get(), name, type, &data, size);
  if (status == win::kErrorFileNotFound) return value;
  value.state = NumberValue::State::kOther;
  if (status != win::kErrorSuccess || type != win::kRegDword || data.size() != 4) return value;
  value.state = NumberValue::State::kNumber;
  for (int i = 3; i >= 0; --i) value.number = value.number << 8 | static_cast<unsigned char>(data[i]);
  return value;
}

bool RegistryAccessor::WriteNumberValue(const std::string& name, std::uint32_t number) {
  std::string data;
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>(number >> 8 * i & 0xFF));
  return current_ && platform_.RegSetValueExA(current_.get(), name, win::kRegDword, data) == win::kErrorSuccess;
}

void RegistryAccessor::WriteStringValue(const std::string& name, const std::string& data) {
  if (!current_) Raise<ERegistryException>(texts::kRegistryWriteError, ProgramText(name));
  std::string stored = data;
  stored.push_back('\0');
  if (platform_.RegSetValueExA(current_.get(), name, win::kRegSz, stored) != win::kErrorSuccess)
    Raise<ERegistryException>(texts::kRegistryWriteError, ProgramText(name));
}

}  // namespace qv
