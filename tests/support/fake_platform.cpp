#include "fake_platform.h"

#include <algorithm>

namespace qv::test {

namespace {

constexpr std::uint32_t kReadOnly = 0x1;
constexpr ErrorCode kErrorBadPathname = 161;
constexpr ErrorCode kErrorKeyDeleted = 1018;
constexpr std::uint32_t kKeyWriteBits = 0x2 | 0x4 | 0x10000;  // set value, create subkey, delete

bool IsLetter(unsigned char c, char first) { return c >= first && c <= first + 25; }

// Splits at "\" that is not the second byte of a double-byte character; drops empty segments.
std::vector<std::string> SplitPath(const std::string& path, const LeadByteTable& lead) {
  std::vector<std::string> segments;
  std::string current;
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (lead[c] && i + 1 < path.size()) {
      current += path[i];
      current += path[++i];
    } else if (c == '\\') {
      if (!current.empty()) segments.push_back(current);
      current.clear();
    } else {
      current += path[i];
    }
  }
  if (!current.empty()) segments.push_back(current);
  return segments;
}

// "*" matches any run of bytes, "?" any one byte. Only the latest "*" is ever retried, one byte
// further each time: a pattern of many stars takes time in proportion to pattern times text,
// not exponential time.
bool GlobMatch(const char* pattern, const char* text) {
  const char* star = nullptr;   // the latest "*" seen
  const char* resume = nullptr;  // where the text it matches ends so far
  while (*text) {
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern == '?' || *pattern == *text) {
      ++pattern;
      ++text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

std::size_t CharacterCount(const std::string& s, const LeadByteTable& lead) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++i, ++count)
    if (lead[static_cast<unsigned char>(s[i])] && i + 1 < s.size()) ++i;
  return count;
}

}  // namespace

FakePlatform::FakePlatform() : lead_(ShiftJisLeadBytes()) {
  for (RegistryRoot root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers, kHkeyCurrentConfig,
                            kHkeyDynData}) {
    roots_[root] = std::make_shared<FakeKey>();
  }
  AddFolder(windowsFolder);
  AddFolder(systemFolder);
  AddFolder(currentFolder);
}

// ---------------------------------------------------------------- user interface and locale

int FakePlatform::MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) {
  int answer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  } else {
    answer = (flags & 0xF) == win::kMbYesNo ? win::kIdYes : win::kIdOk;
  }
  boxes.push_back({text, caption, flags, answer});
  return answer;
}

// ASCII letters, and the full-width Latin letters of code page 932 (0x82 0x81-0x9A lower case,
// 0x82 0x60-0x79 upper case) as whole characters; no other double-byte character changes and
// no second byte is ever mapped as a letter of its own.
std::string FakePlatform::CharUpperBuffA(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (lead_[c] && i + 1 < text.size()) {
      unsigned char second = static_cast<unsigned char>(text[++i]);
      if (c == 0x82 && second >= 0x81 && second <= 0x9A) text[i] = static_cast<char>(second - 0x21);
    } else if (IsLetter(c, 'a')) {
      text[i] = static_cast<char>(c - 32);
    }
  }
  return text;
}

std::string FakePlatform::CharLowerBuffA(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (lead_[c] && i + 1 < text.size()) {
      unsigned char second = static_cast<unsigned char>(text[++i]);
      if (c == 0x82 && second >= 0x60 && second <= 0x79) text[i] = static_cast<char>(second + 0x21);
    } else if (IsLetter(c, 'A')) {
      text[i] = static_cast<char>(c + 32);
    }
  }
  return text;
}

std::optional<std::string> FakePlatform::GetLocaleInfoA(std::uint32_t, std::uint32_t type) {
  auto it = localeInfo.find(type);
  if (it == localeInfo.end()) return std::nullopt;
  return it->second;
}

// ---------------------------------------------------------------- files and folders

std::string FakePlatform::Normalize(const std::string& path, bool& trailingSlash) const {
  trailingSlash = !path.empty() && path.back() == '\\';
  std::string absolute;
  if (path.size() >= 2 && path[1] == ':') absolute = path;
  else if (!path.empty() && path[0] == '\\') absolute = currentFolder.substr(0, 2) + path;
  else absolute = currentFolder + path;

  std::vector<std::string> segments;
  for (std::string& segment : SplitPath(absolute, lead_)) {
    if (segment == ".") continue;
    if (segment == "..") {
      if (segments.size() > 1) segments.pop_back();
      continue;
    }
    segments.push_back(std::move(segment));
  }
  if (segments.size() > 1) {
    // Trailing blanks and dots of the last name are dropped, as the system does.
    std::string& last = segments.back();
    while (!last.empty() && (last.back() == ' ' || last.back() == '.')) last.pop_back();
    if (last.empty()) segments.pop_back();
  }
  std::string result;
  for (std::size_t i = 0; i < segments.size(); ++i) result += (i ? "\\" : "") + segments[i];
  return const_cast<FakePlatform*>(this)->CharUpperBuffA(result);
}

std::string FakePlatform::Parent(const std::string& normalized) const {
  std::size_t i = LastDelimiter(normalized, "\\", lead_);
  return i == std::string::npos ? std::string() : normalized.substr(0, i);
}

bool FakePlatform::HasChildren(const std::string& normalized) const {
  const std::string prefix = normalized + "\\";
  auto next = files_.lower_bound(prefix);
  return next != files_.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

void FakePlatform::AddFolder(const std::string& path) {
  bool slash;
  std::string key = Normalize(path, slash);
  for (std::string p = key; p.size() > 2; p = Parent(p)) {
    FakeFile& entry = files_[p];
    entry.folder = true;
  }
}

FakeFile& FakePlatform::AddFile(const std::string& path, const std::string& bytes) {
  bool slash;
  std::string key = Normalize(path, slash);
  AddFolder(Parent(key));
  FakeFile& file = files_[key];
  file = FakeFile{};
  file.bytes = bytes;
  return file;
}

const FakeFile* FakePlatform::Find(const std::string& path) const {
  bool slash;
  auto it = files_.find(Normalize(path, slash));
  return it == files_.end() ? nullptr : &it->second;
}

bool FakePlatform::Exists(const std::string& path) const { return Find(path) != nullptr; }

bool FakePlatform::IsFolder(const std::string& path) const {
  const FakeFile* f = Find(path);
  return f && f->folder;
}

std::vector<std::string> FakePlatform::Paths() const {
  std::vector<std::string> paths;
  for (const auto& [path, file] : files_) paths.push_back(file.folder ? path + "\\" : path);
  return paths;
}

std::optional<FindData> FakePlatform::FindFirstFileA(const std::string& path) {
  bool slash;
  std::string key = Normalize(path, slash);
  if (slash || path.empty()) return std::nullopt;
  const FakeFile* found = nullptr;
  if (key.find_first_of("*?") != std::string::npos) {
    std::string parent = Parent(key);
    std::string pattern = key.substr(parent.size() + 1);
    // A folder's listing begins with its own "." and "..", which a pattern such as "*" matches.
    if (IsFolder(parent) && (GlobMatch(pattern.c_str(), ".") || GlobMatch(pattern.c_str(), "..")))
      return FindData{win::kFileAttributeDirectory, FakeFile{}.lastWriteTime};
    for (const auto& [p, f] : files_)
      if (Parent(p) == parent && GlobMatch(pattern.c_str(), p.substr(parent.size() + 1).c_str())) {
        found = &f;
        break;
      }
  } else {
    auto it = files_.find(key);
    if (it != files_.end()) found = &it->second;
  }
  if (!found) return std::nullopt;
  return FindData{found->attributes | (found->folder ? win::kFileAttributeDirectory : 0u), found->lastWriteTime};
}

std::optional<std::uint64_t> FakePlatform::FileTimeToLocalFileTime(std::uint64_t fileTime) {
  return fileTime + static_cast<std::uint64_t>(static_cast<std::int64_t>(utcOffsetHours) * 36000000000ll);
}

std::optional<DosDateTime> FakePlatform::FileTimeToDosDateTime(std::uint64_t fileTime) {
  // Days from 1601 to 1980, then a civil calendar walk.
  constexpr std::uint64_t k1980 = 119600064000000000ull;
  if (fileTime < k1980) return std::nullopt;
  std::uint64_t seconds = (fileTime - k1980) / 10000000ull;
  std::uint64_t days = seconds / 86400, rest = seconds % 86400;
  int year = 1980;
  auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
  while (days >= static_cast<std::uint64_t>(leap(year) ? 366 : 365)) days -= leap(year++) ? 366 : 365;
  const int monthDays[] = {31, leap(year) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int month = 0;
  while (days >= static_cast<std::uint64_t>(monthDays[month])) days -= monthDays[month++];
  if (year > 2107) return std::nullopt;
  DosDateTime dos;
  dos.date = static_cast<std::uint16_t>(((year - 1980) << 9) | ((month + 1) << 5) | (days + 1));
  dos.time = static_cast<std::uint16_t>(((rest / 3600) << 11) | (((rest / 60) % 60) << 5) | ((rest % 60) / 2));
  return dos;
}

bool FakePlatform::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
  bool slash;
  auto it = files_.find(Normalize(path, slash));
  if (it == files_.end() || (slash && !it->second.folder)) return false;
  it->second.attributes = attributes & ~win::kFileAttributeDirectory;
  return true;
}

bool FakePlatform::DeleteFileA(const std::string& path) {
  bool slash;
  auto it = files_.find(Normalize(path, slash));
  if (slash || it == files_.end() || it->second.folder || (it->second.attributes & kReadOnly) || it->second.heldOpen)
    return false;
  files_.erase(it);
  return true;
}

bool FakePlatform::MoveFileA(const std::string& oldPath, const std::string& newPath) {
  bool slash;
  std::string from = Normalize(oldPath, slash), to = Normalize(newPath, slash);
  auto it = files_.find(from);
  if (it != files_.end() && from == to && !it->second.heldOpen) return true;  // a change of case only
  if (it == files_.end() || it->second.heldOpen || files_.count(to) || !IsFolder(Parent(to)) || from.size() <= 2)
    return false;
  if (to.compare(0, from.size() + 1, from + "\\") == 0) return false;  // into itself
  std::map<std::string, FakeFile> moved;
  for (auto i = files_.begin(); i != files_.end();) {
    if (i->first == from || i->first.compare(0, from.size() + 1, from + "\\") == 0) {
      moved[to + i->first.substr(from.size())] = i->second;
      i = files_.erase(i);
    } else {
      ++i;
    }
  }
  files_.insert(moved.begin(), moved.end());
  return true;
}

bool FakePlatform::RemoveDirectoryA(const std::string& path) {
  bool slash;
  std::string key = Normalize(path, slash);
  auto it = files_.find(key);
  if (it == files_.end() || !it->second.folder || (it->second.attributes & kReadOnly) || HasChildren(key))
    return false;
  files_.erase(it);
  return true;
}

std::optional<std::string> FakePlatform::ReadWholeFile(const std::string& path) {
  reads.push_back(path);
  bool slash;
  auto it = files_.find(Normalize(path, slash));
  if (slash || it == files_.end() || it->second.folder || it->second.heldOpen) return std::nullopt;
  return it->second.bytes;
}

ErrorCode FakePlatform::CreateMutexA(const std::string& written) {
  auto error = mutexErrors.find(written);
  if (error != mutexErrors.end()) return error->second;
  if (written.empty()) return win::kErrorSuccess;  // an unnamed mutex, new each time
  // "Local\" is the session's own namespace, the same as no prefix.
  const std::string name = written.compare(0, 6, "Local\\") == 0 ? written.substr(6) : written;
  const bool existed = mutexesHeldElsewhere.count(name) ||
                       std::find(mutexesCreated.begin(), mutexesCreated.end(), name) != mutexesCreated.end();
  mutexesCreated.push_back(name);
  return existed ? win::kErrorAlreadyExists : win::kErrorSuccess;
}

// ---------------------------------------------------------------- registry

std::vector<std::string> FakePlatform::SplitKeyPath(const std::string& path) const { return SplitPath(path, lead_); }

namespace {
// The system refuses a subkey path that begins with ""; repeated and trailing "" are accepted.
bool BadSubKey(const std::string& subKey) { return !subKey.empty() && subKey[0] == '\\'; }
}  // namespace

std::shared_ptr<FakeKey> FakePlatform::KeyOf(KeyHandle key, ErrorCode& status) const {
  status = win::kErrorSuccess;
  if (auto root = roots_.find(static_cast<RegistryRoot>(key)); key <= 0xFFFFFFFFu && root != roots_.end())
    return root->second;
  auto handle = handles_.find(key);
  if (handle == handles_.end()) {
    status = win::kErrorInvalidHandle;
    return nullptr;
  }
  if (handle->second.key->deleted) {
    status = kErrorKeyDeleted;
    return nullptr;
  }
  return handle->second.key;
}

KeyHandle FakePlatform::NewHandle(std::shared_ptr<FakeKey> key, bool writable) {
  KeyHandle handle = nextHandle_++;
  handles_[handle] = Handle{std::move(key), writable};
  return handle;
}

ErrorCode FakePlatform::RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) {
  if (BadSubKey(subKey)) return kErrorBadPathname;
  ErrorCode status;
  std::shared_ptr<FakeKey> node = KeyOf(key, status);
  if (!node) return status;
  for (const std::string& segment : SplitKeyPath(subKey)) {
    auto it = node->subkeys.find(CharUpperBuffA(segment));
    if (it == node->subkeys.end()) return win::kErrorFileNotFound;
    node = it->second;
  }
  const bool wantsMore = (access & ~win::kKeyRead) != 0;
  if (wantsMore && node->denyAllAccess) return win::kErrorAccessDenied;
  result = NewHandle(node, (access & kKeyWriteBits) != 0);
  return win::kErrorSuccess;
}

ErrorCode FakePlatform::RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t, std::uint32_t access,
                                   KeyHandle& result) {
  if (BadSubKey(subKey)) return kErrorBadPathname;
  ErrorCode status;
  std::shared_ptr<FakeKey> node = KeyOf(key, status);
  if (!node) return status;
  for (const std::string& segment : SplitKeyPath(subKey)) {
    auto& child = node->subkeys[CharUpperBuffA(segment)];
    if (!child) {
      if (node->denyWrite) {
        node->subkeys.erase(CharUpperBuffA(segment));
        return win::kErrorAccessDenied;
      }
      child = std::make_shared<FakeKey>();
      child->name = segment;
    }
    node = child;
  }
  if ((access & ~win::kKeyRead) != 0 && node->denyAllAccess) return win::kErrorAccessDenied;
  result = NewHandle(node, (access & kKeyWriteBits) != 0);
  return win::kErrorSuccess;
}

ErrorCode FakePlatform::RegCloseKey(KeyHandle key) {
  if (key <= 0xFFFFFFFFu && roots_.count(static_cast<RegistryRoot>(key))) return win::kErrorSuccess;
  return handles_.erase(key) ? win::kErrorSuccess : win::kErrorInvalidHandle;
}

ErrorCode FakePlatform::RegDeleteKeyA(KeyHandle key, const std::string& subKey) {
  if (BadSubKey(subKey)) return kErrorBadPathname;
  ErrorCode status;
  std::shared_ptr<FakeKey> node = KeyOf(key, status);
  if (!node) return status;
  std::vector<std::string> segments = SplitKeyPath(subKey);
  if (segments.empty()) {
    // An empty subkey deletes the handle's own key; a root is never deleted here.
    if (key <= 0xFFFFFFFFu && roots_.count(static_cast<RegistryRoot>(key))) return win::kErrorAccessDenied;
    return DeleteOpenKey(node);
  }
  for (const std::string& segment : segments) {
    auto it = node->subkeys.find(CharUpperBuffA(segment));
    if (it == node->subkeys.end()) return win::kErrorFileNotFound;
    node = it->second;
  }
  return DeleteOpenKey(node);
}

ErrorCode FakePlatform::DeleteOpenKey(const std::shared_ptr<FakeKey>& node) {
  if (!node->subkeys.empty() || node->denyAllAccess) return win::kErrorAccessDenied;
  auto find = [&](auto& self, FakeKey& key) -> bool {
    for (auto it = key.subkeys.begin(); it != key.subkeys.end(); ++it) {
      if (it->second == node) {
        key.subkeys.erase(it);
        return true;
      }
      if (self(self, *it->second)) return true;
    }
    return false;
  };
  for (auto& [root, key] : roots_)
    if (find(find, *key)) break;
  node->deleted = true;
  return win::kErrorSuccess;
}

ErrorCode FakePlatform::RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) {
  ErrorCode status;
  std::shared_ptr<FakeKey> node = KeyOf(key, status);
  if (!node) return status;
  subKeys = static_cast<std::uint32_t>(node->subkeys.size());
  maxSubKeyLength = 0;
  for (const auto& [upper, child] : node->subkeys)
    maxSubKeyLength = std::max<std::uint32_t>(maxSubKeyLength, static_cast<std::uint32_t>(CharacterCount(child->name, lead_)));
  return win::kErrorSuccess;
}

ErrorCode FakePlatform::RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize, std::string& name) {
  ErrorCode status;
  std::shared_ptr<FakeKey> node = KeyOf(key, status);
  if (!node) return status;
  if (index >= node->subkeys.size()) return win::kErrorNoMoreItems;
  const std::string& found = std::next(node->subkeys.begin(), index)->second->name;
  if (found.size() + 1 > nameBufferSize) return win::kErrorMoreData;
  name = found;
  return win::kErrorSuccess;
}

ErrorCode FakePlatform::RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                                    std::uint32_t& size) {
  ErrorCode status;
  std::shared_ptr<FakeKey> node = KeyOf(key, status);
  if (!node) return status;
  auto it = node->values.find(CharUpperBuffA(name));
  if (it == node->values.end()) return win::kErrorFileNotFound;
  type = it->second.type;
  const auto stored = static_cast<std::uint32_t>(it->second.data.size());
  if (data) {
    if (size < stored) {
      size = stored;
      return win::kErrorMoreData;
    }
    *data = it->second.data;
  }
  size = stored;
  return win::kErrorSuccess;
}

ErrorCode FakePlatform::RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type, const std::string& data) {
  ErrorCode status;
  std::shared_ptr<FakeKey> node = KeyOf(key, status);
  if (!node) return status;
  auto handle = handles_.find(key);
  if ((handle != handles_.end() && !handle->second.writable) || node->denyWrite) return win::kErrorAccessDenied;
  node->values[CharUpperBuffA(name)] = FakeValue{name, type, data};
  return win::kErrorSuccess;
}

FakeKey& FakePlatform::AddKey(RegistryRoot root, const std::string& path) {
  std::shared_ptr<FakeKey> node = roots_.at(root);
  for (const std::string& segment : SplitKeyPath(path)) {
    auto& child = node->subkeys[CharUpperBuffA(segment)];
    if (!child) {
      child = std::make_shared<FakeKey>();
      child->name = segment;
    }
    node = child;
  }
  return *node;
}

void FakePlatform::SetValue(RegistryRoot root, const std::string& path, const std::string& name,
                            const std::string& data, std::uint32_t type) {
  AddKey(root, path).values[CharUpperBuffA(name)] = FakeValue{name, type, data};
}

FakeKey* FakePlatform::FindKey(RegistryRoot root, const std::string& path) const {
  auto rootIt = roots_.find(root);
  if (rootIt == roots_.end()) return nullptr;
  FakeKey* node = rootIt->second.get();
  for (const std::string& segment : SplitKeyPath(path)) {
    auto it = node->subkeys.find(const_cast<FakePlatform*>(this)->CharUpperBuffA(segment));
    if (it == node->subkeys.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

std::vector<std::string> FakePlatform::Dump(RegistryRoot root) const {
  std::vector<std::string> lines;
  auto walk = [&](auto& self, const FakeKey& key, const std::string& path) -> void {
    lines.push_back(path.empty() ? "\\" : path);
    for (const auto& [upper, value] : key.values)
      lines.push_back(path + " : " + value.name + " = " + std::to_string(value.type) + ":" + value.data);
    for (const auto& [upper, child] : key.subkeys) self(self, *child, path + "\\" + child->name);
  };
  walk(walk, *roots_.at(root), "");
  return lines;
}

}  // namespace qv::test
