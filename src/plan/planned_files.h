// The files and folders as a planned uninstall would leave them: the real system's, seen through
// the changes written down so far. A change is only written down, with the result the real call
// would give in that state; every later read sees it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "seam/platform.h"
#include "text/text.h"

namespace qv {

class PlannedFiles {
 public:
  PlannedFiles(Platform& system, const LeadByteTable& lead) : system_(system), lead_(lead) {}

  // What a change would do: whether the real call succeeds, and its target just before, in words.
  struct Outcome {
    bool succeeds = false;
    std::string state;
  };
  Outcome SetAttributes(const std::string& path, std::uint32_t attributes);
  Outcome Delete(const std::string& path);
  Outcome Move(const std::string& oldPath, const std::string& newPath);
  Outcome RemoveFolder(const std::string& path);
  // Leaving a file or folder to the next start of Windows changes nothing now; it is written down
  // so that what stays can say so.
  Outcome LeaveToRestart(const std::string& path);
  bool IsLeftToRestart(const std::string& path);

  // The reads of the platform, in the planned state.
  std::optional<FindData> FindFirst(const std::string& path);
  std::vector<FoundFile> Find(const std::string& pattern);
  std::optional<std::string> Read(const std::string& path);
  std::optional<std::string> Company(const std::string& path);
  ErrorCode TryOpen(const std::string& path, std::uint32_t access);

  // The folder's entries in the planned state, without "." and "..": the names the system shows,
  // a renamed entry under its new name. Empty when there is no such folder.
  std::vector<FoundFile> Entries(const std::string& folder);
  // Upper-cased, with "/" read as "\", single "\" between names, "." and ".." taken away and the
  // trailing blanks and dots of the last name dropped, as the system reads a path. No final "\".
  // Two paths name the same file or folder when these are equal.
  std::string Canonical(const std::string& path);
  // The same, its case as written.
  std::string Spelling(const std::string& path) const;
  // Whether a name of the path that the system reads holds a wildcard: one in a name that a
  // ".." takes away is no name of the path.
  bool HasWildcardName(const std::string& path) const;
  // Calls f with each canonical path that the changes so far remove, move away, move to or give
  // attributes.
  template <typename F>
  void ForEachChangedPath(F f) const {
    for (const Change& change : changes_) {
      f(change.path);
      if (change.kind == Change::Kind::kMoved) f(change.to);
    }
  }

 private:
  // The real file that the path names in the planned state; nothing for a folder or no file.
  std::optional<std::string> RealFile(const std::string& path);

  // A planned change of a file or folder. Paths are canonical (see Canonical).
  struct Change {
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
    // The real path as the system is asked for it: its last name as the system shows it, when
    // the folder's listing showed it, so that a system that matches names without regard to
    // case by reading the folder finds it at once.
    std::string asked;
    FindData data;
  };

  // Written down, and found again by the paths it touches.
  void Add(Change change);
  // The latest change before the one numbered before that can touch the canonical path: one that
  // removes or moves away the path or a folder above it, or moves something there; with
  // attributes, also one that gives the path itself attributes.
  std::optional<std::size_t> LatestTouching(const std::string& canonical, std::size_t before, bool attributes) const;
  // What the system shows at the real path, and how it is asked for.
  void FindReal(Located& where);
  Located Locate(const std::string& path);
  ErrorCode Probe(const Located& where, std::uint32_t access);
  std::string Describe(const Located& where, ErrorCode deleteProbe) const;
  std::string Parent(const std::string& canonical) const;
  bool EndsWithSeparator(const std::string& path) const;

  Platform& system_;
  const LeadByteTable& lead_;
  std::vector<Change> changes_;
  // The changes' numbers, rising, by the canonical path they remove, move away or move to; and
  // those of the changes of attributes by their path.
  using ChangesByPath = std::map<std::string, std::vector<std::size_t>, std::less<>>;
  ChangesByPath removalsAndMoves_;
  ChangesByPath attributeChanges_;
  // Each real folder's entries by upper-cased name, read once when a path in it is first looked
  // for: a product's folder of thousands of files is read once, not once for each file.
  std::map<std::string, std::map<std::string, FoundFile, std::less<>>, std::less<>> listings_;
  std::set<std::string> leftToRestart_;  // canonical paths
};

}  // namespace qv
