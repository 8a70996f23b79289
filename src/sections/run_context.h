// What one uninstall run holds: the platform, the start-up facts, the script's paths, the run's
// results and whoever watches the run. Handlers get it explicitly; there are no globals.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "boxes/message_box.h"
#include "guard/product.h"
#include "seam/platform.h"
#include "sections/run_observer.h"
#include "system/system_info.h"

namespace qv {

struct RunState {
  bool completed = false;        // the run went through all passes
  bool settingsDeleted = false;  // a confirmed registry cleanup was carried out
  bool folderRemoved = false;    // the last attempt to remove the base folder succeeded
  bool programRunning = false;   // a program of the product runs: the run stopped before any change
  // Files and folders whose deletion is left to the next start of Windows, upper-cased, folders
  // without their final "\", in the order they were left.
  std::vector<std::string> leftToRestart;
  // Services that were still listed after their deletion: Windows removes them when it next starts.
  std::vector<std::string> servicesLeftToRestart;

  // Something is left to the next start of Windows: the final report says so, a silent run's exit
  // code too.
  bool RestartNeeded() const { return !leftToRestart.empty() || !servicesLeftToRestart.empty(); }
};

struct RunContext {
  Platform& platform;
  const SystemInfo& system;
  std::string scriptPath;
  std::string baseFolder;  // ends with "\" or ":", or is empty
  RunState state;
  // Names of the mutexes this run created itself: asked for again, they exist because of us.
  std::set<std::string> ownMutexes;
  RunObserver& observer = NoObserver();
  // The product whose registrations the guard tells from others': set as the passes begin.
  Product product = {};
};

// Shows one of the run's boxes and tells the observer the answer.
inline int ShowRunBox(RunContext& run, RunBox box, const MixedText& text, MessageKind kind) {
  const int answer = ShowMessage(run.platform, text, kind);
  run.observer.BoxAnswered(box, answer);
  return answer;
}

}  // namespace qv
