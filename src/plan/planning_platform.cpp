#include "plan/planning_platform.h"

#include <algorithm>
#include <set>

#include "system/system_info.h"
#include "system/unique_key.h"

namespace qv {

namespace {

using Kind = PlanStep::Kind;

constexpr ErrorCode kOk = win::kErrorSuccess;

bool HasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

bool IsFolder(const FindData& data) { return (data.attributes & win::kFileAttributeDirectory) != 0; }

bool IsReadOnly(const FindData& data) { return (data.attributes & win::kFileAttributeReadOnly) != 0; }

// p is x or lies below it; both canonical.
bool SameOrBelow(const std::string& p, const std::string& x) {
  if (x.empty()) return true;
  return p.compare(0, x.size(), x) == 0 && (p.size() == x.size() || p[x.size()] == '\\');
}

}  // namespace

PlanningPlatform::PlanningPlatform(Platform& system, std::string commandLine, std::string moduleFileName)
    : ForwardingPlatform(system),
      commandLine_(std::move(commandLine)),
      moduleFileName_(std::move(moduleFileName)),
      lead_(ReadLeadBytes(system)) {}

PlanStep& PlanningPlatform::Record(Kind kind, std::string target, std::string state, bool succeeds,
                                   std::string detail) {
  PlanStep step;
  step.kind = kind;
  step.target = std::move(target);
  step.state = std::move(state);
  step.succeeds = succeeds;
  step.detail = std::move(detail);
  steps_.push_back(std::move(step));
  return steps_.back();
}

// ---------------------------------------------------------------- boxes, mutexes, the shell

int PlanningPlatform::MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) {
  const std::uint32_t buttons = flags & 0xF;
  constexpr std::uint32_t kYesNoCancel = 0x3;
  const int answer = buttons == win::kMbYesNo || buttons == kYesNoCancel ? win::kIdYes : win::kIdOk;
  PlanStep& step = Record(Kind::kBox, caption, {}, true, text);
  step.number = flags;
  step.answer = answer;
  return answer;
}

ErrorCode PlanningPlatform::CreateMutexA(const std::string& name) {
  const ErrorCode status = inner_.CreateMutexA(name);
  std::string state = "free: no program holding it runs";
  if (status == win::kErrorAlreadyExists)
    state = "exists: a program of the product is running";
  else if (status == win::kErrorAccessDenied)
    state = "exists, held where this user may not open it: a program of the product is running";
  else if (status != kOk)
    state = "cannot be made (error " + std::to_string(status) + ")";
  Record(Kind::kMutex, name, state, status == kOk);
  return status;
}

void PlanningPlatform::SHChangeNotify(long event, std::uint32_t flags) {
  PlanStep& step = Record(Kind::kNotifyShell, {}, {}, true);
  step.number = static_cast<std::uint32_t>(event);
  step.answer = static_cast<int>(flags);
}

// ---------------------------------------------------------------- files and folders

std::string PlanningPlatform::Canonical(const std::string& path) {
  std::string prefix;
  std::size_t start = 0;
  bool relative = false;
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 2 && path[1] == ':') {
    prefix = path.substr(0, 2);
    start = 2;
  } else if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
    prefix = "\\\\";
  } else if (!path.empty() && separator(path[0])) {
    prefix = "\\";
  } else {
    relative = true;
  }
  std::vector<std::string> names;
  std::string name;
  auto endName = [&] {
    if (name == "..") {
      if (!names.empty() && names.back() != "..")
        names.pop_back();
      else if (relative)
        names.push_back(name);
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    name.clear();
  };
  for (std::size_t i = start; i < path.size(); ++i) {
    if (lead_[static_cast<unsigned char>(path[i])] && i + 1 < path.size()) {
      name += path[i];
      name += path[++i];
    } else if (separator(path[i])) {
      endName();
    } else {
      name += path[i];
    }
  }
  endName();
  if (!names.empty() && names.back() != "..") {
    std::string& last = names.back();
    while (!last.empty() && (last.back() == ' ' || last.back() == '.')) last.pop_back();
    if (last.empty()) names.pop_back();
  }
  std::string result = prefix;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0 || (!prefix.empty() && prefix.back() != '\\')) result += '\\';
    result += names[i];
  }
  if (result.empty()) result = ".";
  return inner_.CharUpperBuffA(std::move(result));
}

std::string PlanningPlatform::Parent(const std::string& canonical) const {
  const std::size_t slash = LastDelimiter(canonical, "\\", lead_);
  if (slash == std::string::npos) return canonical.size() == 2 && canonical[1] == ':' ? canonical : ".";
  return slash == 0 ? "\\" : canonical.substr(0, slash);
}

bool PlanningPlatform::EndsWithSeparator(const std::string& path) const {
  return !path.empty() && LastDelimiter(path, "\\/", lead_) == path.size() - 1;
}

bool PlanningPlatform::IsDriveRoot(const std::string& canonical) const {
  return (canonical.size() == 2 && canonical[1] == ':') || canonical == "\\";
}

bool PlanningPlatform::SamePath(const std::string& a, const std::string& b) { return Canonical(a) == Canonical(b); }

PlanningPlatform::Located PlanningPlatform::Locate(const std::string& path) {
  std::string current = Canonical(path);
  std::optional<std::uint32_t> attributes;
  // From the latest change back: follow the path through renames to where it is now.
  for (auto change = fileChanges_.rbegin(); change != fileChanges_.rend(); ++change) {
    switch (change->kind) {
      case FileChange::Kind::kGone:
        if (SameOrBelow(current, change->path)) return {};
        break;
      case FileChange::Kind::kMoved:
        if (SameOrBelow(current, change->to))
          current = change->path + current.substr(change->to.size());
        else if (SameOrBelow(current, change->path))
          return {};
        break;
      case FileChange::Kind::kAttributes:
        if (!attributes && current == change->path) attributes = change->attributes;
        break;
    }
  }
  Located where;
  where.real = current;
  if (IsDriveRoot(current)) {
    where.exists = true;
    where.data.attributes = win::kFileAttributeDirectory;
    return where;
  }
  std::optional<FindData> found = inner_.FindFirstFileA(current);
  if (!found) return {};
  where.exists = true;
  where.data = *found;
  if (attributes)
    where.data.attributes =
        (found->attributes & win::kFileAttributeDirectory) | (*attributes & ~win::kFileAttributeDirectory);
  return where;
}

ErrorCode PlanningPlatform::Probe(const Located& where, std::uint32_t access) {
  if (!where.exists) return win::kErrorFileNotFound;
  if (IsDriveRoot(where.real)) return win::kErrorAccessDenied;
  return inner_.TryOpenFileA(where.real, access);
}

std::string PlanningPlatform::Describe(const Located& where, ErrorCode deleteProbe) const {
  if (!where.exists) return "missing";
  std::string text = IsFolder(where.data) ? "folder" : "file";
  if (IsReadOnly(where.data)) text += ", read-only";
  if (deleteProbe == win::kErrorSharingViolation)
    text += ", in use by another program";
  else if (deleteProbe != kOk)
    text += ", may not be deleted (error " + std::to_string(deleteProbe) + ")";
  return text;
}

std::vector<FoundFile> PlanningPlatform::PlannedEntries(const std::string& folder) {
  std::vector<FoundFile> entries;
  const Located where = Locate(folder);
  if (!where.exists || !IsFolder(where.data)) return entries;
  const std::string canonical = Canonical(folder);
  // Candidates: what is in the folder on the real system, and what was moved into it. The later
  // name wins for one path.
  std::vector<std::pair<std::string, std::string>> names;  // canonical path, name as shown
  for (const FoundFile& found : inner_.FindFilesA(where.real + "\\*"))
    if (found.name != "." && found.name != "..") names.emplace_back(Canonical(folder + "\\" + found.name), found.name);
  for (const FileChange& change : fileChanges_)
    if (change.kind == FileChange::Kind::kMoved && Parent(change.to) == canonical)
      names.emplace_back(change.to, change.toName);
  std::map<std::string, std::string> shown;
  for (const auto& [path, name] : names) shown[path] = name;
  std::set<std::string> listed;
  for (const auto& [path, name] : names) {
    if (!listed.insert(path).second) continue;
    const Located entry = Locate(path);
    if (entry.exists) entries.push_back({shown[path], entry.data});
  }
  return entries;
}

std::optional<FindData> PlanningPlatform::FindFirstFileA(const std::string& path) {
  if (fileChanges_.empty()) return inner_.FindFirstFileA(path);
  std::vector<FoundFile> found = FindFilesA(path);
  if (found.empty()) return std::nullopt;
  return found.front().data;
}

// Every match in the planned state: "." and ".." first, then the folder's entries in the order
// PlannedEntries gives them. A name is matched with "*" and "?" only.
std::vector<FoundFile> PlanningPlatform::FindFilesA(const std::string& pattern) {
  if (fileChanges_.empty()) return inner_.FindFilesA(pattern);
  std::vector<FoundFile> found;
  if (pattern.empty() || EndsWithSeparator(pattern)) return found;
  const std::string folder = FolderPart(pattern, lead_);
  const std::string name = FileNamePart(pattern, lead_);
  if (!HasWildcard(name)) {
    const Located where = Locate(pattern);
    if (where.exists) found.push_back({name, where.data});
    return found;
  }
  const std::string place = folder.empty() ? "." : folder;
  const Located where = Locate(place);
  if (!where.exists || !IsFolder(where.data)) return found;
  const std::string upper = inner_.CharUpperBuffA(name);
  if (!IsDriveRoot(where.real))
    for (const char* own : {".", ".."})
      if (MatchesWildcard(upper.c_str(), own)) found.push_back({own, where.data});
  for (FoundFile& entry : PlannedEntries(place))
    if (MatchesWildcard(upper.c_str(), inner_.CharUpperBuffA(entry.name).c_str())) found.push_back(std::move(entry));
  return found;
}

std::optional<std::string> PlanningPlatform::ReadWholeFile(const std::string& path) {
  if (fileChanges_.empty() || HasWildcard(path)) return inner_.ReadWholeFile(path);
  if (EndsWithSeparator(path)) return std::nullopt;
  const Located where = Locate(path);
  if (!where.exists || IsFolder(where.data)) return std::nullopt;
  return inner_.ReadWholeFile(where.real);
}

ErrorCode PlanningPlatform::TryOpenFileA(const std::string& path, std::uint32_t access) {
  if (fileChanges_.empty() || HasWildcard(path)) return inner_.TryOpenFileA(path, access);
  const Located where = Locate(path);
  if (where.exists) return inner_.TryOpenFileA(where.real, access);
  const Located parent = Locate(Parent(Canonical(path)));
  return parent.exists && IsFolder(parent.data) ? win::kErrorFileNotFound : win::kErrorPathNotFound;
}

bool PlanningPlatform::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
  bool ok = false;
  std::string state = "a name with wildcards";
  if (!HasWildcard(path)) {
    const Located where = Locate(path);
    state = Describe(where, Probe(where, win::kDelete));
    ok = where.exists && (!EndsWithSeparator(path) || IsFolder(where.data)) &&
         (IsDriveRoot(where.real) || Probe(where, win::kFileWriteAttributes) == kOk);
    if (ok)
      fileChanges_.push_back(
          {FileChange::Kind::kAttributes, Canonical(path), {}, {}, attributes & ~win::kFileAttributeDirectory});
  }
  Record(Kind::kSetAttributes, path, state, ok).number = attributes;
  return ok;
}

bool PlanningPlatform::DeleteFileA(const std::string& path) {
  bool ok = false;
  std::string state = "a name with wildcards";
  if (!HasWildcard(path)) {
    const Located where = Locate(path);
    const ErrorCode deletable = Probe(where, win::kDelete);
    state = Describe(where, deletable);
    ok = where.exists && !EndsWithSeparator(path) && !IsFolder(where.data) && !IsReadOnly(where.data) &&
         deletable == kOk;
    if (ok) fileChanges_.push_back({FileChange::Kind::kGone, Canonical(path), {}, {}, 0});
  }
  Record(Kind::kDeleteFile, path, state, ok);
  return ok;
}

bool PlanningPlatform::MoveFileA(const std::string& oldPath, const std::string& newPath) {
  bool ok = false;
  std::string state = "a name with wildcards";
  if (!HasWildcard(oldPath) && !HasWildcard(newPath)) {
    const Located from = Locate(oldPath);
    const ErrorCode deletable = Probe(from, win::kDelete);
    state = Describe(from, deletable);
    const std::string source = Canonical(oldPath), target = Canonical(newPath);
    if (from.exists && !IsDriveRoot(source) && deletable == kOk) {
      const Located parent = Locate(Parent(target));
      if (source == target)
        ok = true;  // a change of case only
      else if (Locate(newPath).exists)
        state += "; the new name is taken";
      else if (!parent.exists || !IsFolder(parent.data))
        state += "; no folder for the new name";
      else
        ok = !SameOrBelow(target, source);
    }
    if (ok) fileChanges_.push_back({FileChange::Kind::kMoved, source, target, FileNamePart(newPath, lead_), 0});
  }
  Record(Kind::kMoveFile, oldPath, state, ok, newPath);
  return ok;
}

bool PlanningPlatform::RemoveDirectoryA(const std::string& path) {
  bool ok = false;
  std::string state = "a name with wildcards";
  if (!HasWildcard(path)) {
    const Located where = Locate(path);
    const ErrorCode deletable = Probe(where, win::kDelete);
    state = Describe(where, deletable);
    if (where.exists && IsFolder(where.data)) {
      const std::size_t entries = PlannedEntries(path).size();
      state += entries == 0 ? ", empty" : ", " + Counted(entries, "entry", "entries") + " in it";
      ok = !IsDriveRoot(where.real) && !IsReadOnly(where.data) && entries == 0 && deletable == kOk;
    }
    if (ok) fileChanges_.push_back({FileChange::Kind::kGone, Canonical(path), {}, {}, 0});
  }
  Record(Kind::kRemoveFolder, path, state, ok);
  return ok;
}

// ---------------------------------------------------------------- registry

namespace {

// The system refuses a subkey path that begins with "\".
bool BadSubKey(const std::string& subKey) { return !subKey.empty() && subKey[0] == '\\'; }

std::string KeyParent(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::vector<std::string> PlanningPlatform::KeySegments(const std::string& path) {
  std::vector<std::string> names;
  std::string name;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (lead_[static_cast<unsigned char>(path[i])] && i + 1 < path.size()) {
      name += path[i];
      name += path[++i];
    } else if (path[i] == '\\') {
      if (!name.empty()) names.push_back(std::move(name));
      name.clear();
    } else {
      name += path[i];
    }
  }
  if (!name.empty()) names.push_back(std::move(name));
  return names;
}

std::string PlanningPlatform::Join(const std::string& base, const std::vector<std::string>& segments) const {
  std::string path = base;
  for (const std::string& segment : segments) path += (path.empty() ? "" : "\\") + segment;
  return path;
}

std::string RootShortName(RegistryRoot root) {
  static const std::map<RegistryRoot, const char*> kNames = {{kHkeyClassesRoot, "HKCR"},   {kHkeyCurrentUser, "HKCU"},
                                                             {kHkeyLocalMachine, "HKLM"},  {kHkeyUsers, "HKU"},
                                                             {kHkeyCurrentConfig, "HKCC"}, {kHkeyDynData, "HKDD"}};
  auto name = kNames.find(root);
  return name != kNames.end() ? name->second : "(root " + HexNumber(root) + ")";
}

std::string PlanningPlatform::KeyText(RegistryRoot root, const std::string& shown) const {
  const std::string text = RootShortName(root);
  return shown.empty() ? text : text + "\\" + shown;
}

KeyHandle PlanningPlatform::NewHandle(const OpenKey& key) {
  const KeyHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = key;
  handles_[handle].openedAt = keyChanges_.size();
  return handle;
}

ErrorCode PlanningPlatform::Base(KeyHandle key, OpenKey& base) {
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
  for (std::size_t i = open->second.openedAt; i < keyChanges_.size(); ++i) {
    const KeyChange& change = keyChanges_[i];
    if (change.kind == KeyChange::Kind::kDeleted && change.root == open->second.root &&
        SameOrBelow(open->second.path, change.path))
      return win::kErrorKeyDeleted;
  }
  return kOk;
}

ErrorCode PlanningPlatform::OpenReal(RegistryRoot root, const std::string& path, std::uint32_t access) {
  KeyHandle opened = 0;
  const ErrorCode status = inner_.RegOpenKeyExA(static_cast<KeyHandle>(root), path, access, opened);
  if (status == kOk && !IsPredefinedKey(opened)) inner_.RegCloseKey(opened);
  return status;
}

PlanningPlatform::KeyState PlanningPlatform::StateOf(RegistryRoot root, const std::string& path) {
  for (auto change = keyChanges_.rbegin(); change != keyChanges_.rend(); ++change) {
    if (change->root != root) continue;
    if (change->kind == KeyChange::Kind::kDeleted && SameOrBelow(path, change->path)) return KeyState::kMissing;
    if (change->kind == KeyChange::Kind::kCreated && path == change->path) return KeyState::kCreated;
  }
  const ErrorCode status = OpenReal(root, path, win::kKeyRead);
  return status == kOk || status == win::kErrorAccessDenied ? KeyState::kReal : KeyState::kMissing;
}

std::vector<PlanningPlatform::KeyName> PlanningPlatform::Subkeys(RegistryRoot root, const std::string& path) {
  std::vector<KeyName> names;
  KeyHandle key = 0;
  if (StateOf(root, path) == KeyState::kReal &&
      inner_.RegOpenKeyExA(static_cast<KeyHandle>(root), path, win::kKeyRead, key) == kOk) {
    std::uint32_t count = 0, longest = 0;
    if (inner_.RegQueryInfoKeyA(key, count, longest) == kOk) {
      for (std::uint32_t index = 0; index < count; ++index) {
        std::string name;
        const ErrorCode status = inner_.RegEnumKeyExA(key, index, 2 * longest + 1, name);
        if (status == win::kErrorNoMoreItems) break;
        if (status == kOk) names.push_back({Join(path, {inner_.CharUpperBuffA(name)}), name});
      }
    }
    if (!IsPredefinedKey(key)) inner_.RegCloseKey(key);
  }
  bool created = false;
  for (const KeyChange& change : keyChanges_) {
    if (change.kind == KeyChange::Kind::kCreated && change.root == root && KeyParent(change.path) == path) {
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

std::optional<PlanningPlatform::KeyChange> PlanningPlatform::WrittenValue(RegistryRoot root, const std::string& path,
                                                                          const std::string& name, bool& fromReal) {
  const std::string upper = inner_.CharUpperBuffA(name);
  fromReal = false;
  for (auto change = keyChanges_.rbegin(); change != keyChanges_.rend(); ++change) {
    if (change->root != root) continue;
    if (change->kind == KeyChange::Kind::kValue && change->path == path && inner_.CharUpperBuffA(change->name) == upper)
      return *change;
    if (change->kind == KeyChange::Kind::kDeleted && SameOrBelow(path, change->path)) return std::nullopt;
    if (change->kind == KeyChange::Kind::kCreated && change->path == path) return std::nullopt;
  }
  fromReal = StateOf(root, path) == KeyState::kReal;
  return std::nullopt;
}

std::uint32_t PlanningPlatform::ValueCount(RegistryRoot root, const std::string& path) {
  std::set<std::string> written;
  bool real = StateOf(root, path) == KeyState::kReal;
  for (auto change = keyChanges_.rbegin(); change != keyChanges_.rend(); ++change) {
    if (change->root != root) continue;
    if (change->kind == KeyChange::Kind::kValue && change->path == path)
      written.insert(inner_.CharUpperBuffA(change->name));
    if ((change->kind == KeyChange::Kind::kDeleted && SameOrBelow(path, change->path)) ||
        (change->kind == KeyChange::Kind::kCreated && change->path == path)) {
      real = false;
      break;
    }
  }
  KeyHandle key = 0;
  if (!real || inner_.RegOpenKeyExA(static_cast<KeyHandle>(root), path, win::kKeyRead, key) != kOk)
    return static_cast<std::uint32_t>(written.size());
  std::uint32_t count = 0;
  inner_.RegQueryValueCountA(key, count);
  for (const std::string& name : written) {
    std::uint32_t type = 0, size = 0;
    if (inner_.RegQueryValueExA(key, name, type, nullptr, size) != kOk) ++count;
  }
  if (!IsPredefinedKey(key)) inner_.RegCloseKey(key);
  return count;
}

ErrorCode PlanningPlatform::RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access,
                                          KeyHandle& result) {
  OpenKey opened{};
  ErrorCode status = Base(key, opened);
  if (status != kOk) return status;
  if (BadSubKey(subKey)) return win::kErrorBadPathname;
  const std::vector<std::string> segments = KeySegments(subKey);
  opened.path = Join(opened.path, KeySegments(inner_.CharUpperBuffA(subKey)));
  opened.shown = Join(opened.shown, segments);
  const KeyState state = StateOf(opened.root, opened.path);
  if (state == KeyState::kMissing) return win::kErrorFileNotFound;
  // A key of the real system answers for its rights itself; a planned one is ours.
  if (state == KeyState::kReal && (status = OpenReal(opened.root, opened.path, access)) != kOk) return status;
  opened.access = access;
  result = NewHandle(opened);
  return kOk;
}

ErrorCode PlanningPlatform::RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t,
                                            std::uint32_t access, KeyHandle& result) {
  OpenKey opened{};
  ErrorCode status = Base(key, opened);
  const bool known = status == kOk;
  if (known && BadSubKey(subKey)) status = win::kErrorBadPathname;
  const std::vector<std::string> segments = KeySegments(subKey);
  std::string path = opened.path;
  opened.shown = Join(opened.shown, segments);
  opened.path = Join(opened.path, KeySegments(inner_.CharUpperBuffA(subKey)));
  const char* state = !known                                                    ? "no such key"
                      : status != kOk                                           ? "a path that begins with \\"
                      : StateOf(opened.root, opened.path) == KeyState::kMissing ? "missing"
                                                                                : "exists";
  // The keys to make, from the first that is missing on; its parent must let us make subkeys.
  std::vector<KeyChange> created;
  for (const std::string& segment : segments) {
    if (status != kOk) break;
    const std::string parent = path;
    path = Join(path, {inner_.CharUpperBuffA(segment)});
    if (created.empty() && StateOf(opened.root, path) != KeyState::kMissing) continue;
    if (created.empty() && StateOf(opened.root, parent) == KeyState::kReal)
      status = OpenReal(opened.root, parent, win::kKeyCreateSubKey);
    if (status == kOk) created.push_back({KeyChange::Kind::kCreated, opened.root, path, segment, 0, {}});
  }
  // An existing key of the real system answers for its rights itself.
  if (status == kOk && created.empty() && StateOf(opened.root, opened.path) == KeyState::kReal)
    status = OpenReal(opened.root, opened.path, access);
  Record(Kind::kCreateKey, KeyText(opened.root, opened.shown), state, status == kOk);
  if (status != kOk) return status;
  keyChanges_.insert(keyChanges_.end(), created.begin(), created.end());
  opened.access = access;
  result = NewHandle(opened);
  return kOk;
}

ErrorCode PlanningPlatform::RegCloseKey(KeyHandle key) {
  if (IsPredefinedKey(key)) return kOk;
  return handles_.erase(key) ? kOk : win::kErrorInvalidHandle;
}

ErrorCode PlanningPlatform::RegDeleteKeyA(KeyHandle key, const std::string& subKey) {
  OpenKey target{};
  ErrorCode status = Base(key, target);
  std::string state = "no such key";
  if (status == kOk && BadSubKey(subKey)) status = win::kErrorBadPathname;
  if (status == kOk) {
    target.path = Join(target.path, KeySegments(inner_.CharUpperBuffA(subKey)));
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
      state = Counted(ValueCount(target.root, target.path), "value", "values");
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
  Record(Kind::kDeleteKey, KeyText(target.root, target.shown), state, status == kOk);
  if (status == kOk) keyChanges_.push_back({KeyChange::Kind::kDeleted, target.root, target.path, {}, 0, {}});
  return status;
}

ErrorCode PlanningPlatform::RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) {
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

ErrorCode PlanningPlatform::RegQueryValueCountA(KeyHandle key, std::uint32_t& values) {
  OpenKey base{};
  const ErrorCode status = Base(key, base);
  if (status == kOk) values = ValueCount(base.root, base.path);
  return status;
}

ErrorCode PlanningPlatform::RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
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

ErrorCode PlanningPlatform::RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type,
                                             std::string* data, std::uint32_t& size) {
  OpenKey base{};
  ErrorCode status = Base(key, base);
  if (status != kOk) return status;
  bool fromReal = false;
  if (std::optional<KeyChange> written = WrittenValue(base.root, base.path, name, fromReal)) {
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
  KeyHandle real = 0;
  status = inner_.RegOpenKeyExA(static_cast<KeyHandle>(base.root), base.path, win::kKeyRead, real);
  if (status != kOk) return status;
  status = inner_.RegQueryValueExA(real, name, type, data, size);
  if (!IsPredefinedKey(real)) inner_.RegCloseKey(real);
  return status;
}

ErrorCode PlanningPlatform::RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                                           const std::string& data) {
  OpenKey base{};
  ErrorCode status = Base(key, base);
  std::string state = "no such key";
  if (status == kOk) {
    std::uint32_t oldType = 0, size = 0;
    std::string old;
    if (RegQueryValueExA(key, name, oldType, nullptr, size) != kOk)
      state = "new";
    else if (RegQueryValueExA(key, name, oldType, &old, size) == kOk && oldType == win::kRegSz)
      state = "replaces \"" + old.substr(0, old.find('\0')) + "\"";
    else
      state = "replaces a value of type " + std::to_string(oldType);
    if ((base.access & win::kKeySetValue) == 0) status = win::kErrorAccessDenied;
  }
  PlanStep& step = Record(Kind::kSetValue, KeyText(base.root, base.shown), state, status == kOk, name);
  step.data = data.substr(0, data.size() - (!data.empty() && data.back() == '\0' ? 1 : 0));
  step.number = type;
  if (status == kOk) keyChanges_.push_back({KeyChange::Kind::kValue, base.root, base.path, name, type, data});
  return status;
}

}  // namespace qv
