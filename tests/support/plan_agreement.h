// The plan against the run it plans: a log of every call of a run that shows or changes
// something, with its result, and what the planning platform reads at the end against what the
// real run left. The unit tests and the plan's fuzz target both judge a plan by these.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_system.h"
#include "plan/planning_platform.h"
#include "plan/same_or_below.h"
#include "seam/forwarding_platform.h"
#include "system/unique_key.h"

namespace qv::test {

// Every call of the run that shows something or changes something, with its result.
class CallLog final : public ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  std::vector<std::string> calls;

  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override {
    return Log("MessageBoxA " + caption + " " + text + " " + std::to_string(flags),
               inner_.MessageBoxA(text, caption, flags));
  }
  ErrorCode CreateMutexA(const std::string& name) override {
    return Log("CreateMutexA " + name, inner_.CreateMutexA(name));
  }
  bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override {
    return Log("SetFileAttributesA " + path, inner_.SetFileAttributesA(path, attributes));
  }
  bool DeleteFileA(const std::string& path) override { return Log("DeleteFileA " + path, inner_.DeleteFileA(path)); }
  bool MoveFileA(const std::string& from, const std::string& to) override {
    return Log("MoveFileA " + from + " " + to, inner_.MoveFileA(from, to));
  }
  bool RemoveDirectoryA(const std::string& path) override {
    return Log("RemoveDirectoryA " + path, inner_.RemoveDirectoryA(path));
  }
  bool MoveFileExA(const std::string& path, std::uint32_t flags) override {
    return Log("MoveFileExA " + path, inner_.MoveFileExA(path, flags));
  }
  void SHChangeNotify(long event, std::uint32_t flags) override {
    Log("SHChangeNotify", event);
    inner_.SHChangeNotify(event, flags);
  }
  void BroadcastSettingChange(const std::string& area) override {
    Log("BroadcastSettingChange " + area, 0);
    inner_.BroadcastSettingChange(area);
  }
  ErrorCode StopServiceA(const std::string& name) override {
    return Log("StopServiceA " + name, inner_.StopServiceA(name));
  }
  ErrorCode DeleteServiceA(const std::string& name) override {
    return Log("DeleteServiceA " + name, inner_.DeleteServiceA(name));
  }
  ErrorCode RegCreateKeyExA(KeyHandle key, const std::string& sub, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override {
    return Log("RegCreateKeyExA " + Key(key) + sub, inner_.RegCreateKeyExA(key, sub, options, access, result));
  }
  ErrorCode RegDeleteKeyA(KeyHandle key, const std::string& sub) override {
    return Log("RegDeleteKeyA " + Key(key) + sub, inner_.RegDeleteKeyA(key, sub));
  }
  ErrorCode RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                           const std::string& data) override {
    return Log("RegSetValueExA " + name + "=" + data, inner_.RegSetValueExA(key, name, type, data));
  }
  ErrorCode RegDeleteValueA(KeyHandle key, const std::string& name) override {
    return Log("RegDeleteValueA " + name, inner_.RegDeleteValueA(key, name));
  }

 private:
  template <typename Result>
  Result Log(const std::string& call, Result result) {
    calls.push_back(call + " -> " + std::to_string(result));
    return result;
  }
  static std::string Key(KeyHandle key) { return IsPredefinedKey(key) ? std::to_string(key) + "\\" : "(open)\\"; }
};

// Whether a path (canonical, names between single "\\") is one of the changed ones, lies below one
// or above one: the only places where a plan's changes show.
inline bool NearAChange(const std::string& path, const std::set<std::string>& changed) {
  for (const std::string& c : changed)
    if (SameOrBelow(path, c) || SameOrBelow(c, path)) return true;
  return false;
}

// The first difference between what the planning platform reads and what the real run left;
// empty when there is none. It is looked for wherever one of the runs changed something: at every
// file, folder and key that the real run made, removed or changed, with every value it left, and
// at every one at, below or above a path that the plan changed. Anywhere else neither run changed
// anything, and the planning platform reads through to the system as it was before.
inline std::string PlannedStateDifference(PlanningPlatform& planning, const FakePlatform& before,
                                          const FakePlatform& real) {
  std::set<std::string> changedFiles;
  planning.Files().ForEachChangedPath([&](const std::string& path) { changedFiles.insert(path); });
  // Each path once, whether it was there before, is there after, or both; and those the plan changed.
  std::set<std::string> paths = changedFiles;
  for (const FakePlatform* system : {&before, &real})
    for (std::string path : system->Paths()) {
      if (path.back() == '\\') path.pop_back();
      paths.insert(path);
    }
  for (const std::string& path : paths) {
    const FakeFile* was = before.Find(path);
    const FakeFile* left = real.Find(path);
    const bool changedByRun = (was == nullptr) != (left == nullptr) || (was && was->attributes != left->attributes);
    if (!changedByRun && (changedFiles.empty() || !NearAChange(planning.Files().Canonical(path), changedFiles)))
      continue;
    const std::optional<FindData> found = planning.FindFirstFileA(path);
    if (found.has_value() != (left != nullptr)) return "whether it exists: " + path;
    if (found && (found->attributes & 0x11u) != (left->attributes | (left->folder ? 0x10u : 0u)))
      return "attributes: " + path;
  }

  for (RegistryRoot root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
    std::set<std::string> changedKeys;
    planning.Registry().ForEachChangedKey([&](RegistryRoot changedRoot, const std::string& path) {
      if (changedRoot == root) changedKeys.insert(path);
    });
    // What the planning platform reads of the key at path: whether it is there, and every value
    // the real run left.
    const auto difference = [&](const std::string& path) -> std::string {
      KeyHandle handle = 0;
      const FakeKey* left = real.FindKey(root, path);
      const bool opened = planning.RegOpenKeyExA(root, path, win::kKeyRead, handle) == win::kErrorSuccess;
      const UniqueKey owner(planning, opened ? handle : UniqueKey::kEmpty);
      if (opened != (left != nullptr)) return "whether the key exists: " + path;
      if (!left) return {};
      for (const auto& [name, value] : left->values) {
        std::string data;
        std::uint32_t type = 0, size = 1024;
        const ErrorCode status = planning.RegQueryValueExA(handle, value.name, type, &data, size);
        if (status != win::kErrorSuccess || data != value.data) return "value: " + path + " : " + value.name;
      }
      return {};
    };
    // Both trees side by side, each key once (by its upper-cased path, as the plan keeps paths):
    // the keys the real run made, removed or changed the values of, and those near a change of
    // the plan.
    std::set<std::string> walked;
    std::function<std::string(const FakeKey*, const FakeKey*, const std::string&, const std::string&)> walk =
        [&](const FakeKey* was, const FakeKey* left, const std::string& upper, const std::string& path) -> std::string {
      walked.insert(upper);
      const bool changedByRun = (was == nullptr) != (left == nullptr) || (was && was->values != left->values);
      if (changedByRun || NearAChange(upper, changedKeys))
        if (std::string found = difference(path); !found.empty()) return found;
      std::map<std::string, std::pair<const FakeKey*, const FakeKey*>> children;
      if (was)
        for (const auto& [name, child] : was->subkeys) children[name].first = child.get();
      if (left)
        for (const auto& [name, child] : left->subkeys) children[name].second = child.get();
      for (const auto& [name, pair] : children) {
        const std::string& written = (pair.second ? pair.second : pair.first)->name;
        std::string found = walk(pair.first, pair.second, upper.empty() ? name : upper + "\\" + name,
                                 path.empty() ? written : path + "\\" + written);
        if (!found.empty()) return found;
      }
      return {};
    };
    if (std::string found = walk(before.FindKey(root, ""), real.FindKey(root, ""), "", ""); !found.empty())
      return found;
    // A key the plan made that neither system has.
    for (const std::string& path : changedKeys)
      if (!walked.count(path))
        if (std::string found = difference(path); !found.empty()) return found;
  }
  return {};
}

}  // namespace qv::test
