#include "memory/memory_platform.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "memory/memory_code_pages.h"
#include "text/case_mapping.h"

namespace qv {

namespace {

constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kKeyWriteBits = 0x2 | 0x4 | 0x10000;  // set value, create subkey, delete

// Calls f with each name between the "\" that are not the second byte of a double-byte
// character; empty names are left out.
template <class F>
void ForEachSegment(std::string_view path, const LeadByteTable& lead, F f) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (lead[static_cast<unsigned char>(path[i])] && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\') {
      if (i > start) f(path.substr(start, i - start));
      start = i + 1;
    }
  }
  if (path.size() > start) f(path.substr(start));
}

std::vector<std::string_view> SplitNames(std::string_view path, const LeadByteTable& lead) {
  std::vector<std::string_view> segments;
  ForEachSegment(path, lead, [&](std::string_view segment) { segments.push_back(segment); });
  return segments;
}

// A copy of the key and everything below it. With copies given, every copied key is entered
// there under its original, so that handles can be pointed at the copies.
std::shared_ptr<MemoryKey> CopyTree(const MemoryKey& key,
                                    std::map<const MemoryKey*, std::shared_ptr<MemoryKey>>* copies) {
  auto copy = std::make_shared<MemoryKey>(key);
  if (copies) (*copies)[&key] = copy;
  for (auto& [upper, child] : copy->subkeys) child = CopyTree(*child, copies);
  return copy;
}

}  // namespace

bool operator==(const MemoryFile& a, const MemoryFile& b) {
  return a.name == b.name && a.folder == b.folder && a.attributes == b.attributes && a.bytes == b.bytes &&
         a.lastWriteTime == b.lastWriteTime && a.heldOpen == b.heldOpen && a.company == b.company;
}

bool operator==(const MemoryValue& a, const MemoryValue& b) {
  return a.name == b.name && a.type == b.type && a.data == b.data;
}

bool SameTree(const MemoryKey& a, const MemoryKey& b) {
  if (a.name != b.name || a.denyAllAccess != b.denyAllAccess || a.denyWrite != b.denyWrite || a.deleted != b.deleted ||
      a.values != b.values || a.subkeys.size() != b.subkeys.size())
    return false;
  for (auto i = a.subkeys.begin(), j = b.subkeys.begin(); i != a.subkeys.end(); ++i, ++j)
    if (i->first != j->first || !SameTree(*i->second, *j->second)) return false;
  return true;
}

MemoryPlatform::Registry::Registry(const Registry& other) {
  std::map<const MemoryKey*, std::shared_ptr<MemoryKey>> copies;
  auto* wanted = other.handles.empty() ? nullptr : &copies;
  for (const auto& [root, key] : other.roots) roots.emplace(root, CopyTree(*key, wanted));
  for (const auto& [value, handle] : other.handles) {
    // A handle to a key deleted since it was opened holds the only reference to it.
    auto copied = copies.find(handle.key.get());
    handles.emplace(value,
                    Handle{copied != copies.end() ? copied->second : CopyTree(*handle.key, &copies), handle.writable});
  }
}

MemoryPlatform::FileTable& MemoryPlatform::FileTable::operator=(const FileTable& other) {
  const bool samePaths = entries.size() == other.entries.size() &&
                         std::equal(entries.begin(), entries.end(), other.entries.begin(),
                                    [](const auto& a, const auto& b) { return a.first == b.first; });
  if (!samePaths) {
    entries = other.entries;
    return *this;
  }
  auto from = other.entries.begin();
  for (auto& [path, file] : entries) {
    if (file != from->second) file = from->second;
    ++from;
  }
  return *this;
}

MemoryPlatform::Registry& MemoryPlatform::Registry::operator=(const Registry& other) {
  if (this == &other) return *this;
  const bool sameRoots =
      roots.size() == other.roots.size() && std::equal(roots.begin(), roots.end(), other.roots.begin(),
                                                       [](const auto& a, const auto& b) { return a.first == b.first; });
  if (!handles.empty() || !other.handles.empty() || !sameRoots) {
    *this = Registry(other);
    return *this;
  }
  // Makes to equal from, keeping the keys of to that stand where from has a key too.
  auto assign = [](auto& self, MemoryKey& to, const MemoryKey& from) -> void {
    if (to.name != from.name) to.name = from.name;
    to.denyAllAccess = from.denyAllAccess;
    to.denyWrite = from.denyWrite;
    to.deleted = from.deleted;
    if (to.values != from.values) to.values = from.values;
    const bool sameSubkeys = to.subkeys.size() == from.subkeys.size() &&
                             std::equal(to.subkeys.begin(), to.subkeys.end(), from.subkeys.begin(),
                                        [](const auto& a, const auto& b) { return a.first == b.first; });
    if (sameSubkeys) {
      auto child = from.subkeys.begin();
      for (auto& [upper, key] : to.subkeys) self(self, *key, *(child++)->second);
    } else {
      to.subkeys.clear();
      for (const auto& [upper, key] : from.subkeys) to.subkeys.emplace(upper, CopyTree(*key, nullptr));
    }
  };
  auto from = other.roots.begin();
  for (auto& [root, key] : roots) assign(assign, *key, *(from++)->second);
  return *this;
}

MemoryPlatform::MemoryPlatform() : lead_(ShiftJisLeadBytes()) {
  for (RegistryRoot root :
       {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers, kHkeyCurrentConfig, kHkeyDynData}) {
    registry_.roots[root] = std::make_shared<MemoryKey>();
  }
  AddFolder(windowsFolder);
  AddFolder(systemFolder);
  AddFolder(currentFolder);
}

// ---------------------------------------------------------------- user interface and locale

void MemoryPlatform::UseAnsiCodePage(std::uint32_t codePage) {
  ansiCodePage = codePage;
  dbcsEnabled = codePage == 932 || codePage == 936 || codePage == 949;
  if (codePage == 932)
    leadByteRanges = {{0x81, 0x9F}, {0xE0, 0xFC}};
  else if (dbcsEnabled)
    leadByteRanges = {{0x81, 0xFE}};
  else
    leadByteRanges.clear();  // 1252, and UTF-8, whose characters of several bytes have no lead bytes
}

int MemoryPlatform::Answer(std::uint32_t flags) {
  if (answers.empty()) return (flags & 0xF) == win::kMbYesNo ? win::kIdYes : win::kIdOk;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

int MemoryPlatform::MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) {
  const int answer = Answer(flags);
  boxes.push_back({text, caption, flags, answer, false, {}, {}});
  return answer;
}

int MemoryPlatform::MessageBoxW(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) {
  const int answer = Answer(flags);
  boxes.push_back({{}, {}, flags, answer, true, text, caption});
  return answer;
}

std::optional<std::u16string> MemoryPlatform::MultiByteToWideChar(std::uint32_t codePage, const std::string& bytes) {
  if (bytes.empty()) return std::nullopt;
  return DecodeCodePage(codePage, bytes);
}

std::optional<std::string> MemoryPlatform::GetLocaleInfoA(std::uint32_t, std::uint32_t type) {
  auto it = localeInfo.find(type);
  if (it == localeInfo.end()) return std::nullopt;
  return it->second;
}

// ---------------------------------------------------------------- files and folders

std::string MemoryPlatform::Normalize(const std::string& written, bool& trailingSlash) const {
  return Upper(Spelled(written, trailingSlash));
}

std::string MemoryPlatform::Spelled(const std::string& written, bool& trailingSlash) const {
  // The path made whole: a path without a drive gets the current folder's, a relative one the
  // current folder itself.
  const bool drive = written.size() >= 2 && written[1] == ':';
  const bool rooted = !written.empty() && (written[0] == '\\' || written[0] == '/');
  const std::string_view start = drive    ? std::string_view()
                                 : rooted ? std::string_view(currentFolder).substr(0, 2)
                                          : std::string_view(currentFolder);
  std::string path;
  path.reserve(start.size() + written.size());
  path += start;
  // The system reads "/" in a path as "\\", but not as the second byte of a double-byte character.
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (lead_[static_cast<unsigned char>(written[i])] && i + 1 < written.size()) {
      path += written[i++];
      path += written[i];
    } else {
      path += written[i] == '/' ? '\\' : written[i];
    }
  }
  trailingSlash = !written.empty() && path.back() == '\\';

  // Its names joined by single "\\", "." and ".." taken away (".." stops at the drive), moved to
  // the front of the same string: a name never lands beyond where it was read.
  static thread_local std::vector<std::size_t> starts;  // where each kept name begins
  starts.clear();
  std::size_t end = 0;
  ForEachSegment(path, lead_, [&](std::string_view segment) {
    if (segment == ".") return;
    if (segment == "..") {
      if (starts.size() > 1) {
        end = starts.back() - 1;
        starts.pop_back();
      }
      return;
    }
    if (!starts.empty()) path[end++] = '\\';
    starts.push_back(end);
    std::memmove(&path[end], segment.data(), segment.size());
    end += segment.size();
  });
  if (starts.size() > 1) {
    // Trailing blanks and dots of the last name are dropped, as the system does.
    while (end > starts.back() && (path[end - 1] == ' ' || path[end - 1] == '.')) --end;
    if (end == starts.back()) end = starts.back() - 1;
  }
  path.resize(end);
  return path;
}

std::string MemoryPlatform::LastName(const std::string& path) const {
  const std::string parent = Parent(path);
  return path.substr(parent.empty() ? 0 : parent.size() + 1);
}

std::string MemoryPlatform::Parent(const std::string& normalized) const {
  // Up to the last "\" that is no second byte of a double-byte character. The in-memory system keeps its
  // own loop: the program's path functions carry the fuzzers' instrumentation, the system not.
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < normalized.size(); ++i) {
    if (lead_[static_cast<unsigned char>(normalized[i])] && i + 1 < normalized.size())
      ++i;
    else if (normalized[i] == '\\')
      last = i;
  }
  return last == std::string::npos ? std::string() : normalized.substr(0, last);
}

bool MemoryPlatform::HasChildren(const std::string& normalized) const {
  const std::string prefix = normalized + "\\";
  auto next = files_.entries.lower_bound(prefix);
  return next != files_.entries.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

void MemoryPlatform::AddFolder(const std::string& path) {
  bool slash;
  for (std::string p = Spelled(path, slash); p.size() > 2; p = Parent(p)) {
    MemoryFile& entry = files_.entries[Upper(p)];
    entry.folder = true;
    if (entry.name.empty()) entry.name = LastName(p);
  }
}

MemoryFile& MemoryPlatform::AddFile(const std::string& path, const std::string& bytes) {
  bool slash;
  const std::string spelled = Spelled(path, slash);
  AddFolder(Parent(spelled));
  MemoryFile& file = files_.entries[Upper(spelled)];
  file = MemoryFile{};
  file.name = LastName(spelled);
  file.bytes = bytes;
  return file;
}

const MemoryFile* MemoryPlatform::Find(const std::string& path) const {
  bool slash;
  auto it = files_.entries.find(Normalize(path, slash));
  return it == files_.entries.end() ? nullptr : &it->second;
}

bool MemoryPlatform::Exists(const std::string& path) const { return Find(path) != nullptr; }

bool MemoryPlatform::IsFolder(const std::string& path) const {
  const MemoryFile* f = Find(path);
  return f && f->folder;
}

bool MemoryPlatform::SameFilesAndRegistry(const MemoryPlatform& other) const {
  if (files_.entries != other.files_.entries || registry_.roots.size() != other.registry_.roots.size()) return false;
  for (auto i = registry_.roots.begin(), j = other.registry_.roots.begin(); i != registry_.roots.end(); ++i, ++j)
    if (i->first != j->first || !SameTree(*i->second, *j->second)) return false;
  return true;
}

bool MemoryPlatform::SameFolder(const MemoryPlatform& other, const std::string& folder) const {
  bool slash;
  const std::string key = Normalize(folder, slash);
  auto self = files_.entries.find(key), theirs = other.files_.entries.find(key);
  if ((self == files_.entries.end()) != (theirs == other.files_.entries.end())) return false;
  if (self != files_.entries.end() && self->second != theirs->second) return false;
  // Everything below: the entries that start with the folder's name and a "\".
  const std::string prefix = key + "\\";
  auto below = [&](const auto& entry) { return entry.first.compare(0, prefix.size(), prefix) == 0; };
  auto i = files_.entries.lower_bound(prefix), j = other.files_.entries.lower_bound(prefix);
  for (; i != files_.entries.end() && below(*i); ++i, ++j)
    if (j == other.files_.entries.end() || !below(*j) || i->first != j->first || i->second != j->second) return false;
  return j == other.files_.entries.end() || !below(*j);
}

bool MemoryPlatform::SameKey(const MemoryPlatform& other, RegistryRoot root, const std::string& path) const {
  const MemoryKey* self = FindKey(root, path);
  const MemoryKey* theirs = other.FindKey(root, path);
  if (!self || !theirs) return !self && !theirs;
  return SameTree(*self, *theirs);
}

std::vector<std::string> MemoryPlatform::Paths() const {
  std::vector<std::string> paths;
  for (const auto& [path, file] : files_.entries) paths.push_back(file.folder ? path + "\\" : path);
  return paths;
}

std::optional<FindData> MemoryPlatform::FindFirstFileStored(const std::string& path) {
  bool slash;
  std::string key = Normalize(path, slash);
  if (slash || path.empty()) return std::nullopt;
  const MemoryFile* found = nullptr;
  if (key.find_first_of("*?") != std::string::npos) {
    std::string parent = Parent(key);
    std::string pattern = key.substr(parent.size() + 1);
    // A folder's listing begins with its own "." and "..", which a pattern such as "*" matches.
    if (IsFolder(parent) && (MatchesWildcard(pattern.c_str(), ".") || MatchesWildcard(pattern.c_str(), "..")))
      return FindData{win::kFileAttributeDirectory, MemoryFile{}.lastWriteTime};
    // Only an entry that starts with the folder and a "\" can have the folder as its parent.
    const std::string prefix = parent + "\\";
    auto first = parent.empty() ? files_.entries.begin() : files_.entries.lower_bound(prefix);
    for (auto it = first; it != files_.entries.end(); ++it) {
      const std::string& p = it->first;
      if (!parent.empty() && p.compare(0, prefix.size(), prefix) != 0) break;
      if (Parent(p) == parent && MatchesWildcard(pattern.c_str(), p.substr(parent.size() + 1).c_str())) {
        found = &it->second;
        break;
      }
    }
  } else {
    auto it = files_.entries.find(key);
    if (it != files_.entries.end()) found = &it->second;
  }
  if (!found) return std::nullopt;
  return FindData{found->attributes | (found->folder ? win::kFileAttributeDirectory : 0u), found->lastWriteTime};
}

std::vector<FoundFile> MemoryPlatform::FindFilesStored(const std::string& pattern) {
  std::vector<FoundFile> found;
  bool slash;
  const std::string key = Normalize(pattern, slash);
  if (slash || pattern.empty()) return found;
  auto add = [&](const std::string& name, const MemoryFile& file) {
    found.push_back({name, {file.attributes | (file.folder ? win::kFileAttributeDirectory : 0u), file.lastWriteTime}});
  };
  const std::string parent = Parent(key);
  const std::string name = key.substr(parent.empty() ? 0 : parent.size() + 1);
  if (key.find_first_of("*?") == std::string::npos) {
    if (const MemoryFile* file = Find(key)) add(name, *file);
    return found;
  }
  if (!IsFolder(parent)) return found;
  MemoryFile itself;
  itself.folder = true;
  for (const char* own : {".", ".."})
    if (MatchesWildcard(name.c_str(), own)) add(own, itself);
  const std::string prefix = parent + "\\";
  for (auto it = files_.entries.lower_bound(prefix); it != files_.entries.end(); ++it) {
    const std::string& path = it->first;
    if (path.compare(0, prefix.size(), prefix) != 0) break;
    const std::string child = path.substr(prefix.size());
    // A child of the folder itself: no "\" of its own, though a second byte may be 0x5C.
    if (Parent(path) == parent && MatchesWildcard(name.c_str(), child.c_str()))
      add(it->second.name.empty() ? child : it->second.name, it->second);
  }
  return found;
}

// A file held open with share mode 0 refuses every access to its data and its deletion; its
// attributes may still be written.
ErrorCode MemoryPlatform::TryOpenFileStored(const std::string& path, std::uint32_t access) {
  constexpr std::uint32_t kDataAccess = 0xF0000000u | 0x1 | 0x2 | 0x4 | 0x20 | win::kDelete;
  bool slash;
  const std::string key = Normalize(path, slash);
  const MemoryFile* file = Find(key);
  if (!file) return IsFolder(Parent(key)) ? win::kErrorFileNotFound : win::kErrorPathNotFound;
  if (file->heldOpen && (access & kDataAccess) != 0) return win::kErrorSharingViolation;
  return win::kErrorSuccess;
}

std::optional<std::uint64_t> MemoryPlatform::FileTimeToLocalFileTime(std::uint64_t fileTime) {
  return fileTime + static_cast<std::uint64_t>(static_cast<std::int64_t>(utcOffsetHours) * 36000000000ll);
}

std::optional<DosDateTime> MemoryPlatform::FileTimeToDosDateTime(std::uint64_t fileTime) {
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

bool MemoryPlatform::SetFileAttributesStored(const std::string& path, std::uint32_t attributes) {
  bool slash;
  const std::string key = Normalize(path, slash);
  auto it = files_.entries.find(key);
  // A drive's root holds no entry of its own; the system takes attributes for it and keeps none.
  if (it == files_.entries.end()) return key.size() == 2 && key[1] == ':';
  if (slash && !it->second.folder) return false;
  it->second.attributes = attributes & ~win::kFileAttributeDirectory;
  return true;
}

bool MemoryPlatform::DeleteFileStored(const std::string& path) {
  bool slash;
  auto it = files_.entries.find(Normalize(path, slash));
  if (slash || it == files_.entries.end() || it->second.folder || (it->second.attributes & kReadOnly) ||
      it->second.heldOpen)
    return false;
  files_.entries.erase(it);
  return true;
}

bool MemoryPlatform::MoveFileStored(const std::string& oldPath, const std::string& newPath) {
  bool slash;
  std::string from = Normalize(oldPath, slash), to = Normalize(newPath, slash);
  const std::string newName = LastName(Spelled(newPath, slash));
  auto it = files_.entries.find(from);
  if (it != files_.entries.end() && from == to && !it->second.heldOpen) {  // a change of case only
    it->second.name = newName;
    return true;
  }
  // A name with wildcards is no name a file can get.
  if (to.find_first_of("*?") != std::string::npos) return false;
  // The drive's root holds no entry of its own, but is a folder to move into.
  const std::string parent = Parent(to);
  const bool intoFolder = IsFolder(parent) || (parent.size() == 2 && parent[1] == ':');
  if (it == files_.entries.end() || it->second.heldOpen || files_.entries.count(to) || !intoFolder || from.size() <= 2)
    return false;
  if (to.compare(0, from.size() + 1, from + "\\") == 0) return false;  // into itself
  std::map<std::string, MemoryFile> moved;
  for (auto i = files_.entries.begin(); i != files_.entries.end();) {
    if (i->first == from || i->first.compare(0, from.size() + 1, from + "\\") == 0) {
      moved[to + i->first.substr(from.size())] = i->second;
      i = files_.entries.erase(i);
    } else {
      ++i;
    }
  }
  moved[to].name = newName;
  files_.entries.insert(moved.begin(), moved.end());
  return true;
}

bool MemoryPlatform::RemoveDirectoryStored(const std::string& path) {
  bool slash;
  std::string key = Normalize(path, slash);
  auto it = files_.entries.find(key);
  if (it == files_.entries.end() || !it->second.folder || (it->second.attributes & kReadOnly) || HasChildren(key))
    return false;
  files_.entries.erase(it);
  return true;
}

bool MemoryPlatform::MoveFileExStored(const std::string& path, std::uint32_t flags) {
  if (flags != win::kMoveFileDelayUntilReboot || !restartAllowed) return false;
  pendingAtRestart.push_back(path);
  return true;
}

void MemoryPlatform::Restart() {
  for (const std::string& path : pendingAtRestart) {
    bool slash;
    const std::string key = Normalize(path, slash);
    auto it = files_.entries.find(key);
    if (it != files_.entries.end() && (!it->second.folder || !HasChildren(key))) files_.entries.erase(it);
  }
  pendingAtRestart.clear();
  for (auto& [path, file] : files_.entries) file.heldOpen = false;  // the programs that held them are gone
  for (auto it = services.begin(); it != services.end();) {
    auto next = std::next(it);
    if (it->second.markedForDeletion) RemoveService(it);
    it = next;
  }
}

std::optional<std::string> MemoryPlatform::ReadWholeFileStored(const std::string& path) {
  reads.push_back(path);
  bool slash;
  auto it = files_.entries.find(Normalize(path, slash));
  if (slash || it == files_.entries.end() || it->second.folder || it->second.heldOpen) return std::nullopt;
  return it->second.bytes;
}

std::optional<std::string> MemoryPlatform::CompanyStored(const std::string& path) const {
  bool slash;
  auto it = files_.entries.find(Normalize(path, slash));
  if (slash || it == files_.entries.end() || it->second.folder || it->second.company.empty()) return std::nullopt;
  return it->second.company;
}

// A new file is made in an existing folder; a folder, a file held open with share mode 0 and a
// read-only file are refused.
bool MemoryPlatform::AppendToFileStored(const std::string& path, const std::string& firstBytes,
                                        const std::string& bytes) {
  bool slash;
  const std::string key = Normalize(path, slash);
  auto it = files_.entries.find(key);
  if (it == files_.entries.end()) {
    if (slash || !IsFolder(Parent(key))) return false;
    it = files_.entries.emplace(key, MemoryFile{}).first;
    it->second.name = LastName(Spelled(path, slash));
  }
  MemoryFile& file = it->second;
  if (slash || file.folder || file.heldOpen || (file.attributes & win::kFileAttributeReadOnly)) return false;
  if (file.bytes.empty()) file.bytes = firstBytes;
  file.bytes += bytes;
  return true;
}

std::optional<std::string> MemoryPlatform::GetEnvironmentVariableA(const std::string& name) {
  auto it = environment.find(UpperCase932(name, lead_));
  if (it == environment.end()) return std::nullopt;
  return it->second;
}

ErrorCode MemoryPlatform::CreateMutexStored(const std::string& written) {
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

std::shared_ptr<MemoryKey> MemoryPlatform::Descend(std::shared_ptr<MemoryKey> node, const std::string& upper) const {
  ForEachSegment(upper, lead_, [&](std::string_view segment) {
    if (!node) return;
    auto it = node->subkeys.find(segment);
    node = it == node->subkeys.end() ? nullptr : it->second;
  });
  return node;
}

std::vector<std::string_view> MemoryPlatform::SplitKeyPath(const std::string& path) const {
  return SplitNames(path, lead_);
}

namespace {
// The system refuses a subkey path that begins with ""; repeated and trailing "" are accepted.
bool BadSubKey(const std::string& subKey) { return !subKey.empty() && subKey[0] == '\\'; }
}  // namespace

std::shared_ptr<MemoryKey> MemoryPlatform::KeyOf(KeyHandle key, ErrorCode& status) const {
  status = win::kErrorSuccess;
  if (auto root = registry_.roots.find(static_cast<RegistryRoot>(key));
      key <= 0xFFFFFFFFu && root != registry_.roots.end())
    return root->second;
  auto handle = registry_.handles.find(key);
  if (handle == registry_.handles.end()) {
    status = win::kErrorInvalidHandle;
    return nullptr;
  }
  if (handle->second.key->deleted) {
    status = win::kErrorKeyDeleted;
    return nullptr;
  }
  return handle->second.key;
}

KeyHandle MemoryPlatform::NewHandle(std::shared_ptr<MemoryKey> key, bool writable) {
  KeyHandle handle = nextHandle_++;
  registry_.handles[handle] = Handle{std::move(key), writable};
  return handle;
}

ErrorCode MemoryPlatform::RegOpenKeyExStored(KeyHandle key, const std::string& subKey, std::uint32_t access,
                                             KeyHandle& result) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = KeyOf(key, status);
  if (!node) return status;
  if (BadSubKey(subKey)) return win::kErrorBadPathname;
  // The case mapping keeps every character's place, and with it where the path splits.
  const std::string upper = Upper(subKey);
  node = Descend(std::move(node), upper);
  if (!node) return win::kErrorFileNotFound;
  const bool wantsMore = (access & ~win::kKeyRead) != 0;
  if (wantsMore && node->denyAllAccess) return win::kErrorAccessDenied;
  result = NewHandle(node, (access & kKeyWriteBits) != 0);
  return win::kErrorSuccess;
}

ErrorCode MemoryPlatform::RegCreateKeyExStored(KeyHandle key, const std::string& subKey, std::uint32_t,
                                               std::uint32_t access, KeyHandle& result) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = KeyOf(key, status);
  if (!node) return status;
  if (BadSubKey(subKey)) return win::kErrorBadPathname;
  for (std::string_view segment : SplitKeyPath(subKey)) {
    auto& child = node->subkeys[Upper(std::string(segment))];
    if (!child) {
      if (node->denyWrite) {
        node->subkeys.erase(Upper(std::string(segment)));
        return win::kErrorAccessDenied;
      }
      child = std::make_shared<MemoryKey>();
      child->name = std::string(segment);
    }
    node = child;
  }
  if ((access & ~win::kKeyRead) != 0 && node->denyAllAccess) return win::kErrorAccessDenied;
  result = NewHandle(node, (access & kKeyWriteBits) != 0);
  return win::kErrorSuccess;
}

ErrorCode MemoryPlatform::RegCloseKey(KeyHandle key) {
  if (key <= 0xFFFFFFFFu && registry_.roots.count(static_cast<RegistryRoot>(key))) return win::kErrorSuccess;
  return registry_.handles.erase(key) ? win::kErrorSuccess : win::kErrorInvalidHandle;
}

ErrorCode MemoryPlatform::RegDeleteKeyStored(KeyHandle key, const std::string& subKey) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = KeyOf(key, status);
  if (!node) return status;
  if (BadSubKey(subKey)) return win::kErrorBadPathname;
  std::vector<std::string_view> segments = SplitKeyPath(subKey);
  if (segments.empty()) {
    // An empty subkey deletes the handle's own key; a root is never deleted here.
    if (key <= 0xFFFFFFFFu && registry_.roots.count(static_cast<RegistryRoot>(key))) return win::kErrorAccessDenied;
    return DeleteOpenKey(node);
  }
  for (std::string_view segment : segments) {
    auto it = node->subkeys.find(Upper(std::string(segment)));
    if (it == node->subkeys.end()) return win::kErrorFileNotFound;
    node = it->second;
  }
  return DeleteOpenKey(node);
}

ErrorCode MemoryPlatform::DeleteOpenKey(const std::shared_ptr<MemoryKey>& node) {
  if (!node->subkeys.empty() || node->denyAllAccess) return win::kErrorAccessDenied;
  auto find = [&](auto& self, MemoryKey& key) -> bool {
    for (auto it = key.subkeys.begin(); it != key.subkeys.end(); ++it) {
      if (it->second == node) {
        key.subkeys.erase(it);
        return true;
      }
      if (self(self, *it->second)) return true;
    }
    return false;
  };
  for (auto& [root, key] : registry_.roots)
    if (find(find, *key)) break;
  node->deleted = true;
  return win::kErrorSuccess;
}

ErrorCode MemoryPlatform::RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = KeyOf(key, status);
  if (!node) return status;
  subKeys = static_cast<std::uint32_t>(node->subkeys.size());
  maxSubKeyLength = 0;
  for (const auto& [upper, child] : node->subkeys)
    maxSubKeyLength =
        std::max<std::uint32_t>(maxSubKeyLength, static_cast<std::uint32_t>(CharacterCount(child->name, lead_)));
  return win::kErrorSuccess;
}

ErrorCode MemoryPlatform::RegQueryValueCountA(KeyHandle key, std::uint32_t& values) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = KeyOf(key, status);
  if (!node) return status;
  values = static_cast<std::uint32_t>(node->values.size());
  return win::kErrorSuccess;
}

ErrorCode MemoryPlatform::RegEnumKeyExStored(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                             std::string& name) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = KeyOf(key, status);
  if (!node) return status;
  if (index >= node->subkeys.size()) return win::kErrorNoMoreItems;
  const std::string& found = std::next(node->subkeys.begin(), index)->second->name;
  if (found.size() + 1 > nameBufferSize) return win::kErrorMoreData;
  name = found;
  return win::kErrorSuccess;
}

ErrorCode MemoryPlatform::RegQueryValueExStored(KeyHandle key, const std::string& name, std::uint32_t& type,
                                                std::string* data, std::uint32_t& size) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = KeyOf(key, status);
  if (!node) return status;
  auto it = node->values.find(Upper(name));
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

std::shared_ptr<MemoryKey> MemoryPlatform::ValuesOf(KeyHandle key, ErrorCode& status) const {
  std::shared_ptr<MemoryKey> node = KeyOf(key, status);
  if (!node) return nullptr;
  auto handle = registry_.handles.find(key);
  if ((handle != registry_.handles.end() && !handle->second.writable) || node->denyWrite) {
    status = win::kErrorAccessDenied;
    return nullptr;
  }
  return node;
}

ErrorCode MemoryPlatform::RegSetValueExStored(KeyHandle key, const std::string& name, std::uint32_t type,
                                              const std::string& data) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = ValuesOf(key, status);
  if (!node) return status;
  node->values[Upper(name)] = MemoryValue{name, type, data};
  return win::kErrorSuccess;
}

ErrorCode MemoryPlatform::RegDeleteValueStored(KeyHandle key, const std::string& name) {
  ErrorCode status;
  std::shared_ptr<MemoryKey> node = ValuesOf(key, status);
  if (!node) return status;
  return node->values.erase(Upper(name)) ? win::kErrorSuccess : win::kErrorFileNotFound;
}

MemoryKey& MemoryPlatform::AddKey(RegistryRoot root, const std::string& path) {
  std::shared_ptr<MemoryKey> node = registry_.roots.at(root);
  for (std::string_view segment : SplitKeyPath(path)) {
    auto& child = node->subkeys[Upper(std::string(segment))];
    if (!child) {
      child = std::make_shared<MemoryKey>();
      child->name = std::string(segment);
    }
    node = child;
  }
  return *node;
}

void MemoryPlatform::SetValue(RegistryRoot root, const std::string& path, const std::string& name,
                              const std::string& data, std::uint32_t type) {
  AddKey(root, path).values[Upper(name)] = MemoryValue{name, type, data};
}

MemoryKey* MemoryPlatform::FindKey(RegistryRoot root, const std::string& path) const {
  auto rootIt = registry_.roots.find(root);
  if (rootIt == registry_.roots.end()) return nullptr;
  return Descend(rootIt->second, Upper(path)).get();
}

void MemoryPlatform::RemoveKey(RegistryRoot root, const std::string& path) {
  const std::vector<std::string_view> segments = SplitKeyPath(path);
  if (segments.empty()) return;
  std::string parent;
  for (std::size_t i = 0; i + 1 < segments.size(); ++i) parent += std::string(segments[i]) + "\\";
  if (MemoryKey* key = FindKey(root, parent)) key->subkeys.erase(Upper(std::string(segments.back())));
}

void MemoryPlatform::RemoveValue(RegistryRoot root, const std::string& path, const std::string& name) {
  if (MemoryKey* key = FindKey(root, path)) key->values.erase(Upper(name));
}

std::vector<std::string> MemoryPlatform::Dump(RegistryRoot root) const {
  std::vector<std::string> lines;
  auto walk = [&](auto& self, const MemoryKey& key, const std::string& path) -> void {
    lines.push_back(path.empty() ? "\\" : path);
    for (const auto& [upper, value] : key.values)
      lines.push_back(path + " : " + value.name + " = " + std::to_string(value.type) + ":" + value.data);
    for (const auto& [upper, child] : key.subkeys) self(self, *child, path + "\\" + child->name);
  };
  walk(walk, *registry_.roots.at(root), "");
  return lines;
}

}  // namespace qv
