// A platform for planning an uninstall: reads go to the real system, changes are only written
// down. Each change is answered with the result the real call would give in the state the earlier
// changes would leave, and every later read sees that state, so a run on this platform goes the
// way the real run would, without changing anything.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plan/forwarding_platform.h"
#include "system/text.h"

namespace qv {

// One thing the run did that the user would see or that would change the system, in order.
struct PlanStep {
  enum class Kind {
    kBox,
    kMutex,
    kSetAttributes,
    kDeleteFile,
    kMoveFile,
    kRemoveFolder,
    kDeleteKey,
    kCreateKey,
    kSetValue,
    kNotifyShell,
  };
  Kind kind;
  std::string target;        // path; key (root's short name first); mutex name; box caption
  std::string detail;        // new path of a rename; value name; box text
  std::string data;          // value data, without its final NUL
  std::uint32_t number = 0;  // attributes set; box flags; value type; shell event
  std::string state;         // the target just before the step, in words
  bool succeeds = true;      // the call's result; for a mutex: it did not exist before
  int answer = 0;            // the box's answer
};

// "HKCU" and the like; an unknown root as its number.
std::string RootShortName(RegistryRoot root);

class PlanningPlatform final : public ForwardingPlatform {
 public:
  // The run gets commandLine and moduleFileName as its own.
  PlanningPlatform(Platform& system, std::string commandLine, std::string moduleFileName);

  const std::vector<PlanStep>& Steps() const { return steps_; }

  // The folder's entries in the planned state, without "." and "..": the names the system shows,
  // a renamed entry under its new name. Empty when there is no such folder.
  std::vector<FoundFile> PlannedEntries(const std::string& folder);
  // Both paths name the same file or folder.
  bool SamePath(const std::string& a, const std::string& b);

  std::string GetCommandLineA() override { return commandLine_; }
  std::string GetModuleFileNameA() override { return moduleFileName_; }
  // Recorded; a question is answered Yes, any other box OK.
  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  // Code page 932 whatever the system's, so that every box of the run comes to MessageBoxA with
  // the program's own bytes and is written down, never shown.
  std::uint32_t GetACP() override { return 932; }

  std::optional<FindData> FindFirstFileA(const std::string& path) override;
  bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override;
  bool DeleteFileA(const std::string& path) override;
  bool MoveFileA(const std::string& oldPath, const std::string& newPath) override;
  bool RemoveDirectoryA(const std::string& path) override;
  std::optional<std::string> ReadWholeFile(const std::string& path) override;
  std::vector<FoundFile> FindFilesA(const std::string& pattern) override;
  ErrorCode TryOpenFileA(const std::string& path, std::uint32_t access) override;

  // Made for real: the mutex only tells programs of the product that an uninstall is under way,
  // and it goes when this process ends. Recorded.
  ErrorCode CreateMutexA(const std::string& name) override;
  void SHChangeNotify(long event, std::uint32_t flags) override;

  ErrorCode RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) override;
  ErrorCode RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override;
  ErrorCode RegCloseKey(KeyHandle key) override;
  ErrorCode RegDeleteKeyA(KeyHandle key, const std::string& subKey) override;
  ErrorCode RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) override;
  ErrorCode RegQueryValueCountA(KeyHandle key, std::uint32_t& values) override;
  ErrorCode RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize, std::string& name) override;
  ErrorCode RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                             std::uint32_t& size) override;
  ErrorCode RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                           const std::string& data) override;

 private:
  // A planned change of a file or folder. Paths are canonical (see Canonical).
  struct FileChange {
    enum class Kind { kGone, kMoved, kAttributes } kind;
    std::string path;    // removed, moved away, or given attributes
    std::string to;      // where it moved
    std::string toName;  // the moved entry's new name as written
    std::uint32_t attributes = 0;
  };
  // Where a path of the planned state is on the real system, and what is there.
  struct Located {
    bool exists = false;
    std::string real;  // canonical path on the real system
    FindData data;
  };

  // A planned change of the registry. Paths are canonical key paths below the root.
  struct KeyChange {
    enum class Kind { kDeleted, kCreated, kValue } kind;
    RegistryRoot root;
    std::string path;
    std::string name;  // a value's name as written
    std::uint32_t type = 0;
    std::string data;
  };
  enum class KeyState { kMissing, kReal, kCreated };
  // A key handle that this platform gave out.
  struct OpenKey {
    RegistryRoot root;
    std::string path;   // canonical
    std::string shown;  // as the run wrote it
    std::uint32_t access;
    std::size_t openedAt;  // the number of registry changes when it was opened
  };
  struct KeyName {
    std::string canonical;
    std::string shown;
  };

  // Upper-cased, with "/" read as "\", single "\" between names, "." and ".." taken away and the
  // trailing blanks and dots of the last name dropped, as the system reads a path. No final "\".
  std::string Canonical(const std::string& path);
  Located Locate(const std::string& path);
  ErrorCode Probe(const Located& where, std::uint32_t access);
  std::string Describe(const Located& where, ErrorCode deleteProbe) const;
  std::string Parent(const std::string& canonical) const;
  bool IsDriveRoot(const std::string& canonical) const;
  bool EndsWithSeparator(const std::string& path) const;
  PlanStep& Record(PlanStep::Kind kind, std::string target, std::string state, bool succeeds, std::string detail = {});

  std::vector<std::string> KeySegments(const std::string& path);
  std::string Join(const std::string& base, const std::vector<std::string>& segments) const;
  // The key a handle stands for; on failure, what is known of it (for showing).
  ErrorCode Base(KeyHandle key, OpenKey& base);
  KeyState StateOf(RegistryRoot root, const std::string& path);
  std::vector<KeyName> Subkeys(RegistryRoot root, const std::string& path);
  // The value in the planned state: written by the plan, or the real one (nothing when missing).
  std::optional<KeyChange> WrittenValue(RegistryRoot root, const std::string& path, const std::string& name,
                                        bool& fromReal);
  std::uint32_t ValueCount(RegistryRoot root, const std::string& path);
  ErrorCode OpenReal(RegistryRoot root, const std::string& path, std::uint32_t access);
  KeyHandle NewHandle(const OpenKey& key);
  std::string KeyText(RegistryRoot root, const std::string& shown) const;
  std::string KeyStateText(RegistryRoot root, const std::string& path);

  std::string commandLine_;
  std::string moduleFileName_;
  LeadByteTable lead_;
  std::vector<PlanStep> steps_;
  std::vector<FileChange> fileChanges_;
  std::vector<KeyChange> keyChanges_;
  std::map<KeyHandle, OpenKey> handles_;
  KeyHandle nextHandle_ = 0x10000;
};

}  // namespace qv
