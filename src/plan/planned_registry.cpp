#include "plan/planned_registry.h"

#include <algorithm>
#include <set>

#include "plan/same_or_below.h"
#include "script/locations.h"
#include "system/registry_accessor.h"

namespace qv {

namespace {

constexpr ErrorCode kOk = win::kErrorSuccess;

// The system refuses a subkey path that begins with "\".
bool BadSubKey(const std::string& subKey) { return !subKey.empty() && subKey[0] == '\\'; }

std::string KeyParent(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::vector<std::string_view> PlannedRegistry::KeySegments(const std::string& path) {
  return PathNameViews(path, "\\", lead_);
}

std::string PlannedRegistry::Join(const std::string& base, const std::vector<std::string_view>& segments) const {
  std::string path = base;
  for (const std::string_view segment : segments) {
    if (!path.empty()) path += '\\';
    path += segment;
  }
  return path;
}

std::string PlannedRegistry::KeyText(RegistryRoot root, const std::string& shown) const {
  const std::string text = RootShortName(root);
  return shown.empty() ? text : text + "\\" + shown;
}

KeyHandle PlannedRegistry::NewHandle(const OpenKey& key) {
  const KeyHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = key;
  handles_[handle].openedAt = changes_.size();
  return handle;
}

ErrorCode PlannedRegistry::Base(KeyHandle key, OpenKey& base) {
  if (IsPredefinedKey(key)) {
    base = {static_cast<RegistryRoot>(key), {}, {}, win::kKeyAllAccess, 0};
    return kOk;
  }
  auto open = handles_.find(key);
  if (open == handles_.end()) {
    base = {static_cast<RegistryRoot>(key), {}, {}, 0, 0};
    return win::kErrorInvalidHandle;
  }
  base = open->second;
  // The key, or one above it, was deleted since the handle was opened.
  for (std::size_t i = open->second.openedAt; i < changes_.size(); ++i) {
    const Change& change = changes_[i];
    if (change.kind == Change::Kind::kDeleted && change.root == open->second.root &&
        SameOrBelow(open->second.path, change.path))
      return win::kErrorKeyDeleted;
  }
  return kOk;
}

UniqueKey PlannedRegistry::RealKey(RegistryRoot root, const std::string& path, std::uint32_t access,
                                   ErrorCode& status) {
  KeyHandle opened = 0;
  status = system_.RegOpenKeyExA(static_cast<KeyHandle>(root), path, access, opened);
  return UniqueKey(system_, status == kOk ? opened : UniqueKey::kEmpty);
}

ErrorCode PlannedRegistry::OpenReal(RegistryRoot root, const std::string& path, std::uint32_t access) {
  ErrorCode status = kOk;
  RealKey(root, path, access, status);
  return status;
}

PlannedRegistry::KeyState PlannedRegistry::StateOf(RegistryRoot root, const std::string& path) {
  for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
    if (change->root != root) continue;
    if (change->kind == Change::Kind::kDeleted && SameOrBelow(path, change->path)) return KeyState::kMissing;
    if (change->kind == Change::Kind::kCreated && path == change->path) return KeyState::kCreated;
  }
  const ErrorCode status = OpenReal(root, path, win::kKeyRead);
  return status == kOk || status == win::kErrorAccessDenied ? KeyState::kReal : KeyState::kMissing;
}

std::vector<PlannedRegistry::KeyName> PlannedRegistry::RealSubkeys(RegistryRoot root, const std::string& path) {
  std::vector<KeyName> names;
  ErrorCode status = kOk;
  const UniqueKey key = RealKey(root, path, win::kKeyRead, status);
  std::uint32_t count = 0, longest = 0;
  if (!key || system_.RegQueryInfoKeyA(key.get(), count, longest) != kOk) return names;
  for (std::uint32_t index = 0; index < count; ++index) {
    std::string name;
    status = system_.RegEnumKeyExA(key.get(), index, SubkeyNameBufferSize(longest), name);
    if (status == win::kErrorNoMoreItems) break;
    if (status == kOk) names.push_back({Join(path, {system_.CharUpperBuffA(name)}), name});
  }
  return names;
}

std::vector<PlannedRegistry::KeyName> PlannedRegistry::Subkeys(RegistryRoot root, const std::string& path) {
  std::vector<KeyName> names;
  if (StateOf(root, path) == KeyState::kReal) names = RealSubkeys(root, path);
  bool created = false;
  for (const Change& change : changes_) {
    if (change.kind == Change::Kind::kCreated && change.root == root && KeyParent(change.path) == path) {
      names.push_back({change.path, change.name});
      created = true;
    }
  }
  std::vector<KeyName> existing;
  std::set<std::string> seen;
  for (KeyName& name : names)
    if (seen.insert(name.canonical).second && StateOf(root, name.canonical) != KeyState::kMissing)
      existing.push_back(std::move(name));
  // The system lists subkeys in the order of their names.
  if (created)
    std::sort(existing.begin(), existing.end(),
              [](const KeyName& a, const KeyName& b) { return a.canonical < b.canonical; });
  return existing;
}

std::optional<PlannedRegistry::Change> PlannedRegistry::WrittenValue(RegistryRoot root, const std::string& path,
                                                                     const std::string& name, bool& fromReal) {
  const std::string upper = system_.CharUpperBuffA(name);
  fromReal = false;
  for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
    if (change->root != root) continue;
    if ((change->kind == Change::Kind::kValue || change->kind == Change::Kind::kValueDeleted) && change->path == path &&
        system_.CharUpperBuffA(change->name) == upper) {
      if (change->kind == Change::Kind::kValue) return *change;
      return std::nullopt;  // deleted: missing, also from the real system
    }
    if (change->kind == Change::Kind::kDeleted && SameOrBelow(path, change->path)) return std::nullopt;
    if (change->kind == Change::Kind::kCreated && change->path == path) return std::nullopt;
  }
  fromReal = StateOf(root, path) == KeyState::kReal;
  return std::nullopt;
}

ErrorCode PlannedRegistry::ValueCount(RegistryRoot root, const std::string& path, std::uint32_t& count) {
  std::map<std::string, bool> latest;  // by upper-cased name: whether the latest change leaves it there
  bool real = StateOf(root, path) == KeyState::kReal;
  for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
    if (change->root != root) continue;
    if ((change->kind == Change::Kind::kValue || change->kind == Change::Kind::kValueDeleted) && change->path == path)
      latest.emplace(system_.CharUpperBuffA(change->name), change->kind == Change::Kind::kValue);
    if ((change->kind == Change::Kind::kDeleted && SameOrBelow(path, change->path)) ||
        (change->kind == Change::Kind::kCreated && change->path == path)) {
      real = false;
      break;
    }
  }
  ErrorCode status = kOk;
  const UniqueKey key = real ? RealKey(root, path, win::kKeyRead, status) : UniqueKey();
  count = 0;
  // A count the system would not give is no count to plan from.
  if (key && (status = system_.RegQueryValueCountA(key.get(), count)) != kOk) return status;
  for (const auto& [name, there] : latest) {
    std::uint32_t type = 0, size = 0;
    const bool inReal = key && system_.RegQueryValueExA(key.get(), name, type, nullptr, size) == kOk;
    if (there && !inReal) ++count;
    if (!there && inReal && count > 0) --count;
  }
  return kOk;
}

ErrorCode PlannedRegistry::Open(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) {
  OpenKey opened{};
  ErrorCode status = Base(key, opened);
  if (status != kOk) return status;
  if (BadSubKey(subKey)) return win::kErrorBadPathname;
  const std::vector<std::string_view> segments = KeySegments(subKey);
  opened.path = Join(opened.path, KeySegments(system_.CharUpperBuffA(subKey)));
  opened.shown = Join(opened.shown, segments);
  const KeyState state = StateOf(opened.root, opened.path);
  if (state == KeyState::kMissing) return win::kErrorFileNotFound;
  // A key of the real system answers for its rights itself; a planned one is ours.
  if (state == KeyState::kReal && (status = OpenReal(opened.root, opened.path, access)) != kOk) return status;
  opened.access = access;
  result = NewHandle(opened);
  return kOk;
}

PlannedRegistry::Outcome PlannedRegistry::Create(KeyHandle key, const std::string& subKey, std::uint32_t access,
                                                 KeyHandle& result) {
  OpenKey opened{};
  ErrorCode status = Base(key, opened);
  const bool known = status == kOk;
  if (known && BadSubKey(subKey)) status = win::kErrorBadPathname;
  const std::vector<std::string_view> segments = KeySegments(subKey);
  std::string path = opened.path;
  opened.shown = Join(opened.shown, segments);
  opened.path = Join(opened.path, KeySegments(system_.CharUpperBuffA(subKey)));
  const char* state = !known                                                    ? "no such key"
                      : status != kOk                                           ? "a path that begins with \\"
                      : StateOf(opened.root, opened.path) == KeyState::kMissing ? "missing"
                                                                                : "exists";
  // The keys to make, from the first that is missing on; its parent must let us make subkeys.
  std::vector<Change> created;
  for (const std::string_view name : segments) {
    if (status != kOk) break;
    const std::string segment(name);
    const std::string parent = path;
    path = Join(path, {system_.CharUpperBuffA(segment)});
    if (created.empty() && StateOf(opened.root, path) != KeyState::kMissing) continue;
    if (created.empty() && StateOf(opened.root, parent) == KeyState::kReal)
      status = OpenReal(opened.root, parent, win::kKeyCreateSubKey);
    if (status == kOk) created.push_back({Change::Kind::kCreated, opened.root, path, segment, 0, {}});
  }
  // An existing key of the real system answers for its rights itself.
  if (status == kOk && created.empty() && StateOf(opened.root, opened.path) == KeyState::kReal)
    status = OpenReal(opened.root, opened.path, access);
  Outcome outcome{status, KeyText(opened.root, opened.shown), state};
  if (status != kOk) return outcome;
  changes_.insert(changes_.end(), created.begin(), created.end());
  opened.access = access;
  result = NewHandle(opened);
  return outcome;
}

ErrorCode PlannedRegistry::Close(KeyHandle key) {
  if (IsPredefinedKey(key)) return kOk;
  return handles_.erase(key) ? kOk : win::kErrorInvalidHandle;
}

void PlannedRegistry::Forget(RegistryRoot root, const std::string& path) {
  const std::string canonical = Join(std::string(), KeySegments(path));
  if (StateOf(root, canonical) == KeyState::kMissing) return;
  for (const KeyName& subkey : Subkeys(root, canonical)) Forget(root, subkey.canonical);
  changes_.push_back({Change::Kind::kDeleted, root, canonical, {}, 0, {}});
}

PlannedRegistry::Outcome PlannedRegistry::Delete(KeyHandle key, const std::string& subKey) {
  OpenKey target{};
  ErrorCode status = Base(key, target);
  std::string state = "no such key";
  if (status == kOk && BadSubKey(subKey)) status = win::kErrorBadPathname;
  if (status == kOk) {
    target.path = Join(target.path, KeySegments(system_.CharUpperBuffA(subKey)));
    target.shown = Join(target.shown, KeySegments(subKey));
    const KeyState keyState = StateOf(target.root, target.path);
    if (target.path.empty()) {
      state = "a root";
      status = win::kErrorAccessDenied;
    } else if (keyState == KeyState::kMissing) {
      state = "missing";
      status = win::kErrorFileNotFound;
    } else {
      const std::size_t subkeys = Subkeys(target.root, target.path).size();
      std::uint32_t values = 0;
      state = ValueCount(target.root, target.path, values) == kOk ? Counted(values, "value", "values")
                                                                  : std::string("values not counted");
      if (subkeys > 0) {
        state += ", " + Counted(subkeys, "subkey", "subkeys");
        status = win::kErrorAccessDenied;
      } else if (keyState == KeyState::kReal) {
        status = OpenReal(target.root, target.path, win::kDelete);
      }
    }
  } else {
    target.shown = Join(target.shown, KeySegments(subKey));
  }
  if (status == kOk) changes_.push_back({Change::Kind::kDeleted, target.root, target.path, {}, 0, {}});
  return {status, KeyText(target.root, target.shown), state};
}

ErrorCode PlannedRegistry::QueryInfo(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) {
  OpenKey base{};
  const ErrorCode status = Base(key, base);
  if (status != kOk) return status;
  const std::vector<KeyName> names = Subkeys(base.root, base.path);
  subKeys = static_cast<std::uint32_t>(names.size());
  maxSubKeyLength = 0;
  for (const KeyName& name : names)
    maxSubKeyLength = std::max<std::uint32_t>(maxSubKeyLength, CharacterCount(name.shown, lead_));
  return kOk;
}

ErrorCode PlannedRegistry::QueryValueCount(KeyHandle key, std::uint32_t& values) {
  OpenKey base{};
  const ErrorCode status = Base(key, base);
  return status == kOk ? ValueCount(base.root, base.path, values) : status;
}

ErrorCode PlannedRegistry::EnumKey(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                   std::string& name) {
  OpenKey base{};
  const ErrorCode status = Base(key, base);
  if (status != kOk) return status;
  const std::vector<KeyName> names = Subkeys(base.root, base.path);
  if (index >= names.size()) return win::kErrorNoMoreItems;
  if (names[index].shown.size() + 1 > nameBufferSize) return win::kErrorMoreData;
  name = names[index].shown;
  return kOk;
}

ErrorCode PlannedRegistry::QueryValue(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                                      std::uint32_t& size) {
  OpenKey base{};
  ErrorCode status = Base(key, base);
  if (status != kOk) return status;
  bool fromReal = false;
  if (std::optional<Change> written = WrittenValue(base.root, base.path, name, fromReal)) {
    type = written->type;
    const auto stored = static_cast<std::uint32_t>(written->data.size());
    if (data) {
      if (size < stored) {
        size = stored;
        return win::kErrorMoreData;
      }
      *data = written->data;
    }
    size = stored;
    return kOk;
  }
  if (!fromReal) return win::kErrorFileNotFound;
  const UniqueKey real = RealKey(base.root, base.path, win::kKeyRead, status);
  if (status != kOk) return status;
  return system_.RegQueryValueExA(real.get(), name, type, data, size);
}

// The value as it stands in the planned state, in words: its text, or its type; nothing when it
// is missing.
std::optional<std::string> PlannedRegistry::ValueText(KeyHandle key, const std::string& name) {
  std::uint32_t type = 0, size = 0;
  std::string data;
  if (QueryValue(key, name, type, nullptr, size) != kOk) return std::nullopt;
  if (QueryValue(key, name, type, &data, size) == kOk && type == win::kRegSz)
    return "\"" + data.substr(0, data.find('\0')) + "\"";
  if (type == win::kRegDword && data.size() == 4) return "REG_DWORD " + DwordText(data);
  return "a value of type " + std::to_string(type);
}

PlannedRegistry::Outcome PlannedRegistry::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                                                   const std::string& data) {
  OpenKey base{};
  ErrorCode status = Base(key, base);
  std::string state = "no such key";
  if (status == kOk) {
    const std::optional<std::string> old = ValueText(key, name);
    state = old ? "replaces " + *old : "new";
    if ((base.access & win::kKeySetValue) == 0) status = win::kErrorAccessDenied;
  }
  if (status == kOk) changes_.push_back({Change::Kind::kValue, base.root, base.path, name, type, data});
  return {status, KeyText(base.root, base.shown), state};
}

PlannedRegistry::Outcome PlannedRegistry::DeleteValue(KeyHandle key, const std::string& name) {
  OpenKey base{};
  ErrorCode status = Base(key, base);
  std::string state = "no such key";
  if (status == kOk) {
    const std::optional<std::string> old = ValueText(key, name);
    state = old.value_or("missing");
    if ((base.access & win::kKeySetValue) == 0)
      status = win::kErrorAccessDenied;
    else if (!old)
      status = win::kErrorFileNotFound;
  }
  if (status == kOk) changes_.push_back({Change::Kind::kValueDeleted, base.root, base.path, name, 0, {}});
  return {status, KeyText(base.root, base.shown), state};
}

}  // namespace qv
