// The files and folders as a planned uninstall would leave them: the real system's, seen through
// the changes written down so far. A change is only written down, with the result the real call
// would give in that state; every later read sees it.
#pragma once

#include <cstdint>
#include <optional>
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
  // Both paths name the same file or folder.
  bool SamePath(const std::string& a, const std::string& b) { return Canonical(a) == Canonical(b); }

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
    FindData data;
  };

  // Upper-cased, with "/" read as "\", single "\" between names, "." and ".." taken away and the
  // trailing blanks and dots of the last name dropped, as the system reads a path. No final "\".
  std::string Canonical(const std::string& path);
  Located Locate(const std::string& path);
  ErrorCode Probe(const Located& where, std::uint32_t access);
  std::string Describe(const Located& where, ErrorCode deleteProbe) const;
  std::string Parent(const std::string& canonical) const;
  bool EndsWithSeparator(const std::string& path) const;

  Platform& system_;
  const LeadByteTable& lead_;
  std::vector<Change> changes_;
  std::vector<std::string> leftToRestart_;  // canonical paths
};

}  // namespace qv
