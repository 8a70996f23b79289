// What the run tells whoever watches it: each section as its pass starts, each of its boxes with
// the answer, and each entry it passes over, with why. The run goes the same way whether anyone
// watches or not; the methods of this base do nothing.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "guard/guard.h"
#include "seam/platform.h"
#include "steps/run_steps.h"

namespace qv {

// The boxes of the run.
enum class RunBox {
  kProgramRunning,  // "[execution]": a program of the product runs; the run stops
  kWarning,         // "[warning]": the section's text
  kBegin,           // the question to begin
  kDeleteSettings,  // "[deletereg]": the question whether to delete the settings
  kFinalReport,     // the final report
};

// An entry of a section body that does nothing, and why.
struct PassedOver {
  enum class Why {
    kOwnMutex,         // "[execution]": a mutex that this run made itself is named again
    kProtectedKey,     // "[deletereg]": the entry names a key that is never deleted
    kNoFile,           // "[deletefile]", "[renamefile]": the entry names a folder, or no two files
    kNoFolder,         // "[deletefile]", "[renamefile]": the system cannot tell where its prefix's folder is
    kRefusedFolder,    // "[deletefile]": a folder entry that names a folder the run never removes
    kIncompleteValue,  // "[deletereg]": a value entry without its root, key or ","
    kRefused,          // any other entry that the guard refuses (guard/guard.h): a value, a file name
  };
  PassedOver(Why why, int lineIndex, std::string line, RegistryRoot root = 0, std::string path = {})
      : why(why), lineIndex(lineIndex), line(std::move(line)), root(root), path(std::move(path)) {}

  // An entry that the guard refused: a key is a kProtectedKey with its root and path.
  PassedOver(const Refusal& refusal, int lineIndex, const std::string& line)
      : PassedOver(WhyOf(refusal.family), lineIndex, line, refusal.root,
                   refusal.family == Family::kKey ? refusal.thing : std::string()) {
    this->refusal = refusal;
  }
  static Why WhyOf(Family family) {
    if (family == Family::kKey) return Why::kProtectedKey;
    return family == Family::kFolderEntry || family == Family::kFolder ? Why::kRefusedFolder : Why::kRefused;
  }

  Why why;
  int lineIndex;     // in the run's copy of the script
  std::string line;  // as written
  // kProtectedKey: the key the entry names (path from the root, upper-cased).
  RegistryRoot root;
  std::string path;
  std::optional<Refusal> refusal;  // kProtectedKey, kRefusedFolder, kRefused: what the guard refused, and why
};

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The pass over the section whose header stands at headerIndex begins.
  virtual void SectionStarts(const char* /*header*/, int /*headerIndex*/) {}
  // One of the run's boxes was shown and answered.
  virtual void BoxAnswered(RunBox /*box*/, int /*answer*/) {}
  virtual void EntryPassedOver(const PassedOver& /*entry*/) {}
  // A PATH= entry is about to write its value without these elements; the write comes next.
  virtual void PathShrinks(const PathRemoval& /*removal*/) {}
};

// The observer of a run that nobody watches.
inline RunObserver& NoObserver() {
  static RunObserver none;
  return none;
}

}  // namespace qv
