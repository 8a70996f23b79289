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

// Calls f(key, a, b) for each key of two maps ordered alike, with its entry in each (null where
// it has none).
template <typename Map, typename F>
void SideBySide(const Map& first, const Map& second, F f) {
  auto a = first.begin(), b = second.begin();
  while (a != first.end() || b != second.end()) {
    const bool inA = b == second.end() || (a != first.end() && a->first <= b->first);
    const bool inB = a == first.end() || (b != second.end() && b->first <= a->first);
    f(inA ? a->first : b->first, inA ? &a->second : nullptr, inB ? &b->second : nullptr);
    if (inA) ++a;
    if (inB) ++b;
  }
}

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
  std::string difference;
  // What the planning platform shows at a path: whether something is there, and its attributes.
  const auto fileDifference = [&](const std::string& path, const FakeFile* left) {
    const std::optional<FindData> found = planning.FindFirstFileA(path);
    if (found.has_value() != (left != nullptr))
      difference = "whether it exists: " + path;
    else if (found && (found->attributes & 0x11u) != (left->attributes | (left->folder ? 0x10u : 0u)))
      difference = "attributes: " + path;
  };
  std::set<std::string> changedFiles;
  planning.Files().ForEachChangedPath([&](const std::string& path) { changedFiles.insert(path); });
  // Both systems' files side by side, by the path the in-memory system keeps (upper-cased, as the
  // plan keeps paths); then those the plan changed that neither has.
  SideBySide(before.Entries(), real.Entries(), [&](const std::string& path, const FakeFile* was, const FakeFile* left) {
    const bool changedByRun = (was == nullptr) != (left == nullptr) || (was && was->attributes != left->attributes);
    if (difference.empty() && (changedByRun || NearAChange(path, changedFiles))) fileDifference(path, left);
  });
  // A drive's root, whose attributes the plan may change, is no entry of the in-memory system.
  for (const std::string& path : changedFiles)
    if (difference.empty() && !before.Find(path) && !real.Find(path) && !(path.size() == 2 && path[1] == ':'))
      fileDifference(path, nullptr);
  if (!difference.empty()) return difference;

  for (RegistryRoot root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
    std::set<std::string> changedKeys;
    planning.Registry().ForEachChangedKey([&](RegistryRoot changedRoot, const std::string& path) {
      if (changedRoot == root) changedKeys.insert(path);
    });
    // What the planning platform reads of the key at path: whether it is there, and every value
    // the real run left.
    const auto keyDifference = [&](const std::string& path) {
      KeyHandle handle = 0;
      const FakeKey* left = real.FindKey(root, path);
      const bool opened = planning.RegOpenKeyExA(root, path, win::kKeyRead, handle) == win::kErrorSuccess;
      const UniqueKey owner(planning, opened ? handle : UniqueKey::kEmpty);
      if (opened != (left != nullptr)) difference = "whether the key exists: " + path;
      if (!left || !opened) return;
      for (const auto& [name, value] : left->values) {
        std::string data;
        std::uint32_t type = 0, size = 1024;
        const ErrorCode status = planning.RegQueryValueExA(handle, value.name, type, &data, size);
        if ((status != win::kErrorSuccess || data != value.data) && difference.empty())
          difference = "value: " + path + " : " + value.name;
      }
    };
    // Both trees side by side, each key once, by its upper-cased path as the plan keeps paths
    // (upper) and as the run wrote it (path): the keys the real run made, removed or changed the
    // values of, and those near a change of the plan.
    std::string upper, path;
    std::function<void(const FakeKey*, const FakeKey*)> walk = [&](const FakeKey* was, const FakeKey* left) {
      const bool changedByRun = (was == nullptr) != (left == nullptr) || (was && was->values != left->values);
      if (difference.empty() && (changedByRun || NearAChange(upper, changedKeys))) keyDifference(path);
      using Subkeys = decltype(FakeKey::subkeys);
      static const Subkeys kNone;
      SideBySide(was ? was->subkeys : kNone, left ? left->subkeys : kNone,
                 [&](const std::string& name, const Subkeys::mapped_type* a, const Subkeys::mapped_type* b) {
                   const std::size_t upperSize = upper.size(), pathSize = path.size();
                   if (!upper.empty()) {
                     upper += '\\';
                     path += '\\';
                   }
                   upper += name;
                   path += (b ? *b : *a)->name;
                   walk(a ? a->get() : nullptr, b ? b->get() : nullptr);
                   upper.resize(upperSize);
                   path.resize(pathSize);
                 });
    };
    walk(before.FindKey(root, ""), real.FindKey(root, ""));
    // A key the plan made that neither system has.
    for (const std::string& changed : changedKeys)
      if (difference.empty() && !before.FindKey(root, changed) && !real.FindKey(root, changed)) keyDifference(changed);
    if (!difference.empty()) return difference;
  }
  return {};
}

}  // namespace qv::test
