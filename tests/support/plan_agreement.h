// The plan against the run it plans: a log of every call of a run that shows or changes
// something, with its result, and what the planning platform reads at the end against what the
// real run left. The unit tests and the plan's fuzz target both judge a plan by these.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_system.h"
#include "plan/planning_platform.h"
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

// The first difference between what the planning platform reads and what the real run left,
// looked for at every file and key that was there before or is there after and at every value
// left; empty when there is none.
inline std::string PlannedStateDifference(PlanningPlatform& planning, const FakePlatform& before,
                                          const FakePlatform& real) {
  // Each path once, whether it was there before, is there after, or both.
  std::set<std::string> paths;
  for (const FakePlatform* system : {&before, &real})
    for (const std::string& path : system->Paths()) paths.insert(path);
  for (std::string path : paths) {
    if (path.back() == '\\') path.pop_back();
    const std::optional<FindData> found = planning.FindFirstFileA(path);
    const FakeFile* left = real.Find(path);
    if (found.has_value() != (left != nullptr)) return "whether it exists: " + path;
    if (found && (found->attributes & 0x11u) != (left->attributes | (left->folder ? 0x10u : 0u)))
      return "attributes: " + path;
  }
  std::string difference;
  for (RegistryRoot root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
    std::set<std::string> walked;  // each key once, whether it was there before, is there after, or both
    std::function<void(const FakeKey&, const std::string&)> walk = [&](const FakeKey& key, const std::string& path) {
      if (walked.insert(path).second) {
        KeyHandle handle = 0;
        const FakeKey* left = real.FindKey(root, path);
        const bool opened = planning.RegOpenKeyExA(root, path, win::kKeyRead, handle) == win::kErrorSuccess;
        const UniqueKey owner(planning, opened ? handle : UniqueKey::kEmpty);
        if (opened != (left != nullptr) && difference.empty()) difference = "whether the key exists: " + path;
        if (left && opened) {
          for (const auto& [upper, value] : left->values) {
            std::string data;
            std::uint32_t type = 0, size = 1024;
            const ErrorCode status = planning.RegQueryValueExA(handle, value.name, type, &data, size);
            if ((status != win::kErrorSuccess || data != value.data) && difference.empty())
              difference = "value: " + path + " : " + value.name;
          }
        }
      }
      for (const auto& [upper, child] : key.subkeys)
        walk(*child, path.empty() ? child->name : path + "\\" + child->name);
    };
    walk(*before.FindKey(root, ""), "");
    walk(*real.FindKey(root, ""), "");
  }
  return difference;
}

}  // namespace qv::test
