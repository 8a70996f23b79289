#include "plan/planned_files.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

#include "plan/same_or_below.h"

namespace qv {

namespace {

constexpr ErrorCode kOk = win::kErrorSuccess;

bool IsFolder(const FindData& data) { return (data.attributes & win::kFileAttributeDirectory) != 0; }

bool IsReadOnly(const FindData& data) { return (data.attributes & win::kFileAttributeReadOnly) != 0; }

bool IsDriveRoot(const std::string& canonical) {
  return (canonical.size() == 2 && canonical[1] == ':') || canonical == "\\";
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// What stands before a path's names: a drive ("C:"), "\\" of a share, "\" of the current drive,
// or nothing for a relative path; and where the names begin.
struct PathStart {
  std::string prefix;
  std::size_t start = 0;
  bool relative = false;
};
PathStart StartOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return {path.substr(0, 2), 2, false};
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return {"\\\\", 0, false};
  if (!path.empty() && IsSeparator(path[0])) return {"\\", 0, false};
  return {{}, 0, true};
}

// The prefix and the names joined by single "\"; "." for nothing at all.
std::string Joined(const std::string& prefix, const std::vector<std::string_view>& names) {
  std::string result = prefix;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0 || (!prefix.empty() && prefix.back() != '\\')) result += '\\';
    result += names[i];
  }
  if (result.empty()) result = ".";
  return result;
}

}  // namespace

std::string PlannedFiles::Spelling(const std::string& path) const {
  const PathStart at = StartOf(path);
  // The names kept are moved to the front of the same list.
  std::vector<std::string_view> names = PathNameViews(std::string_view(path).substr(at.start), "\\/", lead_);
  std::size_t kept = 0;
  for (const std::string_view name : names) {
    if (name == "..") {
      if (kept > 0 && names[kept - 1] != "..")
        --kept;
      else if (at.relative)
        names[kept++] = name;
    } else if (name != ".") {
      names[kept++] = name;
    }
  }
  names.resize(kept);
  if (!names.empty() && names.back() != "..") {
    names.back() = WithoutTrailingBlanksAndDots(names.back());
    if (names.back().empty()) names.pop_back();
  }
  return Joined(at.prefix, names);
}

std::string PlannedFiles::Canonical(const std::string& path) { return system_.CharUpperBuffA(Spelling(path)); }

bool PlannedFiles::HasWildcardName(const std::string& path) const {
  return HasWildcard(path) && HasWildcard(Spelling(path));
}

std::string PlannedFiles::Parent(const std::string& canonical) const {
  const std::size_t slash = LastDelimiter(canonical, "\\", lead_);
  if (slash == std::string::npos) return canonical.size() == 2 && canonical[1] == ':' ? canonical : ".";
  return slash == 0 ? "\\" : canonical.substr(0, slash);
}

bool PlannedFiles::EndsWithSeparator(const std::string& path) const {
  return !path.empty() && LastDelimiter(path, "\\/", lead_) == path.size() - 1;
}

void PlannedFiles::Add(Change change) {
  const std::size_t number = changes_.size();
  if (change.kind == Change::Kind::kAttributes) {
    attributeChanges_[change.path].push_back(number);
  } else {
    removalsAndMoves_[change.path].push_back(number);
    if (change.kind == Change::Kind::kMoved && change.to != change.path) removalsAndMoves_[change.to].push_back(number);
  }
  changes_.push_back(std::move(change));
}

std::optional<std::size_t> PlannedFiles::LatestTouching(const std::string& canonical, std::size_t before,
                                                        bool attributes) const {
  std::optional<std::size_t> latest;
  auto consider = [&](const ChangesByPath& changes, std::string_view path) {
    const auto found = changes.find(path);
    if (found == changes.end()) return;
    const std::vector<std::size_t>& numbers = found->second;
    const auto after = std::lower_bound(numbers.begin(), numbers.end(), before);
    if (after != numbers.begin() && (!latest || *(after - 1) > *latest)) latest = *(after - 1);
  };
  // The path and every folder above it: each "\" byte ends one, as SameOrBelow reads them.
  const std::string_view path(canonical);
  for (std::size_t i = 0; i < path.size(); ++i)
    if (path[i] == '\\') consider(removalsAndMoves_, path.substr(0, i));
  consider(removalsAndMoves_, path);
  if (attributes) consider(attributeChanges_, path);
  return latest;
}

void PlannedFiles::FindReal(Located& where) {
  // Below a drive's root the folder's listing answers for every name in it. Any other name, a
  // short one or one with wildcards among them, is asked of the system.
  const std::string& canonical = where.real;
  const std::size_t slash = LastDelimiter(canonical, "\\", lead_);
  if (canonical.size() >= 4 && canonical[1] == ':' && canonical[2] == '\\' && slash != std::string::npos &&
      !HasWildcard(canonical)) {
    const std::string_view folder = std::string_view(canonical).substr(0, slash);
    auto listing = listings_.find(folder);
    if (listing == listings_.end()) {
      listing = listings_.emplace(std::string(folder), std::map<std::string, FoundFile, std::less<>>()).first;
      for (FoundFile& found : system_.FindFilesA(listing->first + "\\*"))
        if (found.name != "." && found.name != "..")
          listing->second.emplace(system_.CharUpperBuffA(found.name), std::move(found));  // the first of a name wins
    }
    const auto entry = listing->second.find(std::string_view(canonical).substr(slash + 1));
    if (entry != listing->second.end()) {
      where.exists = true;
      where.data = entry->second.data;
      where.asked = listing->first + "\\" + entry->second.name;
      return;
    }
  }
  const std::optional<FindData> found = system_.FindFirstFileA(canonical);
  where.exists = found.has_value();
  if (found) where.data = *found;
}

PlannedFiles::Located PlannedFiles::Locate(const std::string& path) {
  std::string current = Canonical(path);
  std::optional<std::uint32_t> attributes;
  // From the latest change back: follow the path through renames to where it is now. Only the
  // changes at the path or at a folder above it can touch it.
  std::size_t before = changes_.size();
  while (const std::optional<std::size_t> number = LatestTouching(current, before, !attributes)) {
    before = *number;
    const Change& change = changes_[*number];
    switch (change.kind) {
      case Change::Kind::kGone:
        if (SameOrBelow(current, change.path)) return {};
        break;
      case Change::Kind::kMoved:
        if (SameOrBelow(current, change.to))
          current = change.path + current.substr(change.to.size());
        else if (SameOrBelow(current, change.path))
          return {};
        break;
      case Change::Kind::kAttributes:
        if (!attributes && current == change.path) attributes = change.attributes;
        break;
    }
  }
  Located where;
  where.real = where.asked = current;
  if (IsDriveRoot(current)) {
    where.exists = true;
    where.data.attributes = win::kFileAttributeDirectory;
    return where;
  }
  FindReal(where);
  if (!where.exists) return {};
  if (attributes)
    where.data.attributes =
        (where.data.attributes & win::kFileAttributeDirectory) | (*attributes & ~win::kFileAttributeDirectory);
  return where;
}

ErrorCode PlannedFiles::Probe(const Located& where, std::uint32_t access) {
  if (!where.exists) return win::kErrorFileNotFound;
  if (IsDriveRoot(where.real)) return win::kErrorAccessDenied;
  return system_.TryOpenFileA(where.asked, access);
}

std::string PlannedFiles::Describe(const Located& where, ErrorCode deleteProbe) const {
  if (!where.exists) return "missing";
  std::string text = IsFolder(where.data) ? "folder" : "file";
  if (IsReadOnly(where.data)) text += ", read-only";
  if (deleteProbe == win::kErrorSharingViolation)
    text += ", in use by another program";
  else if (deleteProbe != kOk)
    text += ", may not be deleted (error " + std::to_string(deleteProbe) + ")";
  return text;
}

std::vector<FoundFile> PlannedFiles::Entries(const std::string& folder) {
  std::vector<FoundFile> entries;
  const Located where = Locate(folder);
  if (!where.exists || !IsFolder(where.data)) return entries;
  const std::string canonical = Canonical(folder);
  // Candidates: what is in the folder on the real system, and what was moved into it. The later
  // name wins for one path.
  std::vector<std::pair<std::string, std::string>> names;  // canonical path, name as shown
  for (const FoundFile& found : system_.FindFilesA(where.real + "\\*"))
    if (found.name != "." && found.name != "..") names.emplace_back(Canonical(folder + "\\" + found.name), found.name);
  for (const Change& change : changes_)
    if (change.kind == Change::Kind::kMoved && Parent(change.to) == canonical)
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

std::optional<FindData> PlannedFiles::FindFirst(const std::string& path) {
  if (changes_.empty()) return system_.FindFirstFileA(path);
  std::vector<FoundFile> found = Find(path);
  if (found.empty()) return std::nullopt;
  return found.front().data;
}

// Every match in the planned state: "." and ".." first, then the folder's entries in the order
// Entries gives them. A name is matched with "*" and "?" only.
std::vector<FoundFile> PlannedFiles::Find(const std::string& pattern) {
  if (changes_.empty()) return system_.FindFilesA(pattern);
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
  const std::string upper = system_.CharUpperBuffA(name);
  if (!IsDriveRoot(where.real))
    for (const char* own : {".", ".."})
      if (MatchesWildcard(upper.c_str(), own)) found.push_back({own, where.data});
  for (FoundFile& entry : Entries(place))
    if (MatchesWildcard(upper.c_str(), system_.CharUpperBuffA(entry.name).c_str())) found.push_back(std::move(entry));
  return found;
}

std::optional<std::string> PlannedFiles::RealFile(const std::string& path) {
  if (EndsWithSeparator(path)) return std::nullopt;
  const Located where = Locate(path);
  if (!where.exists || IsFolder(where.data)) return std::nullopt;
  return where.real;
}

std::optional<std::string> PlannedFiles::Read(const std::string& path) {
  if (changes_.empty() || HasWildcard(path)) return system_.ReadWholeFile(path);
  const std::optional<std::string> real = RealFile(path);
  return real ? system_.ReadWholeFile(*real) : std::nullopt;
}

std::optional<std::string> PlannedFiles::Company(const std::string& path) {
  if (changes_.empty() || HasWildcard(path)) return system_.GetFileCompanyNameA(path);
  const std::optional<std::string> real = RealFile(path);
  return real ? system_.GetFileCompanyNameA(*real) : std::nullopt;
}

ErrorCode PlannedFiles::TryOpen(const std::string& path, std::uint32_t access) {
  if (changes_.empty() || HasWildcard(path)) return system_.TryOpenFileA(path, access);
  const Located where = Locate(path);
  if (where.exists) return system_.TryOpenFileA(where.asked, access);
  const Located parent = Locate(Parent(Canonical(path)));
  return parent.exists && IsFolder(parent.data) ? win::kErrorFileNotFound : win::kErrorPathNotFound;
}

PlannedFiles::Outcome PlannedFiles::SetAttributes(const std::string& path, std::uint32_t attributes) {
  bool ok = false;
  std::string state = "a name with wildcards";
  if (!HasWildcardName(path)) {
    const Located where = Locate(path);
    // One open with both rights is granted only when each alone would be: only a refusal needs
    // them asked one by one.
    const bool both =
        where.exists && !IsDriveRoot(where.real) && Probe(where, win::kDelete | win::kFileWriteAttributes) == kOk;
    state = Describe(where, both ? kOk : Probe(where, win::kDelete));
    ok = where.exists && (!EndsWithSeparator(path) || IsFolder(where.data)) &&
         (IsDriveRoot(where.real) || both || Probe(where, win::kFileWriteAttributes) == kOk);
    if (ok) Add({Change::Kind::kAttributes, Canonical(path), {}, {}, attributes & ~win::kFileAttributeDirectory});
  }
  return {ok, state};
}

PlannedFiles::Outcome PlannedFiles::LeaveToRestart(const std::string& path) {
  const Located where = Locate(path);
  const std::string state = Describe(where, Probe(where, win::kDelete));
  leftToRestart_.insert(Canonical(path));
  return {true, state};
}

bool PlannedFiles::IsLeftToRestart(const std::string& path) { return leftToRestart_.count(Canonical(path)) > 0; }

PlannedFiles::Outcome PlannedFiles::Delete(const std::string& path) {
  bool ok = false;
  std::string state = "a name with wildcards";
  if (!HasWildcardName(path)) {
    const Located where = Locate(path);
    const ErrorCode deletable = Probe(where, win::kDelete);
    state = Describe(where, deletable);
    ok = where.exists && !EndsWithSeparator(path) && !IsFolder(where.data) && !IsReadOnly(where.data) &&
         deletable == kOk;
    if (ok) Add({Change::Kind::kGone, Canonical(path), {}, {}, 0});
  }
  return {ok, state};
}

PlannedFiles::Outcome PlannedFiles::Move(const std::string& oldPath, const std::string& newPath) {
  bool ok = false;
  std::string state = "a name with wildcards";
  if (!HasWildcardName(oldPath) && !HasWildcardName(newPath)) {
    const Located from = Locate(oldPath);
    const ErrorCode deletable = Probe(from, win::kDelete);
    state = Describe(from, deletable);
    const std::string source = Canonical(oldPath), target = Canonical(newPath);
    if (from.exists && !IsDriveRoot(source) && deletable == kOk) {
      // The folder is found as its name would be at the end of a path, trailing dots and blanks
      // dropped; but a name of dots and blanks alone, as in "C:\...\x", names no folder, not the
      // drive's root.
      const std::string parentName = Parent(target);
      const Located parent = Locate(parentName);
      if (source == target)
        ok = true;  // a change of case only
      else if (Locate(newPath).exists)
        state += "; the new name is taken";
      else if (!parent.exists || !IsFolder(parent.data) || (IsDriveRoot(parent.real) && !IsDriveRoot(parentName)))
        state += "; no folder for the new name";
      else
        ok = !SameOrBelow(target, source);
    }
    if (ok) Add({Change::Kind::kMoved, source, target, FileNamePart(newPath, lead_), 0});
  }
  return {ok, state};
}

PlannedFiles::Outcome PlannedFiles::RemoveFolder(const std::string& path) {
  bool ok = false;
  std::string state = "a name with wildcards";
  if (!HasWildcardName(path)) {
    const Located where = Locate(path);
    const ErrorCode deletable = Probe(where, win::kDelete);
    state = Describe(where, deletable);
    if (where.exists && IsFolder(where.data)) {
      const std::size_t entries = Entries(path).size();
      state += entries == 0 ? ", empty" : ", " + Counted(entries, "entry", "entries") + " in it";
      ok = !IsDriveRoot(where.real) && !IsReadOnly(where.data) && entries == 0 && deletable == kOk;
    }
    if (ok) Add({Change::Kind::kGone, Canonical(path), {}, {}, 0});
  }
  return {ok, state};
}

}  // namespace qv
