// A PATH= entry of "[deletereg]": the elements of an environment's Path value that name the
// product's folder or a folder below it go; every other element stays as it is written, in order.
#pragma once

#include <string>

#include "sections/entries.h"
#include "sections/run_context.h"
#include "steps/run_steps.h"
#include "system/registry_accessor.h"

namespace qv {

// The Path text without the elements that name the folder (full path) or a folder below it, the
// way the system compares paths: without regard to case, with or without a final "\", "/" as
// "\", the element's %NAME% variables expanded and its enclosing quotes ignored. An element with
// a "." or ".." name below the folder stays: it may lead elsewhere. Empty elements stay.
struct PathCut {
  std::string text;
  PathRemoval removal;
};
PathCut CutFolderFromPath(Platform& platform, const LeadByteTable& lead, const std::string& text,
                          const std::string& folder);

// Carries the entry out: nothing without a known environment, the product's folder, or a text
// value; nothing is written when no element goes. True when the value was written.
bool RemoveProductFromPath(RunContext& run, RegistryAccessor& registry, const CleanupTarget& target, int index,
                           const std::string& line);

}  // namespace qv
